// Puts the program's icon on a window (and on the window that owns it).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

class QWidget;

namespace IcoMod {

// A PNG of ours, read as a PNG and nothing else: QIcon's and QPixmap's own file loading ask the
// image plugins what the file is, loading each of them and their libraries at start. Null when
// the file is missing or no PNG.
QPixmap Png(const QString& path);
QIcon PngIcon(const QString& path);

// The program icon resource of that name (case-insensitive), at every size we carry.
QIcon LoadIconResource(const QString& name);

void SetWindowIcons(QWidget* window, const QString& resourceName, bool includeOwner);

} // namespace IcoMod
