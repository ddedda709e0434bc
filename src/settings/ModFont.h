// The font of the four visible text boxes: stored record, font dialog, and applying it.
#pragma once

#include "FileSave.h"
#include "FontRecord.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <functional>
#include <optional>

class FontDialog;
class QWidget;
class SettingsStore;

namespace ModFont {

constexpr double kSmallestSize = 8;
constexpr double kLargestSize = 72;

// Asks the user for a font starting from `initial`; nothing when cancelled.
using FontChooser =
    std::function<std::optional<FontRecord>(QWidget* parent, const FontRecord& initial)>;

// The sizes the dialog lists: 8 to 72 points in half points.
QList<double> OfferedSizes();
// A typed size ("10.5" or "10,5"); nothing when it is not a positive number.
std::optional<double> ParseSize(const QString& text);
// The size pulled into 8-72 and rounded to the nearest half point.
double LimitSize(double size);

// The stored "Font" string, or the default record when the value is missing.
QString ReadFont(const SettingsStore& store);
// The stored record; a malformed one reads as the default record.
FontRecord ReadFontRecord(const SettingsStore& store);
// Stores the record under "Font"; saved, or why the settings file could not be written.
FileSave::SaveResult StoreFont(SettingsStore& store, const FontRecord& record);

QFont ToFont(const FontRecord& record);
// The record of `font`; the character set and colour, which QFont does not carry, come
// from `keep`.
FontRecord FromFont(const QFont& font, const FontRecord& keep);
QColor ToColor(quint32 bgr);
quint32 FromColor(const QColor& colour);

// Gives the record's font to each box (the boxes of the main window minus ReplyBox).
void SetBoxFont(const FontRecord& record, const QList<QWidget*>& boxes);
// Reads the stored record, applies it to the boxes and returns it for the caller to keep.
FontRecord ApplyStoredFont(const SettingsStore& store, const QList<QWidget*>& boxes);

// The font dialog, starting from `initial`; the caller owns it.
FontDialog* CreateFontDialog(QWidget* parent, const FontRecord& initial);
// The default chooser: runs CreateFontDialog modally.
std::optional<FontRecord> RunFontDialog(QWidget* parent, const FontRecord& initial);

// Lets the user choose from `current`; returns the new record, or `current` when cancelled,
// and in both cases hands it to the boxes again. The caller stores the result either way.
FontRecord ChooseTextFont(QWidget* parent, const FontRecord& current, const QList<QWidget*>& boxes,
                          const FontChooser& chooser = RunFontDialog);

} // namespace ModFont
