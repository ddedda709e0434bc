// The command line of verbalto-cli: what the user asked for, or why it cannot be done.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace CliArguments {

enum class Action { Translate, Help, Version, ListLanguages, ListServices };

struct Options final
{
    Action action = Action::Translate;
    // Unset options take their defaults later: the source detects, the target and the host
    // language come from the stored options. An empty source code also means detection.
    std::optional<QString> sourceCode;
    std::optional<QString> targetCode;
    std::optional<QString> hostCode;
    std::optional<QString> inputFile;
    std::optional<QString> resultsFile;
    // Unset: the stored [Service] settings, else "google-web".
    std::optional<QString> service;
    std::optional<QString> serviceUrl;
    std::optional<QString> apiKey;
    bool json = false;
    // Off: a service that cannot answer is not replaced by Apertium on this computer.
    bool noFallback = false;
    // Speak the translation after printing it.
    bool speak = false;
    // Write the translation's speech by the local voice to this WAV file.
    std::optional<QString> speakTo;
    // "local" or "online"; unset: online where the service has a voice.
    std::optional<QString> voice;
    QStringList words; // the TEXT arguments, in order

    bool hasText() const { return !words.isEmpty(); }
    // The TEXT arguments joined by single spaces.
    QString text() const { return words.join(QLatin1Char(' ')); }
};

struct ParseResult final
{
    Options options;
    QString error; // empty when the command line is usable

    bool ok() const { return error.isEmpty(); }
};

// Parses the arguments after the program name. Options may stand before or after the TEXT
// words; "--" ends them. --help, --version and --list-languages win over what follows.
ParseResult Parse(const QStringList& arguments);

// The usage synopsis, one line.
QString UsageLine();
// The whole --help text, ending with a line break.
QString HelpText();
// One line per catalogue entry: code, a tab, the English name.
QString LanguageListText();
// One line per translation service: name, a tab, a short description.
QString ServiceListText();
// "verbalto-cli <version>".
QString VersionText();

} // namespace CliArguments
