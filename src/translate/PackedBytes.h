// Bytes kept compressed, packed a piece at a time: a whole reply page kept for a box that is
// seldom read costs a fraction of its size, and packing never holds the window up for long.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class PackedBytes final
{
  public:
    PackedBytes() = default;
    explicit PackedBytes(QByteArray bytes) : m_plain(std::move(bytes)) {}
    // A text kept as its UTF-16 code units, so that it comes back exactly, lone surrogates too.
    explicit PackedBytes(const QString& text);

    // Packs the next piece; false once everything is packed.
    bool packMore();
    bool packed() const { return m_plain.isNull(); }
    // The bytes as they were given.
    QByteArray bytes() const;
    // The text as it was given, for one made from a text.
    QString text() const;

  private:
    QString m_text;     // a text's own storage, which m_plain reads until it is packed
    QByteArray m_plain; // as given, until all of it is packed
    qsizetype m_packedUpTo = 0;
    QList<QByteArray> m_pieces;
};
