// Puts the flat menu renderer on the main window's drop-down menus and the tray menu, with
// the menu icons chosen by each item's "Tag" property (1-10).
#pragma once

#include <QIcon>
#include <QList>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace ModMenu {

// Menu icon n (1 Open, 2 Save Results, 3 Exit, 4 Options, 5 Online Help, 6 product page,
// 7 About, 8 translation site, 9 Translate, 10 Font); a null icon for any other n.
QIcon Image7(int n);

// Marks an item with icon n, as the menu tags do.
void SetMenuTag(QAction* action, int n);

// Draws every drop-down of the menu bar and each of the extra menus (the hidden tray menu),
// with their submenus, through one renderer owned by form; the bar's titles and separators stay
// as the platform draws them. Items get the icon of their tag. Safe to run again after a
// language change has rewritten the captions.
void BuildOwnerDrawMenus(QWidget* form, QMenuBar* menuBar, const QList<QMenu*>& extraMenus);

// Gives the menus back to the platform's renderer.
void RemoveMenuHook(QWidget* form);

} // namespace ModMenu
