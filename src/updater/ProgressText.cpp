#include "ProgressText.h"

#include <cmath>

namespace ProgressText {
namespace {

constexpr qint64 kMegabyte = 1048576;

QString number(double value, int decimals, QLocale locale)
{
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

} // namespace

QString SizeText(qint64 bytes, const QLocale& locale)
{
    if (bytes < kMegabyte)
        return number(static_cast<double>(bytes) / 1024.0, 1, locale) + u" KB";
    return number(static_cast<double>(bytes) / static_cast<double>(kMegabyte), 2, locale) + u" MB";
}

QString ProgressLine(qint64 curBytes, qint64 maxBytes, const QLocale& locale)
{
    const double fraction = static_cast<double>(curBytes) / static_cast<double>(maxBytes);
    const QString percent = number(fraction * 100.0, 0, locale) + u'%';
    return u"大小: " + SizeText(maxBytes, locale) + u";  下载:" + percent + u";  " + u"剩余: " +
           SizeText(maxBytes - curBytes, locale);
}

int BarPosition(qint64 curBytes, qint64 maxBytes)
{
    if (maxBytes == 0)
        return 0;
    // nearbyint rounds halves to the even number in the default rounding mode.
    const double position =
        std::nearbyint(static_cast<double>(curBytes) / static_cast<double>(maxBytes) * 100.0);
    return static_cast<int>(std::clamp(position, 0.0, 100.0));
}

} // namespace ProgressText
