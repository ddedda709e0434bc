// Version texts "major.minor.revision" and their numeric order.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace UpdateVersion {

// The running program's version text, "1.5.18" for this release.
QString CurrentVersion();

// The dot-separated decimal components with leading zeros removed ("01.5" gives "1", "5"), or
// nothing when the text is not such a version (empty, a letter, an empty component).
// Surrounding white space is ignored.
std::optional<QStringList> ParseVersion(const QString& text);

// Numeric order, component by component; a missing component counts as 0, so "1.5" equals
// "1.5.0". Components of any length compare without overflow. Both must parse.
int CompareVersions(const QStringList& a, const QStringList& b);

// Whether announced names a later version than current; false when either does not parse.
bool IsNewer(const QString& announced, const QString& current);

} // namespace UpdateVersion
