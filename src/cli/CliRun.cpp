// The request, the reply extraction and the results file are the window's own code; this file
// only decides where the text comes from and what the user is told.
#include "CliRun.h"

#include "CliArguments.h"
#include "CliOutput.h"
#include "HttpTransport.h"
#include "LanguageCatalogue.h"
#include "LocalVoice.h"
#include "ModLng.h"
#include "ModUniTxt.h"
#include "OnlineVoice.h"
#include "ResultsFile.h"
#include "ServiceFallback.h"
#include "SettingsStore.h"
#include "SpeechPlayer.h"
#include "TranslationService.h"
#include "WavFile.h"
#include "services/ServiceSupport.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QUrl>

namespace CliRun {
namespace {

const QString kProgram = QStringLiteral("verbalto-cli");

void say(QIODevice& device, const QString& text)
{
    device.write(text.toUtf8());
}

// One line on standard error, whatever the message holds.
void complain(const Streams& io, QString message)
{
    message.replace(QLatin1Char('\n'), QLatin1Char(' '));
    say(io.err, kProgram + QStringLiteral(": ") + message + u'\n');
}

struct FileText
{
    QString text;
    QString error; // empty when the file was read
};

// ReadUniText answers "" for an empty file and for every failure alike; the checks before it
// tell the user which failure it was instead of translating nothing.
FileText readInputFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {{}, QStringLiteral("cannot read \"%1\": no such file").arg(path)};
    if (info.isDir())
        return {{}, QStringLiteral("cannot read \"%1\": it is a folder").arg(path)};
    if (!info.isFile())
        return {{}, QStringLiteral("cannot read \"%1\": not a regular file").arg(path)};
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("cannot read \"%1\": %2").arg(path, probe.errorString())};
    if (probe.size() >= ModUniTxt::MaxReadSize)
        return {{},
                QStringLiteral("cannot read \"%1\": files of 2 GiB or more are refused").arg(path)};
    probe.close();

    ModUniTxt::TextFormat format = ModUniTxt::Detect;
    FileText result{ModUniTxt::ReadUniText(path, format), {}};
    if (format == ModUniTxt::Utf32LE || format == ModUniTxt::Utf32BE) {
        if (info.size() > 4)
            result.error =
                QStringLiteral("cannot read \"%1\": UTF-32 text is not supported").arg(path);
    }
    return result;
}

// The command line over the environment's key over the stored choice; a stored address or
// key belongs to the stored service only.
ServiceSettings chooseService(const CliArguments::Options& options, const ServiceSettings& stored,
                              const Environment& environment)
{
    ServiceSettings service = stored;
    if (options.service && *options.service != stored.name) {
        service = ServiceSettings{};
        service.name = *options.service;
    }
    if (options.serviceUrl)
        service.url = *options.serviceUrl;
    if (!environment.apiKey.trimmed().isEmpty())
        service.key = environment.apiKey.trimmed();
    if (options.apiKey)
        service.key = *options.apiKey;
    service.timeoutMs = environment.timeoutMs;
    if (options.noFallback)
        service.fallback = false;
    return service;
}

QString readStandardInput(const Streams& io)
{
    if (io.inputIsTerminal)
        say(io.err, QStringLiteral("Reading the text from standard input; end it with Ctrl+D.\n"));
    // Decoded a chunk at a time into one string, so the input is never held whole beside its
    // text. The decoder drops a leading byte-order mark; invalid bytes become U+FFFD.
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text;
    QByteArray chunk(ModUniTxt::ReadChunk, Qt::Uninitialized);
    const auto decode = [&](QByteArrayView bytes) {
        const qsizetype held = text.size();
        text.resize(held + utf8.requiredSpace(bytes.size()));
        const QChar* end = utf8.appendToBuffer(text.data() + held, bytes);
        text.truncate(end - text.constData());
    };
    for (qint64 got; (got = io.in.read(chunk.data(), chunk.size())) > 0;)
        decode(QByteArrayView(chunk.constData(), got));
    // A sequence cut off at the end would wait in the decoder for more: a newline ends it, so
    // it shows as U+FFFD instead of being lost (the decoder takes the newline with it then).
    decode("\n");
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

int speechProblem(const Streams& io, SpeechPlayer::Problem problem, const QString& code)
{
    switch (problem) {
    case SpeechPlayer::Problem::NoOutput:
        complain(io, QStringLiteral("cannot speak: no sound output was found"));
        break;
    case SpeechPlayer::Problem::Undecodable:
        complain(io, QStringLiteral("cannot speak: the online voice's sound cannot be decoded "
                                    "here and no voice on this computer speaks \"%1\"")
                         .arg(code));
        break;
    default:
        complain(io, QStringLiteral("no voice speaks \"%1\"").arg(code));
        break;
    }
    return NoVoice;
}

int writeSpeech(const Streams& io, const QString& path, const QString& text, const QString& code)
{
    if (!LocalVoice::HasVoice(code))
        return speechProblem(io, SpeechPlayer::Problem::NoVoice, code);
    const QByteArray wav =
        WavFile::Build(LocalVoice::Synthesize(text, code), LocalVoice::SampleRate());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size() || !file.commit()) {
        complain(io, QStringLiteral("cannot write the speech file \"%1\"").arg(path));
        return FileError;
    }
    return Replied;
}

// Plays the speech and returns when it has been heard.
int speak(const Streams& io, const CliArguments::Options& options, const ServiceSettings& service,
          const QString& text, const QString& code)
{
    SpeechPlayer player;
    SpeechPlayer::Choice choice;
    if (options.voice != QLatin1String("local"))
        choice.onlineRoot = OnlineVoice::Root(service);
    if (options.voice == QLatin1String("online") && choice.onlineRoot.isEmpty()) {
        complain(io, QStringLiteral("the service \"%1\" has no online voice").arg(service.name));
        return NoVoice;
    }
    choice.preferLocal =
        options.voice == QLatin1String("local") || (!options.voice && service.localVoice);
    player.setChoice(choice);
    QEventLoop loop;
    int status = Replied;
    QObject::connect(&player, &SpeechPlayer::finished, &loop, &QEventLoop::quit);
    QObject::connect(&player, &SpeechPlayer::failed, &loop, [&](SpeechPlayer::Problem problem) {
        status = speechProblem(io, problem, code);
        loop.quit();
    });
    const SpeechPlayer::Problem problem = player.speak(text, code);
    if (problem != SpeechPlayer::Problem::None)
        return speechProblem(io, problem, code);
    if (player.speaking())
        loop.exec();
    return status;
}

} // namespace

int TimeoutFromText(const QString& text)
{
    bool ok = false;
    const int ms = text.trimmed().toInt(&ok);
    return ok && ms > 0 ? ms : HttpTransport::kDefaultTimeoutMs;
}

Environment Environment::FromProcess()
{
    Environment env;
    env.settingsPath = SettingsStore::DefaultPath();
    env.apiKey = qEnvironmentVariable("VERBALTO_API_KEY");
    env.timeoutMs = TimeoutFromText(qEnvironmentVariable("VERBALTO_TIMEOUT_MS"));
    env.locale = QLocale::system();
    env.listCacheFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/verbalto";
    return env;
}

int Run(const QStringList& arguments, const Environment& environment, const Streams& io)
{
    const CliArguments::ParseResult parsed = CliArguments::Parse(arguments);
    if (!parsed.ok()) {
        say(io.err, kProgram + QStringLiteral(": ") + parsed.error + u'\n' +
                        QStringLiteral("Try \"%1 --help\" for more information.\n").arg(kProgram));
        return UsageError;
    }
    const CliArguments::Options& options = parsed.options;
    switch (options.action) {
    case CliArguments::Action::Help:
        say(io.out, CliArguments::HelpText());
        return Replied;
    case CliArguments::Action::Version:
        say(io.out, CliArguments::VersionText() + u'\n');
        return Replied;
    case CliArguments::Action::ListLanguages:
        say(io.out, CliArguments::LanguageListText());
        return Replied;
    case CliArguments::Action::ListServices:
        say(io.out, CliArguments::ServiceListText());
        return Replied;
    case CliArguments::Action::Translate:
        break;
    }

    TranslationResult result;
    if (options.inputFile) {
        const FileText file = readInputFile(*options.inputFile);
        if (!file.error.isEmpty()) {
            complain(io, file.error);
            return FileError;
        }
        result.sourceText = file.text;
    } else if (options.hasText()) {
        result.sourceText = options.text();
    } else {
        result.sourceText = readStandardInput(io);
    }

    const SettingsStore store(environment.settingsPath);
    // One request a translation, as curl makes: the service's list is asked once a day.
    ServiceSupport::SetListCacheFolder(environment.listCacheFolder);
    const ServiceSettings service = chooseService(options, store.ReadService(), environment);
    Translation answered;
    answered.service = service.name;
    const OptionsRecord storedOptions = store.ReadOptionsRecord();
    const QString target =
        options.targetCode.value_or(LanguageCatalogue::LanguageCode(storedOptions.targetIndex));
    // Blank text is not sent, as in the window: empty results and success.
    if (ResultsFile::IsNotBlank(result.sourceText)) {
        ServiceRequest request;
        request.text = result.sourceText;
        request.source = options.sourceCode.value_or(QString());
        request.target = target;
        request.host = options.hostCode.value_or(ModLng::HostLanguageCode(storedOptions));
        request.keepRaw = false;

        // The network is not checked first: a service that cannot be reached says so itself.
        answered = ServiceFallback::Translate(service, request, true);
        const ServiceReply& reply = answered.reply;
        switch (reply.failure) {
        case ServiceFailure::Unreachable:
            complain(io, answered.note);
            return NoReply;
        case ServiceFailure::Refused:
            complain(io, answered.note);
            return Refused;
        case ServiceFailure::None:
            break;
        }
        if (!answered.fallbackFrom.isEmpty())
            complain(io, answered.note);
        // The page service counts any reply as one; its error pages are still told.
        if (reply.status < 200 || reply.status > 299)
            complain(io,
                     QStringLiteral("the service answered with HTTP status %1").arg(reply.status));
        result.translation = reply.result.translation;
        result.romanization = reply.result.romanization;
        result.dictionary = reply.result.dictionary;
    }

    FileSave::SaveResult saved;
    if (options.resultsFile) {
        const QString text = ResultsFile::BuildResultsText(
            result.sourceText, result.translation, result.romanization, result.dictionary,
            QDateTime::currentDateTime(), environment.locale);
        saved = ResultsFile::WriteResultsFile(*options.resultsFile, text);
    }

    // The results are printed even when they could not be saved: nothing is lost.
    if (options.json)
        CliOutput::WriteJsonLine(io.out, result, answered.service, answered.reply.detected,
                                 answered.fallbackFrom, answered.reason);
    else
        CliOutput::WritePlainText(io.out, result);
    if (!saved) {
        const char* why = saved == FileSave::SaveResult::DiskFull ? ": the disk is full"
                          : saved == FileSave::SaveResult::ReadOnly
                              ? ": it or its folder is read-only"
                              : "";
        complain(io, QStringLiteral("cannot write the results file \"%1\"%2")
                         .arg(*options.resultsFile, QLatin1String(why)));
        return FileError;
    }
    if (!ResultsFile::IsNotBlank(result.translation))
        return Replied;
    if (options.speakTo) {
        const int status = writeSpeech(io, *options.speakTo, result.translation, target);
        if (status != Replied)
            return status;
    }
    if (options.speak)
        return speak(io, options, service, result.translation, target);
    return Replied;
}

} // namespace CliRun
