// Where Verbalto writes its embedded updater, and the removal of a leftover copy.
#pragma once

#include <QString>

namespace UpdaterFile {

// The updater's file name in the program folder, and its embedded resource's names.
inline constexpr char16_t kFileName[] = u"patchwell";
inline constexpr char16_t kResourceName[] = u"patchwell";
inline constexpr char16_t kResourceType[] = u"Patchwell";

// programFolder joined with the updater's file name.
QString UpdaterPath(const QString& programFolder);

// Deletes a leftover updater in programFolder; true when none is left afterwards. Start-up
// calls this unless the command line is "UP"; the update check calls it too.
bool RemoveLeftoverUpdater(const QString& programFolder);

// Whether this user may put a new program into the folder (a system-wide install may not).
bool CanUpdateProgram(const QString& programFolder);

} // namespace UpdaterFile
