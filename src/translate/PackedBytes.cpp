#include "PackedBytes.h"

#include <algorithm>

namespace {

// About 2 ms of compression a piece.
constexpr qsizetype kPiece = 512 * 1024;

} // namespace

PackedBytes::PackedBytes(const QString& text)
    : m_text(text), m_plain(QByteArray::fromRawData(reinterpret_cast<const char*>(m_text.constData()),
                                                    m_text.size() * qsizetype(sizeof(QChar))))
{
}

bool PackedBytes::packMore()
{
    if (packed())
        return false;
    const qsizetype size = std::min(kPiece, m_plain.size() - m_packedUpTo);
    if (size > 0) {
        // The fastest level: a page of markup still shrinks to a tenth or less.
        m_pieces.append(
            qCompress(reinterpret_cast<const uchar*>(m_plain.constData() + m_packedUpTo), size, 1));
        m_packedUpTo += size;
    }
    if (m_packedUpTo < m_plain.size())
        return true;
    m_plain = QByteArray();
    m_text = QString();
    return false;
}

QByteArray PackedBytes::bytes() const
{
    if (m_pieces.isEmpty())
        return m_plain;
    QByteArray out;
    out.reserve(m_packedUpTo + (packed() ? 0 : m_plain.size() - m_packedUpTo));
    for (const QByteArray& piece : m_pieces)
        out += qUncompress(piece);
    if (!packed())
        out += QByteArrayView(m_plain).sliced(m_packedUpTo);
    return out;
}

QString PackedBytes::text() const
{
    if (m_pieces.isEmpty())
        return m_text;
    // Pieces are of an even length, so none ends inside a code unit.
    QString out;
    out.reserve(m_packedUpTo / 2 + (packed() ? 0 : m_text.size() - m_packedUpTo / 2));
    for (const QByteArray& piece : m_pieces) {
        const QByteArray units = qUncompress(piece);
        out.append(reinterpret_cast<const QChar*>(units.constData()), units.size() / 2);
    }
    if (!packed())
        out.append(QStringView(m_text).sliced(m_packedUpTo / 2));
    return out;
}
