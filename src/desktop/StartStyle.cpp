#include "StartStyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionButton>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// An icon made on its first use.
class LaterIconEngine final : public QIconEngine
{
  public:
    explicit LaterIconEngine(std::function<QIcon()> make) : m_make(std::move(make)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QIconEngine* clone() const override { return new LaterIconEngine(*this); }

  private:
    const QIcon& icon()
    {
        if (m_make) {
            m_icon = m_make();
            m_make = nullptr;
        }
        return m_icon;
    }

    std::function<QIcon()> m_make;
    QIcon m_icon;
};

// A band of the given half width along a segment, turning the same way as every other.
QPolygonF band(QPointF from, QPointF to, qreal half)
{
    const QPointF along = to - from;
    const qreal length = std::sqrt(QPointF::dotProduct(along, along));
    if (length <= 0)
        return {};
    const QPointF unit = along / length * half;
    const QPointF normal(-unit.y(), unit.x());
    // Square ends, as a pen's: each arm runs on by half its width.
    from -= unit;
    to += unit;
    return QPolygonF({from + normal, to + normal, to - normal, from - normal});
}

} // namespace

QPainterPath StartStyle::CheckMark(const QRectF& box)
{
    const qreal side = std::min(box.width(), box.height());
    const QPointF at = box.topLeft();
    const qreal half = std::clamp(side * 0.08, 0.75, 2.0);
    const QPointF start = at + QPointF(side * 0.24, side * 0.50);
    const QPointF corner = at + QPointF(side * 0.42, side * 0.70);
    const QPointF end = at + QPointF(side * 0.76, side * 0.28);
    QPainterPath mark;
    mark.setFillRule(Qt::WindingFill);
    mark.addPolygon(band(start, corner, half));
    mark.closeSubpath();
    mark.addPolygon(band(corner, end, half));
    mark.closeSubpath();
    return mark;
}

void StartStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element != PE_IndicatorCheckBox || !button || !(button->state & State_On) ||
        baseStyle()->name().compare(u"fusion", Qt::CaseInsensitive) != 0) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    QStyleOptionButton empty = *button;
    empty.state = (empty.state & ~State_On) | State_Off;
    QProxyStyle::drawPrimitive(element, &empty, painter, widget);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(option->palette.text().color().darker(120));
    painter->drawPath(CheckMark(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5)));
    painter->restore();
}

QIcon StartStyle::BalloonIcon(StandardPixmap which)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const auto cross = [&p](const QColor& colour, qreal length, qreal thickness) {
        p.setBrush(colour);
        // A quarter turn's half, written out: rotate() asks libm's sincos, whose code and
        // tables would then stay mapped for one picture.
        constexpr qreal kHalfRoot2 = 0.70710678118654752440;
        p.setTransform(QTransform(kHalfRoot2, kHalfRoot2, -kHalfRoot2, kHalfRoot2, 16, 16), true);
        p.drawRect(QRectF(-length / 2, -thickness / 2, length, thickness));
        p.drawRect(QRectF(-thickness / 2, -length / 2, thickness, length));
    };
    switch (which) {
    case QStyle::SP_MessageBoxInformation:
        p.setBrush(QColor(31, 111, 209));
        p.drawEllipse(QRectF(1, 1, 30, 30));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 9), 2.5, 2.5);
        p.drawRect(QRectF(14, 13, 4, 12));
        break;
    case QStyle::SP_MessageBoxWarning:
        p.setBrush(QColor(242, 194, 0));
        p.drawPolygon(QPolygonF({QPointF(16, 2), QPointF(31, 29), QPointF(1, 29)}));
        p.setBrush(Qt::black);
        p.drawRect(QRectF(14.5, 10, 3, 11));
        p.drawEllipse(QPointF(16, 25), 2, 2);
        break;
    case QStyle::SP_MessageBoxCritical:
        p.setBrush(QColor(211, 47, 47));
        p.drawEllipse(QRectF(1, 1, 30, 30));
        cross(Qt::white, 18, 4);
        break;
    default:
        return {};
    }
    p.end();
    return QIcon(pixmap);
}

QIcon StartStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                               const QWidget* widget) const
{
    if (standardIcon != SP_ToolBarHorizontalExtensionButton &&
        standardIcon != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    // Neither the option nor the widget is kept: they live only for this call, and the arrow
    // does not depend on them.
    const QPointer<QStyle> base(baseStyle());
    return QIcon(new LaterIconEngine(
        [base, standardIcon] { return base ? base->standardIcon(standardIcon) : QIcon(); }));
}
