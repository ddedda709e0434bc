// The saved results file: the original and every result in one fixed layout.
#pragma once

#include "FileSave.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace ResultsFile {

// True when the text holds something besides spaces (U+0020) at its ends.
bool IsNotBlank(const QString& text);

// The whole file text: a dated header, the original and the translation always, the
// romanization and the dictionary only when not blank. Line breaks are CR LF throughout and
// the text ends with one. The date and time use the locale's short date and long time formats.
QString BuildResultsText(const QString& original, const QString& translation,
                         const QString& romanization, const QString& dictionary,
                         const QDateTime& when, const QLocale& locale);

// Writes text as UTF-16 big-endian with its mark, replacing any file of that name. Saved, or
// why not.
FileSave::SaveResult WriteResultsFile(const QString& path, const QString& text);

} // namespace ResultsFile
