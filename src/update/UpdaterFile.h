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

// Ends every updater Verbalto writes for a hand-over. A program ignores bytes after its
// last segment, and the mark tells such a leftover from a patchwell installed beside Verbalto.
inline constexpr char kLeftoverMark[] = "\nverbalto-leftover-updater\n";

// Writes the embedded updater (with the mark) to path, executable; false on failure.
bool WriteUpdater(const QString& path);
// Makes path an updater ready to start: a patchwell there without the mark (installed with
// Verbalto) is used as it is and never written over; otherwise the embedded one is written.
// False when there is none to start.
bool PrepareUpdater(const QString& path);

// Deletes a leftover updater in programFolder; true when none of ours is left afterwards. A
// patchwell without the mark (an installed one) is never touched. Start-up calls this unless
// the command line is "UP"; the update check calls it too.
bool RemoveLeftoverUpdater(const QString& programFolder);
// Whether the file at path is an updater Verbalto wrote.
bool IsLeftoverUpdater(const QString& path);

// Whether this user may put a new program into the folder (a system-wide install may not).
bool CanUpdateProgram(const QString& programFolder);

} // namespace UpdaterFile
