// The updater's status line during a download, and the position of its progress bar.
#pragma once

#include <QLocale>
#include <QString>

namespace ProgressText {

// "#0.0 KB" below 1048576 bytes, "#0.00 MB" from there, with the locale's decimal separator.
QString SizeText(qint64 bytes, const QLocale& locale);

// "大小: <size>;  下载:<percent>;  剩余: <remaining>"; maxBytes must not be 0.
QString ProgressLine(qint64 curBytes, qint64 maxBytes, const QLocale& locale);

// curBytes / maxBytes x 100, rounded half to even, kept within 0 to 100.
int BarPosition(qint64 curBytes, qint64 maxBytes);

} // namespace ProgressText
