#include "BannerSettings.h"

#include <QStringList>
#include <QXmlStreamReader>
#include <algorithm>

namespace {

std::optional<int> toInt(QStringView text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

} // namespace

std::optional<BannerSettings> BannerSettings::Parse(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    BannerSettings s;
    bool sawData = false;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto attrs = reader.attributes();
        if (reader.name() == QLatin1String("data")) {
            sawData = true;
            if (const auto v = toInt(attrs.value(QLatin1String("speed"))); v && *v > 0)
                s.speed = *v;
            const QStringList but = attrs.value(QLatin1String("but")).toString().split(u',');
            if (but.size() == 2) {
                const auto x = toInt(but.at(0));
                const auto y = toInt(but.at(1));
                if (x && y)
                    s.but = QPoint(*x, *y);
            }
            if (const auto v = toInt(attrs.value(QLatin1String("center"))))
                s.center = *v != 0;
            const QStringList round =
                attrs.value(QLatin1String("rotundity")).toString().split(u',');
            if (round.size() == 4) {
                for (int i = 0; i < 4; ++i)
                    s.rotundity[i] = std::clamp(toInt(round.at(i)).value_or(0), 0, 30);
            }
            if (const auto v = toInt(attrs.value(QLatin1String("style"))))
                s.style = *v;
        } else if (reader.name() == QLatin1String("video") && sawData && s.imgURL.isEmpty()) {
            s.imgURL = attrs.value(QLatin1String("imgURL")).toString().trimmed();
            s.url = attrs.value(QLatin1String("url")).toString().trimmed();
        }
    }
    if (reader.hasError() || !sawData)
        return std::nullopt;
    return s;
}

int BannerSettings::FrameMs() const
{
    return 1000 / std::clamp(speed, 1, 20);
}

bool BannerSettings::SweepEnds(long long frame, int width)
{
    const auto off = [width](long long n) {
        const int x = SheenX(n, width);
        return x + kSheenWidth <= 0 || x >= width;
    };
    return frame > 0 && off(frame) && !off(frame - 1);
}

int BannerSettings::SheenX(long long frame, int width)
{
    // The band enters from the left, crosses the image and leaves before it starts again.
    constexpr int kPixelsPerFrame = 12;
    const long long span = static_cast<long long>(std::max(width, 0)) + 2 * kSheenWidth;
    const long long pos = (std::max(frame, 0LL) * kPixelsPerFrame) % span;
    return static_cast<int>(pos) - kSheenWidth;
}
