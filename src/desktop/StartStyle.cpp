#include "StartStyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>

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

} // namespace

QIcon StartStyle::BalloonIcon(StandardPixmap which)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const auto cross = [&p](const QColor& colour, qreal length, qreal thickness) {
        p.setBrush(colour);
        p.translate(16, 16);
        p.rotate(45);
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
        cross(QColor(64, 64, 64), 22, 3);
        break;
    }
    p.end();
    return QIcon(pixmap);
}

QIcon StartStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                               const QWidget* widget) const
{
    // Only the balloon's close button asks for it.
    if (standardIcon == SP_TitleBarCloseButton)
        return BalloonIcon(standardIcon);
    if (standardIcon != SP_ToolBarHorizontalExtensionButton &&
        standardIcon != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    // Neither the option nor the widget is kept: they live only for this call, and the arrow
    // does not depend on them.
    const QPointer<QStyle> base(baseStyle());
    return QIcon(new LaterIconEngine([base, standardIcon] {
        return base ? base->standardIcon(standardIcon) : QIcon();
    }));
}
