#include "ModFont.h"

#include "FontDialog.h"
#include "SettingsStore.h"

#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace ModFont {

QString ReadFont(const SettingsStore& store)
{
    return store.GetSetting(SettingsStore::kFontKey, FontRecord::kDefault);
}

FontRecord ReadFontRecord(const SettingsStore& store)
{
    return FontRecord::Parse(ReadFont(store));
}

FileSave::SaveResult StoreFont(SettingsStore& store, const FontRecord& record)
{
    return store.SaveSetting(SettingsStore::kFontKey, record.Format());
}

QFont ToFont(const FontRecord& record)
{
    QFont font(record.faceName);
    font.setWeight(QFont::Weight(std::clamp(record.weight, 1, 1000)));
    font.setItalic(record.italic);
    font.setPointSizeF(record.pointSize);
    font.setUnderline(record.underline);
    font.setStrikeOut(record.strikeout);
    return font;
}

FontRecord FromFont(const QFont& font, const FontRecord& keep)
{
    FontRecord record = keep;
    record.faceName = font.family();
    record.weight = int(font.weight());
    record.italic = font.italic();
    // A pixel-sized font has no point size; keep the one we had rather than store -1.
    if (font.pointSizeF() > 0)
        record.pointSize = font.pointSizeF();
    record.underline = font.underline();
    record.strikeout = font.strikeOut();
    return record;
}

QColor ToColor(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

quint32 FromColor(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}

void SetBoxFont(const FontRecord& record, const QList<QWidget*>& boxes)
{
    const QFont font = ToFont(record);
    for (QWidget* box : boxes) {
        if (box)
            box->setFont(font);
    }
}

FontRecord ApplyStoredFont(const SettingsStore& store, const QList<QWidget*>& boxes)
{
    const FontRecord record = ReadFontRecord(store);
    SetBoxFont(record, boxes);
    return record;
}

QList<double> OfferedSizes()
{
    QList<double> sizes;
    for (double size = kSmallestSize; size <= kLargestSize; size += 0.5)
        sizes.append(size);
    return sizes;
}

std::optional<double> ParseSize(const QString& text)
{
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double size = number.toDouble(&ok);
    if (!ok || !std::isfinite(size) || size <= 0)
        return std::nullopt;
    return size;
}

double LimitSize(double size)
{
    return std::round(std::clamp(size, kSmallestSize, kLargestSize) * 2) / 2;
}

FontDialog* CreateFontDialog(QWidget* parent, const FontRecord& initial)
{
    return new FontDialog(initial, parent);
}

std::optional<FontRecord> RunFontDialog(QWidget* parent, const FontRecord& initial)
{
    // The parent may go away while the dialog runs and take the dialog with it.
    QPointer<FontDialog> dialog = CreateFontDialog(parent, initial);
    const int result = dialog->exec();
    std::optional<FontRecord> chosen;
    if (dialog && result == QDialog::Accepted)
        chosen = dialog->record();
    delete dialog.data();
    return chosen;
}

FontRecord ChooseTextFont(QWidget* parent, const FontRecord& current, const QList<QWidget*>& boxes,
                          const FontChooser& chooser)
{
    FontRecord record = current;
    if (chooser) {
        if (const std::optional<FontRecord> chosen = chooser(parent, current))
            record = *chosen;
    }
    SetBoxFont(record, boxes);
    return record;
}

} // namespace ModFont
