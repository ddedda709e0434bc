#include "MenuStyle.h"

#include "BBMenu.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace {
// The platform colours the drawing takes from the menu's palette.
QColor MenuColour(const QPalette& p)
{
    return p.color(QPalette::Active, QPalette::Base);
}
QColor MenuText(const QPalette& p)
{
    return p.color(QPalette::Active, QPalette::Text);
}
QColor GreyText(const QPalette& p)
{
    return p.color(QPalette::Disabled, QPalette::Text);
}
} // namespace

MenuStyle::MenuStyle(QObject* parent) : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{
    setParent(parent);
}

QSize MenuStyle::MeasureItem(const QFontMetrics& metrics, const QString& caption,
                             const QString& keyAccel)
{
    int width = metrics.horizontalAdvance(caption) + 36;
    if (!keyAccel.isEmpty())
        width += metrics.horizontalAdvance(keyAccel) + 4;
    return {width, metrics.height() + 6};
}

QSize MenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item || item->menuItemType == QStyleOptionMenuItem::Separator)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    const BBMenu menu = BBMenu::FromText(item->text);
    if (item->menuItemType == QStyleOptionMenuItem::DefaultItem) {
        // The default item is drawn bold; measured plain, its caption would be cut off.
        QFont bold = item->font;
        bold.setBold(true);
        return MeasureItem(QFontMetrics(bold), menu.Caption, menu.KeyAccel);
    }
    return MeasureItem(item->fontMetrics, menu.Caption, menu.KeyAccel);
}

int MenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                           const QWidget* widget) const
{
    switch (metric) {
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return 0;
    case PM_MenuPanelWidth:
        return 1;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

void MenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item || item->menuItemType == QStyleOptionMenuItem::EmptyArea) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        // The platform's own separator line, over the strip so that the strip runs on unbroken.
        painter->fillRect(
            QRect(item->rect.left(), item->rect.top(), StripWidth, item->rect.height()),
            QColor(StripFill));
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QPalette& pal = item->palette;
    const QRect r = item->rect;
    const int left = r.left();
    const int top = r.top();
    const bool enabled = item->state & State_Enabled;
    const bool highlighted = (item->state & State_Selected) && enabled;
    const bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
    const BBMenu menu = BBMenu::FromText(item->text);

    painter->save();
    QColor textColour;
    if (!highlighted) {
        // The strip reaches past the item so that it runs unbroken down the menu.
        painter->fillRect(QRect(left, top - 5, StripWidth, r.height() + 8), QColor(StripFill));
        painter->fillRect(QRect(left + StripWidth, top, r.width() - StripWidth, r.height()),
                          MenuColour(pal));
        textColour = enabled ? MenuText(pal) : QColor(Qt::white);
    } else {
        painter->setPen(QPen(QColor(HighlightBorder), 0));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r.adjusted(0, 0, -1, -1));
        painter->fillRect(r.adjusted(1, 1, -1, -1), QColor(HighlightFill));
        textColour = pal.color(QPalette::Active, QPalette::HighlightedText);
    }

    QFont font = item->font;
    if (item->menuItemType == QStyleOptionMenuItem::DefaultItem)
        font.setBold(true);
    painter->setFont(font);
    const int textFlags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
    const auto drawEngraved = [&](const QRect& box, int flags, const QString& text,
                                  const QColor& first) {
        painter->setPen(first);
        painter->drawText(box, flags, text);
        if (!enabled) {
            painter->setPen(GreyText(pal));
            painter->drawText(box.translated(-1, -1), flags, text);
        }
    };
    if (!menu.KeyAccel.isEmpty())
        drawEngraved(QRect(left, top, r.width(), r.height()), textFlags | Qt::AlignRight,
                     menu.KeyAccel + QStringLiteral("  "), textColour);
    drawEngraved(QRect(left + CaptionX, top, r.width() - CaptionX, r.height()),
                 textFlags | Qt::AlignLeft | Qt::TextShowMnemonic, menu.Caption,
                 enabled ? MenuText(pal) : QColor(Qt::white));

    if (!item->icon.isNull()) {
        if (checked) {
            // Sunken one-pixel edge: shadow above and left, light below and right.
            const QRect frame(left + 2, top, 21, 20);
            painter->setPen(pal.color(QPalette::Active, QPalette::Mid));
            painter->drawLine(frame.topLeft(), frame.topRight());
            painter->drawLine(frame.topLeft(), frame.bottomLeft());
            painter->setPen(pal.color(QPalette::Active, QPalette::Light));
            painter->drawLine(frame.bottomLeft(), frame.bottomRight());
            painter->drawLine(frame.topRight(), frame.bottomRight());
            painter->fillRect(QRect(left + 3, top + 1, 18, 17),
                              highlighted ? pal.color(QPalette::Active, QPalette::Highlight)
                                          : pal.color(QPalette::Active, QPalette::Light));
        }
        const QPixmap pm = item->icon.pixmap(QSize(16, 16), painter->device()->devicePixelRatioF(),
                                             enabled ? QIcon::Normal : QIcon::Disabled);
        painter->drawPixmap(QRect(left + 4, top + 2, 16, 16), pm);
    } else if (checked) {
        QPen pen(enabled ? MenuText(pal) : GreyText(pal), 2);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        painter->setPen(pen);
        const QPoint mark[] = {{left + 7, top + 11}, {left + 11, top + 15}, {left + 18, top + 8}};
        painter->drawPolyline(mark, 3);
    }

    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        QStyleOptionMenuItem arrow = *item;
        arrow.rect = QRect(r.right() - 14, top + (r.height() - 9) / 2, 9, 9);
        arrow.palette.setColor(QPalette::ButtonText, enabled ? MenuText(pal) : GreyText(pal));
        QProxyStyle::drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
    }
    painter->restore();
}
