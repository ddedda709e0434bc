#include "mdXpThemeSupport.h"

#include "IcoMod.h"
#include "ThemedButtonStyle.h"

#include <QToolButton>

namespace mdXpThemeSupport {

QIcon ButtonPicture(const QString& buttonName)
{
    static const QStringList known{QStringLiteral("Command1"), QStringLiteral("Command2"),
                                   QStringLiteral("Command3"), QStringLiteral("Command5"),
                                   QStringLiteral("Command6"), QStringLiteral("Command7")};
    if (!known.contains(buttonName))
        return {};
    return IcoMod::PictureIcon(QStringLiteral(":/desktop/%1.pic").arg(buttonName));
}

bool FixThemeSupport(const QList<QWidget*>& controls, bool layout)
{
    for (QWidget* control : controls) {
        auto* button = qobject_cast<QToolButton*>(control);
        if (!button)
            continue;
        if (button->icon().isNull())
            button->setIcon(ButtonPicture(button->objectName()));
        if (button->icon().isNull())
            continue;
        QWidget* owner = button->window();
        auto* style = owner->findChild<ThemedButtonStyle*>(QString(), Qt::FindDirectChildrenOnly);
        if (!style)
            style = new ThemedButtonStyle(owner);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(16, 16));
        button->setAutoRaise(false);
        // Like a push button: a click leaves the focus, and so the defaulted look, on it.
        button->setFocusPolicy(Qt::StrongFocus);
        // Repaint on entering and leaving, so the hot look follows the mouse at once.
        button->setAttribute(Qt::WA_Hover, true);
        if (button->style() != style)
            button->setStyle(style);
        button->update();
    }
    Q_UNUSED(layout)
    return true;
}

} // namespace mdXpThemeSupport
