// Debian's Apertium run by Verbalto itself, for the Apertium service without a server and for
// translating on this computer when an online service cannot answer. One pipeline per language
// pair is started on first use in null-flush mode and kept running, so that later texts take
// milliseconds instead of a cold start each. It opens no network port, and whatever it starts
// ends with the program, also when the program is killed.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace LocalApertium {

// Where the installed pairs' modes are; VERBALTO_APERTIUM_MODES names another folder.
QString ModesFolder();
// The installed pairs as "source|target" in Apertium's codes ("eng|spa", "spa|eng_US").
QStringList Pairs();

struct Outcome
{
    bool ok = false;
    QString text;  // the translation, line breaks as they came
    QString error; // why there is none, in English, for the service's message
};
// Translates text with an installed pair ("eng|spa"). Waits in a local event loop that takes no
// user input. A pipeline that died is started again once.
Outcome Translate(const QString& pair, const QString& text, int timeoutMs);
// Ends every pipeline; runs by itself when the application object goes.
void Shutdown();
// How many pipelines run now (for tests).
int Running();

// Plain text as Apertium's stream format takes it: its reserved characters escaped, line breaks
// and tabs kept apart from the words, and back.
QByteArray Deformat(const QString& text);
QString Reformat(const QByteArray& stream);

} // namespace LocalApertium
