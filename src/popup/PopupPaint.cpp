#include "PopupPaint.h"

#include <algorithm>
#include <cmath>

namespace PopupPaint {
namespace {

QRgb mix(const QColor& color, double t)
{
    // t = 0 gives white, t = 1 the colour.
    // Rounded half up by hand, as lround would for these positive values: the libm call per
    // pixel row kept its pages in memory for the popup's one paint.
    auto channel = [t](int c) { return static_cast<int>(255.0 + (c - 255.0) * t + 0.5); };
    return qRgb(channel(color.red()), channel(color.green()), channel(color.blue()));
}

} // namespace

QColor ColorFromRgbInt(int rgb)
{
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

QImage TubeGradient(QSize size, const QColor& color)
{
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const int h = size.height();
    const int half = h / 2;
    for (int y = 0; y < h; ++y) {
        double t;
        if (y < half)
            t = 1.0 - static_cast<double>(y) / half;
        else if (h - half > 1)
            t = static_cast<double>(y - half) / (h - 1 - half);
        else
            t = 0.0;
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), size.width(), mix(color, t));
    }
    return image;
}

QImage DiagonalGradient(QSize size, const QColor& color)
{
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const double w = std::max(1, size.width() - 1);
    const double h = std::max(1, size.height() - 1);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = mix(color, std::min(x / w, y / h));
    }
    return image;
}

std::optional<int> AlphaForTransparency(int percent)
{
    const double alpha = std::nearbyint((100.0 - percent) / 100.0 * 255.0); // ties to even
    if (alpha < 0.0 || alpha > 255.0)
        return std::nullopt;
    return static_cast<int>(alpha);
}

} // namespace PopupPaint
