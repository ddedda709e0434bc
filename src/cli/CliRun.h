// One run of verbalto-cli: reads the text, asks the service once, prints and saves the results.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

class QIODevice;

namespace CliRun {

// The exit statuses other people's scripts rely on.
enum ExitStatus : int {
    Replied = 0,    // a translation arrived (page: any reply), or nothing had to be sent
    NoReply = 1,    // the service could not be reached or timed out
    UsageError = 2, // the command line is wrong
    FileError = 3,  // FILE could not be read or RESULTS_FILE could not be written
    Refused = 4,    // the service answered but would not translate
    NoVoice = 5,    // the translation could not be spoken
};

struct Environment final
{
    QString settingsPath; // the settings file holding the stored options and service
    QString apiKey;       // VERBALTO_API_KEY
    int timeoutMs = 0;
    QLocale locale;          // date and time formats of the results file
    QString listCacheFolder; // where language lists are kept for a day; empty keeps none

    // The user's settings file, VERBALTO_API_KEY, VERBALTO_TIMEOUT_MS and
    // $XDG_CACHE_HOME/verbalto.
    static Environment FromProcess();
};

// The time-out a VERBALTO_TIMEOUT_MS value asks for; anything but a positive number of
// milliseconds gives the transport's default.
int TimeoutFromText(const QString& text);

struct Streams final
{
    QIODevice& in;
    QIODevice& out;
    QIODevice& err;
    bool inputIsTerminal = false; // then a hint says that standard input is being read
};

// Runs the command line (without the program name) and returns the exit status.
int Run(const QStringList& arguments, const Environment& environment, const Streams& io);

} // namespace CliRun
