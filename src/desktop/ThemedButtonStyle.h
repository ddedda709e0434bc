// Paints a command button as icon over caption in one of five looks: normal, hot, pressed,
// disabled (greyed picture) and defaulted (focus).
#pragma once

#include "ButtonTheme.h"

#include <QColor>
#include <QProxyStyle>

class QStyleOptionToolButton;

class ThemedButtonStyle final : public QProxyStyle
{
    Q_OBJECT
  public:
    explicit ThemedButtonStyle(QObject* parent);

    // The outline colour of each look; the one-pixel edge of the button shows it.
    static QRgb BorderColour(ButtonTheme::PushState state);
    static ButtonTheme::PushState StateOf(const QStyleOptionToolButton& option);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;
    void polish(QWidget* widget) override;
};
