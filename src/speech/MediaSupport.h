// The web voice's MP3 decoded through GStreamer into samples for Qt's audio output. Qt's own
// media player is never created: without GStreamer's elements it crashed on the first play, and
// with them it played silence to PulseAudio here. The elements are looked up before any use.
#pragma once

#include <QByteArray>
#include <QStringList>

namespace MediaSupport {

// The GStreamer elements that decoding needs and that are not installed. Looked up once a run.
QStringList MissingElements();
inline bool CanDecodeMp3()
{
    return MissingElements().isEmpty();
}

// The sound as 16-bit little-endian mono samples at sampleRate; empty when it cannot be decoded
// (or the elements are missing). Runs on any thread and blocks until it is done.
QByteArray DecodeToPcm(const QByteArray& sound, int sampleRate);

} // namespace MediaSupport
