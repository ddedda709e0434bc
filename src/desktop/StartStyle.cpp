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

QIcon StartStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                               const QWidget* widget) const
{
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
