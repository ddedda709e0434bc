#include "TestUtil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <unistd.h>

namespace TestUtil {

bool waitUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(data) == data.size();
}

QString binPath(const QString& name)
{
#ifdef VERBALTO_BIN_DIR
    return QStringLiteral(VERBALTO_BIN_DIR "/") + name;
#else
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
#endif
}

QString runTool(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

std::unique_ptr<QProcess> xclipCopy(const QByteArray& data, const QString& type)
{
    auto p = std::make_unique<QProcess>();
    QStringList args{QStringLiteral("-quiet"), QStringLiteral("-selection"),
                     QStringLiteral("clipboard"), QStringLiteral("-i")};
    if (!type.isEmpty())
        args << QStringLiteral("-t") << type;
    p->start(QStringLiteral("xclip"), args);
    p->waitForStarted(5000);
    p->write(data);
    p->closeWriteChannel();
    return p;
}

bool isRoot()
{
    return ::geteuid() == 0;
}

bool canFillDisk()
{
    return isRoot() && !QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty();
}

int runOnFullDisk(const QString& folder, const QString& program, const QStringList& args,
                  int leaveFree, QByteArray* output)
{
    // The files go in through a copy beside the folder, as the mount hides what it held.
    const QString script = QStringLiteral(
        "d=$1; k=$1.keep; f=$2; shift 2\n"
        "rm -rf \"$k\" && cp -a \"$d\" \"$k\" && mount --make-rprivate / &&\n"
        "  mount -t tmpfs -o size=64k tmpfs \"$d\" && cp -a \"$k\"/. \"$d\"/ || exit 125\n"
        "dd if=/dev/zero of=\"$d/.filler\" bs=1k 2>/dev/null; truncate -s -$f \"$d/.filler\"\n"
        "\"$@\"; s=$?\n"
        "rm -f \"$d/.filler\"; rm -rf \"$k\" && cp -a \"$d\" \"$k\" || exit 125\n"
        "exit $s\n");
    QProcess p;
    p.start(QStringLiteral("unshare"),
            QStringList{QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                        QStringLiteral("sh"), folder, QString::number(leaveFree), program} +
                args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() == 125) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (output)
        *output = p.readAllStandardOutput();
    // Back outside the namespace: the tmpfs' last state replaces the folder's files.
    const QString kept = folder + QStringLiteral(".keep");
    QDir(folder).removeRecursively();
    if (!QDir().rename(kept, folder))
        return -1;
    return p.exitCode();
}

} // namespace TestUtil
