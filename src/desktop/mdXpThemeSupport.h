// Themes the main window's command buttons: icon over caption in five looks.
#pragma once

#include <QIcon>
#include <QList>

class QWidget;

namespace mdXpThemeSupport {

// The picture of a command button by its control name ("Command1" Translate, "Command7" Swap,
// "Command6" Back, "Command2" Copy, "Command5" Paste, "Command3" Clear); null for others.
QIcon ButtonPicture(const QString& buttonName);

// Gives every tool button among controls the themed look: icon over caption, 16 x 16 picture
// (its own, else the one its name calls for), hot tracking. Buttons with no picture at all are
// left alone. Run again after captions change; returns true when it went through the list.
bool FixThemeSupport(const QList<QWidget*>& controls, bool layout);

} // namespace mdXpThemeSupport
