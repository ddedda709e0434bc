// The folder for working files, and how file names are joined onto it.
#pragma once

#include <QString>

namespace GetSysPath {

// A private per-user folder (mode 0700, owned by the user, not a symlink):
// $XDG_RUNTIME_DIR/verbalto/ when that runtime folder is a real directory of the user's with
// mode 0700, else <temp>/verbalto-<uid>/, each ending in "/".
// When neither is safe, the program's folder (no trailing "/"). Computed on every call.
QString GetTempFolder();

// folder + name, with one "/" between them unless the folder already ends in one.
QString JoinPath(const QString& folder, const QString& name);

// Whether path is a directory of ours that only we can use, creating it (0700) when missing.
bool EnsurePrivateFolder(const QString& path);

} // namespace GetSysPath
