// Whole-file text reading and writing in six encodings, with byte-order marks.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

namespace ModUniTxt {

// Text-file encoding code. Any other value is an unknown format.
enum TextFormat : qint32 {
    Detect = -1,
    Ansi = 0, // the locale's encoding
    Utf8 = 1,
    Utf16LE = 2,
    Utf16BE = 3,
    Utf32LE = 4,
    Utf32BE = 5,
};

struct Bom
{
    TextFormat format;
    int length; // bytes of the mark
};

// The format named by the mark at the start of a file; head holds its first bytes (those
// beyond the fourth are ignored, missing ones count as 0).
Bom DetectBom(QByteArrayView head);

// The mark written at the start of a new file of this format (empty for Detect, Ansi and
// unknown codes).
QByteArray BomOfFormat(TextFormat format);

// Files this large or larger are refused unread.
inline constexpr qint64 MaxReadSize = qint64(1) << 31;
// Eight-bit text is read and decoded this many bytes at a time, so the whole file is never held
// beside its text.
inline constexpr qint64 ReadChunk = qint64(1) << 20;

// The whole text of a file. With Format == Detect the format found is stored back. Every
// failure (unknown format, missing or unreadable file, 2 GiB or more, UTF-32) gives "".
// An odd trailing byte of UTF-16 content is dropped.
QString ReadUniText(const QString& path, TextFormat& Format);
// The same for a file name as the file system holds it (any bytes but NUL).
QString ReadUniText(const QByteArray& nativePath, TextFormat& Format);

// Writes Text, replacing the file or appending to it (created when missing). A new or empty
// file gets the mark of its format first. Format == Detect is accepted only when appending:
// the file's own mark decides, or DefaultFormat for an empty file; the result is stored back.
// Returns whether the text was written; UTF-32 text is never written.
bool WriteUniText(const QString& path, const QString& Text, bool Append, TextFormat& Format,
                  TextFormat DefaultFormat);
bool WriteUniText(const QByteArray& nativePath, const QString& Text, bool Append,
                  TextFormat& Format, TextFormat DefaultFormat);

} // namespace ModUniTxt
