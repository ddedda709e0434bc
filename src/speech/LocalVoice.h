// The voice on this computer: espeak-ng through its library, synthesising into memory.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>

namespace LocalVoice {

// espeak-ng's language for a catalogue code ("zh-CN" -> "cmn"), or "" when none is mapped.
QString VoiceName(const QString& code);
// Whether the installed espeak-ng speaks that catalogue code.
bool HasVoice(const QString& code);
// Samples per second of what Synthesize returns (0 when espeak-ng cannot start).
int SampleRate();

// The text spoken as 16-bit little-endian mono PCM at SampleRate(); empty without a voice.
// Setting cancel stops it early. Safe to call from any thread: calls take turns.
QByteArray Synthesize(const QString& text, const QString& code,
                      const std::atomic<bool>* cancel = nullptr);

// The text in pieces spoken one after another, so that the first sound does not wait for the
// whole text: short pieces first, cut at sentence ends and spaces.
QStringList Sentences(const QString& text);

} // namespace LocalVoice
