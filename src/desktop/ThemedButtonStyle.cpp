#include "ThemedButtonStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOptionToolButton>
#include <QWidget>

#include <algorithm>

using ButtonTheme::PushState;

namespace {
struct Look
{
    QRgb border;
    QRgb top;
    QRgb bottom;
};

Look LookOf(PushState state)
{
    switch (state) {
    case PushState::Hot:
        return {qRgb(60, 127, 177), qRgb(234, 246, 253), qRgb(190, 228, 250)};
    case PushState::Pressed:
        return {qRgb(44, 98, 139), qRgb(196, 229, 246), qRgb(146, 204, 235)};
    case PushState::Disabled:
        return {qRgb(173, 178, 181), qRgb(244, 244, 244), qRgb(244, 244, 244)};
    case PushState::Defaulted:
        return {qRgb(51, 153, 255), qRgb(252, 252, 252), qRgb(226, 226, 226)};
    case PushState::Normal:
        break;
    }
    return {qRgb(112, 112, 112), qRgb(252, 252, 252), qRgb(226, 226, 226)};
}
} // namespace

ThemedButtonStyle::ThemedButtonStyle(QObject* parent)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{
    setParent(parent);
}

QRgb ThemedButtonStyle::BorderColour(PushState state)
{
    return LookOf(state).border;
}

PushState ThemedButtonStyle::StateOf(const QStyleOptionToolButton& option)
{
    ButtonTheme::ButtonStatus status;
    status.enabled = option.state & State_Enabled;
    status.hot = option.state & State_MouseOver;
    status.pushed = option.state & State_Sunken;
    status.focused = option.state & State_HasFocus;
    status.value = option.state & State_On;
    return ButtonTheme::ChooseState(status);
}

void ThemedButtonStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    widget->setAttribute(Qt::WA_Hover, true);
}

void ThemedButtonStyle::drawComplexControl(ComplexControl control,
                                           const QStyleOptionComplex* option, QPainter* painter,
                                           const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(option);
    if (control != CC_ToolButton || !button) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const PushState state = StateOf(*button);
    const Look look = LookOf(state);
    const QRect r = button->rect;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    // The top-to-bottom blend row by row, in plain colours: a gradient brush keeps a colour table
    // of 12 KB per look in the paint engine's cache for the rest of the day.
    const QRect face = r.adjusted(1, 1, -1, -1);
    const QColor top(look.top), bottom(look.bottom);
    const int span = std::max(1, r.height() - 1);
    for (int y = face.top(); y <= face.bottom(); ++y) {
        const int t = y - r.top(); // as the gradient ran from the button's top edge to its bottom
        const auto mix = [t, span](int a, int b) {
            return a + ((b - a) * t * 2 + span) / (2 * span);
        };
        painter->fillRect(QRect(face.left(), y, face.width(), 1),
                          QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()),
                                 mix(top.blue(), bottom.blue())));
    }
    painter->setPen(QColor(look.border));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(r.adjusted(0, 0, -1, -1));
    if (state == PushState::Defaulted) {
        // A second, inner ring marks the button that Enter and Space act on.
        painter->setPen(QColor(look.border).lighter(130));
        painter->drawRect(r.adjusted(1, 1, -2, -2));
    }

    const QRect content = r.adjusted(3, 3, -3, -3);
    if (button->state & State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(*button);
        focus.rect = content.adjusted(-1, -1, 1, 1);
        focus.backgroundColor = QColor(look.bottom);
        QProxyStyle::drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
    }

    const bool enabled = state != PushState::Disabled;
    QRect pictureArea = content;
    if (!button->text.isEmpty()) {
        const int flags =
            Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap | Qt::TextShowMnemonic;
        const QRect textBox = button->fontMetrics.boundingRect(content, flags, button->text);
        painter->setFont(button->font);
        painter->setPen(enabled ? button->palette.color(QPalette::Active, QPalette::ButtonText)
                                : button->palette.color(QPalette::Disabled, QPalette::ButtonText));
        if (button->icon.isNull()) {
            // Without a picture the caption sits in the middle, a little low.
            painter->drawText(content.translated(0, 2),
                              Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                              button->text);
        } else {
            painter->drawText(content, flags, button->text);
            pictureArea.setBottom(content.bottom() - textBox.height());
        }
    }
    if (!button->icon.isNull()) {
        const QSize size = button->iconSize.isValid() ? button->iconSize : QSize(16, 16);
        const QPixmap pm = button->icon.pixmap(size, painter->device()->devicePixelRatioF(),
                                               enabled ? QIcon::Normal : QIcon::Disabled);
        const QRect target(QPoint(pictureArea.center().x() - size.width() / 2 + 1,
                                  pictureArea.center().y() - size.height() / 2 + 1),
                           size);
        painter->drawPixmap(target, pm);
    }
    painter->restore();
}
