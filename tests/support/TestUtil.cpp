#include "TestUtil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
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
    QStringList args{QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                     QStringLiteral("-i")};
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

} // namespace TestUtil
