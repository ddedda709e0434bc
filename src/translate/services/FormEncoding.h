// application/x-www-form-urlencoded UTF-8, as the services post their forms.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace FormEncoding {

// One value encoded (space as "+", only A-Z a-z 0-9 - . _ * kept as they are).
QByteArray Encode(const QString& value);
// The same appended to out, a piece at a time: a long text is never held as UTF-8 as well.
void Append(QByteArray& out, QStringView value);
// The length Encode would give, counted without building it.
qint64 EncodedSize(QStringView value);
// Where the piece of value starting at from ends when text is encoded piecewise: never between
// the halves of a surrogate pair.
qsizetype PieceEnd(QStringView value, qsizetype from);

} // namespace FormEncoding
