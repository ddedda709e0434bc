// Draws drop-down and tray menu items flat: a pale icon strip, the caption at x 30, the
// shortcut right-aligned, a blue-bordered highlight, icons, check frames and check marks.
#pragma once

#include <QColor>
#include <QProxyStyle>

class MenuStyle final : public QProxyStyle
{
    Q_OBJECT
  public:
    static constexpr QRgb HighlightBorder = qRgb(49, 106, 197);
    static constexpr QRgb HighlightFill = qRgb(150, 180, 255);
    static constexpr QRgb StripFill = qRgb(236, 233, 216);
    static constexpr int StripWidth = 24;
    static constexpr int CaptionX = 30;

    explicit MenuStyle(QObject* parent);

    // Item size for a caption and shortcut text: text height + 6 by caption width + 36, plus the
    // shortcut's width + 4 when there is one.
    static QSize MeasureItem(const QFontMetrics& metrics, const QString& caption,
                             const QString& keyAccel);

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
};
