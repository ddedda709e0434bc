// The popup's background and the colour rules, as plain functions over images.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <optional>

namespace PopupPaint {

// A 24-bit colour given with red in the low byte, green in the middle, blue in the high byte.
QColor ColorFromRgbInt(int rgb);

// Top edge colour, white at half height (height / 2), colour again at the bottom edge.
QImage TubeGradient(QSize size, const QColor& color);

// White at the top-left, top-right and bottom-left corners, the colour at the bottom-right,
// shaded over the two triangles that the diagonal from top-left to bottom-right makes.
QImage DiagonalGradient(QSize size, const QColor& color);

// Opacity 0..255 for a transparency in percent, rounded half to even; none outside 0..255.
std::optional<int> AlphaForTransparency(int percent);

} // namespace PopupPaint
