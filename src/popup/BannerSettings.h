// The banner player's settings file (offAD.xml and the promotion pages' own) and the player's
// frame arithmetic, as plain logic.
#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <array>
#include <optional>

struct BannerSettings
{
    int speed = 15;                 // frames per second
    std::optional<QPoint> but;      // where the "more" mark sits, from "x,y"
    bool center = false;            // centre the image instead of top-left
    std::array<int, 4> rotundity{}; // corner radii: top-left, top-right, bottom-right, bottom-left
    int style = 0;                  // 0 = sheen sweep; other styles show the image still
    QString imgURL;                 // the image to animate, relative to the page
    QString url;                    // opened on a click

    // Reads a <data> element with one <video> inside; bad numbers keep their defaults.
    // Nothing when the text is not such a file.
    static std::optional<BannerSettings> Parse(const QByteArray& xml);

    // Frame interval in milliseconds (speed clamped to 1..20 frames a second: a banner need not
    // redraw faster, and a laptop pays for every frame).
    int FrameMs() const;
    // Left edge of the sheen band in frame n over an image of the given width.
    static int SheenX(long long frame, int width);
    static constexpr int kSheenWidth = 60;
    // Between two sweeps the banner rests and draws nothing: an open window costs a repaint and
    // an X round trip per frame, all day.
    static constexpr int kSheenRestMs = 15000;
    // Whether frame n is the first after a sweep, the band having just left the image.
    static bool SweepEnds(long long frame, int width);
};
