// The request, the reply extraction and the results file are the window's own code; this file
// only decides where the text comes from and what the user is told.
#include "CliRun.h"

#include "CliArguments.h"
#include "CliOutput.h"
#include "HttpTransport.h"
#include "LanguageCatalogue.h"
#include "ModLng.h"
#include "ModUniTxt.h"
#include "ParseTranslateReply.h"
#include "ResultsFile.h"
#include "ServiceConfig.h"
#include "SettingsStore.h"
#include "TranslateRequest.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
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

QString readStandardInput(const Streams& io)
{
    if (io.inputIsTerminal)
        say(io.err, QStringLiteral("Reading the text from standard input; end it with Ctrl+D.\n"));
    // The decoder drops a leading byte-order mark; invalid bytes become U+FFFD.
    QStringDecoder utf8(QStringConverter::Utf8);
    return utf8.decode(io.in.readAll());
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
    env.serviceBaseUrl = ServiceConfig::TranslateBaseUrl();
    env.timeoutMs = TimeoutFromText(qEnvironmentVariable("VERBALTO_TIMEOUT_MS"));
    env.locale = QLocale::system();
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

    // Blank text is not sent, as in the window: empty results and success.
    if (ResultsFile::IsNotBlank(result.sourceText)) {
        const OptionsRecord stored = SettingsStore(environment.settingsPath).ReadOptionsRecord();
        const QString sl = options.sourceCode.value_or(QString());
        const QString tl =
            options.targetCode.value_or(LanguageCatalogue::LanguageCode(stored.targetIndex));
        const QString hl = options.hostCode.value_or(ModLng::HostLanguageCode(stored));

        const QString url = environment.serviceBaseUrl + QStringLiteral("/translate_t");
        QElapsedTimer clock;
        clock.start();
        const HttpResult reply = PostTranslateRequest(
            environment.serviceBaseUrl, BuildTranslateRequest(result.sourceText, hl, sl, tl),
            environment.timeoutMs);
        if (!reply.ok) {
            // Only a wait about as long as the deadline can have been one (timers may fire a
            // little early).
            const QString why =
                clock.elapsed() >= environment.timeoutMs - environment.timeoutMs / 10
                    ? QStringLiteral("no answer within %1 ms").arg(environment.timeoutMs)
                    : reply.error;
            complain(io, QStringLiteral("no reply from %1: %2").arg(url, why));
            return NoReply;
        }
        const bool success = reply.status >= 200 && reply.status <= 299;
        // A page that broke off (a time-out or a closed connection in the middle of the body)
        // would give a cut translation; error statuses carry an error text of their own.
        if (success && !reply.error.isEmpty()) {
            complain(io, QStringLiteral("the reply from %1 broke off: %2").arg(url, reply.error));
            return NoReply;
        }
        if (!success)
            complain(io,
                     QStringLiteral("the service answered with HTTP status %1").arg(reply.status));
        const TranslationResult page = ParseTranslateReply(QString::fromUtf8(reply.body));
        result.translation = page.translation;
        result.romanization = page.romanization;
        result.dictionary = page.dictionary;
    }

    bool saved = true;
    if (options.resultsFile) {
        const QString text = ResultsFile::BuildResultsText(
            result.sourceText, result.translation, result.romanization, result.dictionary,
            QDateTime::currentDateTime(), environment.locale);
        saved = ResultsFile::WriteResultsFile(*options.resultsFile, text);
    }

    // The results are printed even when they could not be saved: nothing is lost.
    io.out.write(options.json ? CliOutput::JsonLine(result) : CliOutput::PlainText(result));
    if (!saved) {
        complain(io,
                 QStringLiteral("cannot write the results file \"%1\"").arg(*options.resultsFile));
        return FileError;
    }
    return Replied;
}

} // namespace CliRun
