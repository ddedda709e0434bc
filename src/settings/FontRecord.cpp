#include "FontRecord.h"

#include <QLocale>
#include <QStringList>
#include <cmath>
#include <optional>

namespace {

std::optional<bool> parseBool(const QString& field)
{
    const QString text = field.trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

std::optional<long long> parseInt(const QString& field, long long lowest, long long highest)
{
    bool ok = false;
    const long long value = field.trimmed().toLongLong(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

// QFont refuses sizes it cannot hold; a few hundred points is already beyond any screen.
constexpr double kLargestSize = 1000;

} // namespace

FontRecord FontRecord::Parse(const QString& text)
{
    const QStringList f = text.split(QLatin1Char('|'));
    if (f.size() < 8)
        return {};
    const QString face = f.at(0).trimmed();
    const auto weight = parseInt(f.at(1), 1, 1000);
    const auto italic = parseBool(f.at(2));
    bool sizeOk = false;
    const double size = f.at(3).trimmed().toDouble(&sizeOk);
    const auto charSet = parseInt(f.at(4), 0, 255);
    const auto underline = parseBool(f.at(5));
    const auto strikeout = parseBool(f.at(6));
    const auto colour = parseInt(f.at(7), 0, 0xFFFFFF);
    if (face.isEmpty() || !weight || !italic || !sizeOk || !std::isfinite(size) || size <= 0 ||
        size > kLargestSize || !charSet || !underline || !strikeout || !colour)
        return {};

    FontRecord r;
    r.faceName = face;
    r.weight = int(*weight);
    r.italic = *italic;
    r.pointSize = size;
    r.charSet = int(*charSet);
    r.underline = *underline;
    r.strikeout = *strikeout;
    r.colour = quint32(*colour);
    return r;
}

QString FontRecord::Format() const
{
    const auto flag = [](bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); };
    // A "|" inside the face name would shift every later field.
    QString face = faceName;
    face.remove(QLatin1Char('|'));
    return QStringList{face,
                       QString::number(weight),
                       flag(italic),
                       QString::number(pointSize, 'f', QLocale::FloatingPointShortest),
                       QString::number(charSet),
                       flag(underline),
                       flag(strikeout),
                       QString::number(colour)}
        .join(QLatin1Char('|'));
}
