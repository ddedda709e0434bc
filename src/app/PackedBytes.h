// Bytes kept compressed, packed a piece at a time: a whole reply page kept for a box that is
// seldom read costs a fraction of its size, and packing never holds the window up for long.
#pragma once

#include <QByteArray>
#include <QList>

class PackedBytes final
{
  public:
    explicit PackedBytes(QByteArray bytes) : m_plain(std::move(bytes)) {}

    // Packs the next piece; false once everything is packed.
    bool packMore();
    bool packed() const { return m_plain.isNull(); }
    // The bytes as they were given.
    QByteArray bytes() const;

  private:
    QByteArray m_plain; // as given, until all of it is packed
    qsizetype m_packedUpTo = 0;
    QList<QByteArray> m_pieces;
};
