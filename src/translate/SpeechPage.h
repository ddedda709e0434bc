// The small speech pages written next to the source text and the translation.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

namespace SpeechPage {

// The text with every "&" written as "%26": what the speech rules count and speak.
QString EscapeAmpersands(const QString& text);

// The text as a page holds it, so that it reads back exactly: a "%" that would read as an
// escape becomes "%25", and with ampersands (the source's page) every "&" becomes "%26".
QString EscapeForPage(const QString& text, bool ampersands);
// UTF-16 units below 0x80 pass unchanged; everything else becomes %XX of its UTF-8 bytes.
QString EncodeForUrl(const QString& text);

// The page: one ASCII line ended by CR LF. serviceRoot is the service's base URL.
QByteArray BuildSpeechPageText(const QString& text, const QString& languageCode,
                               const QString& serviceRoot);

// "soun(0).tmp" for the translation (index 0), "soun(1).tmp" for the source text (index 1).
QString PageFileName(int index);

// Writes (or, for a language without speech, deletes) the page file of that index in folder.
// Returns whether a page now stands there; nothing when the file could not be written.
std::optional<bool> WritePage(const QString& folder, int index, const QString& text,
                              const QString& languageCode, const QString& serviceRoot);

struct Sound
{
    QString text; // what to say, as the user wrote it
    QString languageCode;
};
// Reads the sound name back out of a page (what the page's player would ask the service for).
std::optional<Sound> ParsePage(const QByteArray& page);
// translate_tts?q=...&tl=... under the service's base URL.
QUrl SoundUrl(const QString& serviceRoot, const Sound& sound);

} // namespace SpeechPage
