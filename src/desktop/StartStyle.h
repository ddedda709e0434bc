// The application's style: the desktop's own, except that the pictures a widget asks for when it
// is built are looked up only when first drawn, and the notification balloon's are drawn. The
// menu bar's overflow button asks for its arrow at once, and loading it makes Qt ask every image
// plugin what the file is, at start.
#pragma once

#include <QPainterPath>
#include <QProxyStyle>

class StartStyle final : public QProxyStyle
{
    Q_OBJECT
  public:
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;

    // Fusion's check mark, drawn as a shape: Fusion strokes it, and the stroker measures the
    // corner with atan2, whose code and tables in libm would then stay mapped for two boxes.
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    // The mark inside a check box's square.
    static QPainterPath CheckMark(const QRectF& box);

    // The tray balloon's pictures of the message kinds, drawn: the style's own are files, and
    // Qt's reader first gathers the description of every image plugin, which then stays in
    // memory all day. Null for any other picture.
    static QIcon BalloonIcon(StandardPixmap which);
};
