#include "PackedBytes.h"

#include <algorithm>

namespace {

// About 2 ms of compression a piece.
constexpr qsizetype kPiece = 512 * 1024;

} // namespace

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
