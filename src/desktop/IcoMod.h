// Puts the program's icon on a window (and on the window that owns it).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

class QWidget;

namespace IcoMod {

// A picture of ours (NAME.pic): the raster engine's own pixels, unpacked from the PNG at build
// time. A start copies them, where reading a PNG inflated it, and QIcon's and QPixmap's own file
// loading would load every image plugin and its libraries to ask what the file is. Null when the
// file is missing or not such a picture.
QPixmap Picture(const QString& path);
QIcon PictureIcon(const QString& path);

// The program icon resource of that name (case-insensitive), at every size we carry.
QIcon LoadIconResource(const QString& name);

void SetWindowIcons(QWidget* window, const QString& resourceName, bool includeOwner);

} // namespace IcoMod
