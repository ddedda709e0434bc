#include "WavFile.h"

#include <QtEndian>

namespace WavFile {
namespace {

void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void put16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

} // namespace

QByteArray Build(const QByteArray& pcm, int sampleRate)
{
    const quint32 size = quint32(pcm.size() & ~qsizetype(1));
    QByteArray out;
    out.reserve(44 + qsizetype(size));
    out.append("RIFF");
    put32(out, 36 + size);
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, quint32(sampleRate));
    put32(out, quint32(sampleRate) * 2);
    put16(out, 2);
    put16(out, 16);
    out.append("data");
    put32(out, size);
    out.append(pcm.constData(), qsizetype(size));
    return out;
}

} // namespace WavFile
