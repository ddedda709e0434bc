// Start-up: the command line and the updater left behind by an update.
#pragma once

#include <QString>
#include <QStringList>

namespace Module1 {

enum class StartMode { Normal, Mini, Up };

// The text after the program path, compared exactly: "mini" or "UP"; anything else is normal.
StartMode ParseCommandLine(const QStringList& arguments);

// Deletes "patchwell" in the program folder unless started with "UP". A file that cannot be
// deleted is left; start-up goes on.
void RemoveLeftoverUpdater(const QString& programFolder, StartMode mode);

} // namespace Module1
