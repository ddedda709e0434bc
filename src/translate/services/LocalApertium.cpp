#include "LocalApertium.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <csignal>
#include <memory>
#include <sys/prctl.h>
#include <unistd.h>

namespace LocalApertium {
namespace {

const QString kDefaultModes = QStringLiteral("/usr/share/apertium/modes");

// One pair's pipeline, kept running between texts.
struct Pipeline
{
    QProcess process;
    QByteArray output;
};

QHash<QString, std::shared_ptr<Pipeline>>& pipelines()
{
    static QHash<QString, std::shared_ptr<Pipeline>> running;
    return running;
}

void end(Pipeline& pipeline)
{
    QProcess& p = pipeline.process;
    if (p.state() == QProcess::NotRunning)
        return;
    // The shell leads a process group of its own: the whole pipeline goes with it.
    const qint64 pid = p.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    p.waitForFinished(2000);
}

// The pipeline of a pair with every program flushing at a null character, as Apertium's own
// tool writes it out from the pair's mode file.
QString pipelineCommand(const QString& pair, QString& error)
{
    const QString mode =
        QDir(ModesFolder()).filePath(QString(pair).replace(u'|', u'-') + QStringLiteral(".mode"));
    QProcess tool;
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(QStringLiteral("apertium-wblank-mode"), {QStringLiteral("-z"), mode});
    if (!tool.waitForFinished(5000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        tool.kill();
        error = tool.error() == QProcess::FailedToStart
                    ? QStringLiteral("apertium-wblank-mode is not installed (package apertium)")
                    : QStringLiteral("the mode of %1 cannot be read").arg(pair);
        return {};
    }
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

std::shared_ptr<Pipeline> start(const QString& pair, QString& error)
{
    const QString command = pipelineCommand(pair, error);
    if (command.isEmpty())
        return nullptr;
    auto pipeline = std::make_shared<Pipeline>();
    QProcess& p = pipeline->process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(environment);
    p.setStandardErrorFile(QProcess::nullDevice());
    const pid_t parent = ::getpid();
    p.setChildProcessModifier([parent] {
        ::setpgid(0, 0);
        // The shell dies with us; the programs after it see their input end and follow.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
    });
    // $1 is the generator's option: -n leaves unknown words unmarked.
    p.start(QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), command, QStringLiteral("sh"), QStringLiteral("-n")});
    if (!p.waitForStarted(5000)) {
        error = QStringLiteral("the Apertium pipeline of %1 did not start").arg(pair);
        return nullptr;
    }
    static bool registered = false;
    if (!registered && QCoreApplication::instance()) {
        registered = true;
        qAddPostRoutine(Shutdown);
    }
    return pipeline;
}

enum class Wait { Answered, Died, TimedOut };

Wait waitForAnswer(Pipeline& pipeline, int timeoutMs)
{
    QProcess& p = pipeline.process;
    const auto answered = [&] { return pipeline.output.contains('\0'); };
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool late = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        late = true;
        loop.quit();
    });
    QObject::connect(&p, &QProcess::readyReadStandardOutput, &loop, [&] {
        pipeline.output += p.readAllStandardOutput();
        if (answered())
            loop.quit();
    });
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs > 0 ? timeoutMs : 30000);
    while (!answered() && !late && p.state() == QProcess::Running)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    pipeline.output += p.readAllStandardOutput();
    if (answered())
        return Wait::Answered;
    return late ? Wait::TimedOut : Wait::Died;
}

} // namespace

QString ModesFolder()
{
    const QString folder = qEnvironmentVariable("VERBALTO_APERTIUM_MODES").trimmed();
    return folder.isEmpty() ? kDefaultModes : folder;
}

QStringList Pairs()
{
    static const QRegularExpression kPair(
        QStringLiteral("^([a-z]{2,3}(?:_[A-Za-z]+)?)-([a-z]{2,3}(?:_[A-Za-z]+)?)\\.mode$"));
    QStringList pairs;
    const QStringList files =
        QDir(ModesFolder()).entryList({QStringLiteral("*.mode")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const QRegularExpressionMatch match = kPair.match(file);
        if (match.hasMatch())
            pairs.append(match.captured(1) + u'|' + match.captured(2));
    }
    return pairs;
}

Outcome Translate(const QString& pair, const QString& text, int timeoutMs)
{
    // A blank before the flush lets every stage end its last word.
    const QByteArray input = Deformat(text) + "[\n]" + '\0';
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::shared_ptr<Pipeline> pipeline = pipelines().value(pair);
        if (!pipeline || pipeline->process.state() != QProcess::Running) {
            // The modes folder is read only to start a pipeline, not for every text.
            if (!Pairs().contains(pair))
                return {false, {}, QStringLiteral("the pair %1 is not installed").arg(pair)};
            QString error;
            pipeline = start(pair, error);
            if (!pipeline)
                return {false, {}, error};
            pipelines().insert(pair, pipeline);
        }
        pipeline->output.clear();
        pipeline->process.write(input);
        const Wait wait = waitForAnswer(*pipeline, timeoutMs);
        if (wait == Wait::Answered) {
            QByteArray answer = pipeline->output.left(pipeline->output.indexOf('\0'));
            pipeline->output.clear();
            QString translation = Reformat(answer);
            if (translation.endsWith(u'\n'))
                translation.chop(1);
            return {true, translation, {}};
        }
        // Its state is unknown now: the next text gets a new pipeline.
        end(*pipeline);
        pipelines().remove(pair);
        if (wait == Wait::TimedOut)
            return {false,
                    {},
                    QStringLiteral("Apertium gave no translation within %1 ms").arg(timeoutMs)};
    }
    return {false, {}, QStringLiteral("the Apertium pipeline of %1 stopped").arg(pair)};
}

void Shutdown()
{
    for (const std::shared_ptr<Pipeline>& pipeline : std::as_const(pipelines())) {
        pipeline->process.closeWriteChannel();
        end(*pipeline);
    }
    pipelines().clear();
}

int Running()
{
    int n = 0;
    for (const std::shared_ptr<Pipeline>& pipeline : std::as_const(pipelines()))
        n += pipeline->process.state() == QProcess::Running ? 1 : 0;
    return n;
}

QByteArray Deformat(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8 + 4);
    bool inBlank = false;
    for (const QChar c : text) {
        const bool blank = c == u'\n' || c == u'\r' || c == u'\t' || c == u'\v' || c == u'\f' ||
                           c == u'~' || c == QChar(0);
        if (blank != inBlank) {
            out += blank ? u'[' : u']';
            inBlank = blank;
        }
        if (c == QChar(0)) {
            out += u' '; // the pipeline's end of text
        } else if (QStringLiteral("\\[]{}^$/@<>").contains(c)) {
            out += u'\\';
            out += c;
        } else {
            out += c;
        }
    }
    if (inBlank)
        out += u']';
    return out.toUtf8();
}

QString Reformat(const QByteArray& stream)
{
    const QString in = QString::fromUtf8(stream);
    QString out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QChar c = in.at(i);
        if (c == u'\\' && i + 1 < in.size())
            out += in.at(++i);
        else if (c != u'[' && c != u']')
            out += c;
    }
    return out;
}

} // namespace LocalApertium
