// Puts the program's icon on a window (and on the window that owns it).
#pragma once

#include <QIcon>
#include <QString>

class QWidget;

namespace IcoMod {

// The program icon resource of that name (case-insensitive), at every size we carry.
QIcon LoadIconResource(const QString& name);

void SetWindowIcons(QWidget* window, const QString& resourceName, bool includeOwner);

} // namespace IcoMod
