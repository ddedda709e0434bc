#include "ModFont.h"

#include "SettingsStore.h"

#include <QFontDialog>
#include <QPointer>
#include <QWidget>
#include <algorithm>

namespace ModFont {

QString ReadFont(const SettingsStore& store)
{
    return store.GetSetting(SettingsStore::kFontKey, FontRecord::kDefault);
}

FontRecord ReadFontRecord(const SettingsStore& store)
{
    return FontRecord::Parse(ReadFont(store));
}

bool StoreFont(SettingsStore& store, const FontRecord& record)
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

QFontDialog* CreateFontDialog(QWidget* parent, const QFont& initial)
{
    auto* dialog = new QFontDialog(parent);
    // The native dialog would ignore the size limit below.
    dialog->setOption(QFontDialog::DontUseNativeDialog);
    dialog->setCurrentFont(initial);
    // The dialog has no size range of its own: pull any size outside 8-72 back to the limit.
    QObject::connect(dialog, &QFontDialog::currentFontChanged, dialog, [dialog](const QFont& font) {
        const double size = font.pointSizeF();
        if (size <= 0)
            return;
        const double limited = std::clamp(size, kSmallestSize, kLargestSize);
        if (limited == size)
            return;
        QFont fixed = font;
        fixed.setPointSizeF(limited);
        dialog->setCurrentFont(fixed);
    });
    QFont start = initial;
    if (start.pointSizeF() > 0)
        start.setPointSizeF(std::clamp(start.pointSizeF(), kSmallestSize, kLargestSize));
    dialog->setCurrentFont(start);
    return dialog;
}

std::optional<QFont> RunFontDialog(QWidget* parent, const QFont& initial)
{
    // The parent may go away while the dialog runs and take the dialog with it.
    QPointer<QFontDialog> dialog = CreateFontDialog(parent, initial);
    const int result = dialog->exec();
    std::optional<QFont> chosen;
    if (dialog && result == QDialog::Accepted) {
        chosen = dialog->selectedFont();
        if (chosen->pointSizeF() > 0)
            chosen->setPointSizeF(std::clamp(chosen->pointSizeF(), kSmallestSize, kLargestSize));
    }
    delete dialog.data();
    return chosen;
}

FontRecord ChooseTextFont(QWidget* parent, const FontRecord& current, const QList<QWidget*>& boxes,
                          const FontChooser& chooser)
{
    FontRecord record = current;
    if (chooser) {
        if (const std::optional<QFont> chosen = chooser(parent, ToFont(current)))
            record = FromFont(*chosen, current);
    }
    SetBoxFont(record, boxes);
    return record;
}

} // namespace ModFont
