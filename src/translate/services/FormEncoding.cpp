#include "FormEncoding.h"

namespace FormEncoding {

namespace {

constexpr qsizetype kPiece = 1 << 15;

bool keptAsIs(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '*';
}

void appendUtf8(QByteArray& out, const QByteArray& utf8)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    qsizetype at = out.size();
    out.resize(at + utf8.size() * 3);
    char* dst = out.data();
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (keptAsIs(c)) {
            dst[at++] = char(c);
        } else if (c == ' ') {
            dst[at++] = '+';
        } else {
            dst[at++] = '%';
            dst[at++] = hex[c >> 4];
            dst[at++] = hex[c & 0xF];
        }
    }
    out.truncate(at);
}

} // namespace

qsizetype PieceEnd(QStringView value, qsizetype from)
{
    qsizetype end = qMin(value.size(), from + kPiece);
    if (end < value.size() && value.at(end - 1).isHighSurrogate())
        --end;
    return end;
}

void Append(QByteArray& out, QStringView value)
{
    for (qsizetype at = 0, end; at < value.size(); at = end) {
        end = PieceEnd(value, at);
        appendUtf8(out, value.sliced(at, end - at).toUtf8());
    }
}

qint64 EncodedSize(QStringView value)
{
    qint64 size = 0;
    for (qsizetype at = 0, end; at < value.size(); at = end) {
        end = PieceEnd(value, at);
        for (const char ch : value.sliced(at, end - at).toUtf8())
            size += keptAsIs(static_cast<unsigned char>(ch)) || ch == ' ' ? 1 : 3;
    }
    return size;
}

QByteArray Encode(const QString& value)
{
    QByteArray out;
    out.reserve(value.size());
    Append(out, value);
    return out;
}

} // namespace FormEncoding
