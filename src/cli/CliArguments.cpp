// Language codes are checked here, against the catalogue, so that a typo never reaches the
// service as a request that quietly translates into nothing.
#include "CliArguments.h"

#include "LanguageCatalogue.h"
#include "StringTable.h"
#include "TranslationService.h"

namespace CliArguments {
namespace {

const QString kProgram = QStringLiteral("verbalto-cli");
// The interface language whose names --list-languages shows.
const QString kEnglish = QStringLiteral("1");

enum class CodeKind { Source, Target, Host, None };

QString validCodesLine()
{
    return QStringLiteral("Valid codes: ") + LanguageCatalogue::AllCodes().join(QLatin1Char(' '));
}

// Empty when the code is one the service knows for this use.
QString checkCode(const QString& option, const QString& code, CodeKind kind)
{
    if (code.isEmpty() && kind == CodeKind::Source)
        return {};
    if (LanguageCatalogue::PositionOfCode(code) >= 0)
        return {};
    QString message = QStringLiteral("unknown language code \"%1\" for %2").arg(code, option);
    for (const QString& known : LanguageCatalogue::AllCodes()) {
        if (known.compare(code, Qt::CaseInsensitive) == 0) {
            message += QStringLiteral(" (did you mean \"%1\"?)").arg(known);
            break;
        }
    }
    message += QLatin1Char('\n') + validCodesLine();
    if (kind == CodeKind::Source)
        message += QStringLiteral(" (or \"\" to detect the language)");
    return message;
}

struct ValueOption
{
    const char* shortName; // may be null
    const char* longName;  // may be null
    std::optional<QString> Options::*field;
    CodeKind kind; // only for language codes
    bool isCode;
    const char* what = "a file name"; // what an empty value lacks
};

const ValueOption kValueOptions[] = {
    {"-s", "--from", &Options::sourceCode, CodeKind::Source, true},
    {"-t", "--to", &Options::targetCode, CodeKind::Target, true},
    {nullptr, "--hl", &Options::hostCode, CodeKind::Host, true},
    {"-f", nullptr, &Options::inputFile, CodeKind::Source, false},
    {"-o", nullptr, &Options::resultsFile, CodeKind::Source, false},
    {nullptr, "--service", &Options::service, CodeKind::None, false, "a service name"},
    {nullptr, "--service-url", &Options::serviceUrl, CodeKind::None, false, "an address"},
    {nullptr, "--api-key", &Options::apiKey, CodeKind::None, false, "a key"},
    {nullptr, "--speak-to", &Options::speakTo, CodeKind::None, false},
    {nullptr, "--voice", &Options::voice, CodeKind::None, false, "\"local\" or \"online\""},
};

bool named(const QString& arg, const char* name)
{
    return name && arg == QLatin1String(name);
}

} // namespace

ParseResult Parse(const QStringList& arguments)
{
    ParseResult result;
    Options& options = result.options;
    bool optionsEnded = false;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        // A lone "-" is an ordinary word, as is everything after "--".
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            options.words.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.action = Action::Help;
            return result;
        }
        if (arg == QLatin1String("--version")) {
            options.action = Action::Version;
            return result;
        }
        if (arg == QLatin1String("--list-languages")) {
            options.action = Action::ListLanguages;
            return result;
        }
        if (arg == QLatin1String("--list-services")) {
            options.action = Action::ListServices;
            return result;
        }
        if (arg == QLatin1String("--json")) {
            options.json = true;
            continue;
        }
        if (arg == QLatin1String("--no-fallback")) {
            options.noFallback = true;
            continue;
        }
        if (arg == QLatin1String("--speak")) {
            options.speak = true;
            continue;
        }

        const ValueOption* match = nullptr;
        QString name = arg;
        std::optional<QString> value;
        for (const ValueOption& option : kValueOptions) {
            if (named(arg, option.shortName) || named(arg, option.longName)) {
                match = &option;
                break;
            }
            // "--to=fr": only long options take an attached value.
            if (option.longName && arg.startsWith(QLatin1String(option.longName) + u'=')) {
                match = &option;
                name = QLatin1String(option.longName);
                value = arg.mid(name.size() + 1);
                break;
            }
        }
        if (!match) {
            result.error = QStringLiteral("unknown option \"%1\" (put \"--\" before a text "
                                          "that starts with \"-\")")
                               .arg(arg);
            return result;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                result.error = QStringLiteral("option %1 needs a value").arg(arg);
                return result;
            }
            value = arguments.at(++i);
        }
        if (match->isCode) {
            result.error = checkCode(name, *value, match->kind);
            if (!result.ok())
                return result;
        } else if (value->isEmpty()) {
            result.error =
                QStringLiteral("option %1 needs %2").arg(name, QLatin1String(match->what));
            return result;
        } else if (match->field == &Options::service && !TranslationServices::IsKnown(*value)) {
            result.error = QStringLiteral("unknown service \"%1\"\nServices: %2")
                               .arg(*value, TranslationServices::Names().join(u' '));
            return result;
        } else if (match->field == &Options::voice && *value != QLatin1String("local") &&
                   *value != QLatin1String("online")) {
            result.error =
                QStringLiteral("option --voice takes \"local\" or \"online\", not \"%1\"")
                    .arg(*value);
            return result;
        }
        options.*(match->field) = *value;
    }

    if (options.inputFile && options.hasText())
        result.error = QStringLiteral("give either TEXT or -f FILE, not both");
    else if (options.speakTo && options.voice == QLatin1String("online"))
        result.error = QStringLiteral("--speak-to writes the voice on this computer, not the "
                                      "online one");
    return result;
}

QString UsageLine()
{
    return QStringLiteral("Usage: ") + kProgram +
           QStringLiteral(
               " [-s CODE] [-t CODE] [--hl CODE] [--service NAME] [--service-url URL]\n"
               "       [--api-key KEY] [--no-fallback] [-f FILE] [-o RESULTS_FILE] [--json]\n"
               "       [--speak] [--speak-to WAV_FILE] [--voice local|online] [TEXT...]");
}

QString HelpText()
{
    return UsageLine() + QStringLiteral(R"(

Translates TEXT (the words joined by single spaces), the content of FILE, or
else standard input, and prints the translation, its romanization and the
dictionary entries.

Options:
  -s, --from CODE     source language (default: detect it)
  -t, --to CODE       target language (default: the target of the stored
                      options, English on a fresh configuration)
      --hl CODE       language of the service's page (default: the system
                      language of the stored options)
  -f FILE             translate the content of FILE; its encoding is taken
                      from its byte-order mark
  -o RESULTS_FILE     also save the text and its results to RESULTS_FILE,
                      as the Save Results command does (UTF-16)
      --service NAME  the translation service (see --list-services; default:
                      the one chosen in Verbalto's Settings menu, else
                      google-web)
      --service-url URL
                      the service's address (default: its usual one)
      --api-key KEY   the service's API key (VERBALTO_API_KEY serves as well
                      and keeps the key out of the process list)
      --no-fallback   when the service cannot answer, do not translate with
                      Apertium on this computer instead
      --json          print one JSON object on one line with the fields
                      source, translation, romanization, dictionary, service
                      (the one that answered), detected (the detected source
                      code, or ""), fallbackFrom (the chosen service when
                      Apertium answered instead, or "") and fallbackReason
      --speak         speak the translation after printing it: with the online
                      voice where the service has one (google-web and page),
                      else with the voice on this computer (espeak-ng)
      --speak-to WAV_FILE
                      write the translation's speech by the voice on this
                      computer to WAV_FILE (16-bit PCM, mono); no sound
                      device is needed
      --voice local|online
                      the voice --speak uses: the one on this computer, or
                      the online one (when it fails, the local one speaks)
      --list-languages
                      list the language codes with their names
      --list-services list the translation services
  -h, --help          show this help
      --version       show the version

When an online service cannot be reached, times out, limits requests or fails,
and Apertium on this computer has the language pair, it translates instead; a
note on standard error says so. Your text never goes to another online service.
Apertium needs a source language: it cannot detect one.

Standard input is read whole as UTF-8. A text of nothing but spaces is not
sent. The default languages are those stored by Verbalto's Options dialog
(Verbalto/Verbalto.ini in $XDG_CONFIG_HOME, normally ~/.config). The page
service's address is VERBALTO_TRANSLATE_URL when set, else
http://translate.google.com.

Exit status:
  0  a translation arrived (page: any reply arrived), also from Apertium on
     this computer when the chosen service could not answer
  1  the service could not be reached or did not answer in time
  2  the command line is wrong
  3  FILE could not be read, or RESULTS_FILE or WAV_FILE could not be written
  4  the service answered but refused: a language pair it does not offer, the
     key refused, a quota or rate limit, an error it reported
  5  the translation could not be spoken: no voice speaks its language (or
     the service has no online voice for --voice online), or no sound output
     was found for --speak

Examples:
  verbalto-cli -t fr "good morning"
  verbalto-cli --service apertium -s en -t es "Good morning"
  verbalto-cli -s en -t es --speak-to out.wav "Good morning"
)");
}

QString LanguageListText()
{
    QString out;
    for (int p = 0; p < LanguageCatalogue::kCount; ++p) {
        const int text = LanguageCatalogue::kFirstNameText + p;
        out += LanguageCatalogue::LanguageCode(p) + u'\t' +
               StringTable::LoadResString(StringTable::TextId(kEnglish, text)).value_or(QString()) +
               u'\n';
    }
    return out;
}

QString ServiceListText()
{
    QString out;
    for (const QString& name : TranslationServices::Names())
        out += name + u'\t' + TranslationServices::Description(name) + u'\n';
    return out;
}

QString VersionText()
{
    return kProgram + u' ' + QStringLiteral(VERBALTO_VERSION);
}

} // namespace CliArguments
