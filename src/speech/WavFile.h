// RIFF WAVE files of 16-bit PCM, as --speak-to writes them.
#pragma once

#include <QByteArray>

namespace WavFile {

// The whole file for 16-bit little-endian mono samples.
QByteArray Build(const QByteArray& pcm, int sampleRate);

} // namespace WavFile
