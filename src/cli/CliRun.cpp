// The request, the reply extraction and the results file are the window's own code; this file
// only decides where the text comes from and what the user is told.
#include "CliRun.h"

#include "CliArguments.h"
#include "CliOutput.h"
#include "HttpTransport.h"
#include "LanguageCatalogue.h"
#include "ModLng.h"
#include "ModUniTxt.h"
#include "ResultsFile.h"
#include "ServiceFallback.h"
#include "SettingsStore.h"
#include "TranslationService.h"
#include "services/ServiceSupport.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
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
    // Blank text is not sent, as in the window: empty results and success.
    if (ResultsFile::IsNotBlank(result.sourceText)) {
        const OptionsRecord stored = store.ReadOptionsRecord();
        ServiceRequest request;
        request.text = result.sourceText;
        request.source = options.sourceCode.value_or(QString());
        request.target =
            options.targetCode.value_or(LanguageCatalogue::LanguageCode(stored.targetIndex));
        request.host = options.hostCode.value_or(ModLng::HostLanguageCode(stored));
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

    bool saved = true;
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
        complain(io,
                 QStringLiteral("cannot write the results file \"%1\"").arg(*options.resultsFile));
        return FileError;
    }
    return Replied;
}

} // namespace CliRun
