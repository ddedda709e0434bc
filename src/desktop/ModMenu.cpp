#include "ModMenu.h"

#include "IcoMod.h"
#include "MenuStyle.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace ModMenu {

namespace {
const char* const kTagProperty = "Tag";

void Hook(QMenu* menu, MenuStyle* style, QList<QMenu*>& seen)
{
    if (!menu || seen.contains(menu))
        return;
    seen << menu;
    menu->setStyle(style);
    for (QAction* action : menu->actions()) {
        bool ok = false;
        const int tag = action->property(kTagProperty).toInt(&ok);
        if (ok && tag > 0)
            action->setIcon(Image7(tag));
        if (QMenu* sub = action->menu())
            Hook(sub, style, seen);
    }
}
} // namespace

QIcon Image7(int n)
{
    if (n < 1 || n > 10)
        return {};
    return IcoMod::PictureIcon(QStringLiteral(":/desktop/Image7-%1.pic").arg(n));
}

void SetMenuTag(QAction* action, int n)
{
    if (action)
        action->setProperty(kTagProperty, n);
}

void BuildOwnerDrawMenus(QWidget* form, QMenuBar* menuBar, const QList<QMenu*>& extraMenus)
{
    if (!form)
        return;
    auto* style = form->findChild<MenuStyle*>(QString(), Qt::FindDirectChildrenOnly);
    if (!style)
        style = new MenuStyle(form);
    QList<QMenu*> seen;
    if (menuBar) {
        for (QAction* title : menuBar->actions())
            Hook(title->menu(), style, seen);
    }
    for (QMenu* menu : extraMenus)
        Hook(menu, style, seen);
}

void RemoveMenuHook(QWidget* form)
{
    if (!form)
        return;
    auto* style = form->findChild<MenuStyle*>(QString(), Qt::FindDirectChildrenOnly);
    if (!style)
        return;
    for (QMenu* menu : form->findChildren<QMenu*>()) {
        if (menu->style() == style)
            menu->setStyle(nullptr);
    }
    // Menus that are not the form's children (a tray menu without a parent) drop it as it goes.
    delete style;
}

} // namespace ModMenu
