// Our built-in offline banner: four files carried as resources of type "AD" and written into
// the working folder when missing. The names written agree in case with the names the files use.
#pragma once

#include <QString>
#include <QStringList>

namespace OfflineBanner {

// In writing order: the banner image, the player, the player's settings, the page.
const QStringList& FileNames();

// The page that the banner view shows.
inline constexpr auto kPageName = "offAD1.htm";

// Writes every file of FileNames() that does not exist in folder yet; an existing file is left
// as it is, whatever it holds. Each file appears whole or not at all. Returns how many were
// written; failures are skipped and the next file is tried.
int WriteMissingFiles(const QString& folder);

// The path of the banner page inside folder.
QString PagePath(const QString& folder);

} // namespace OfflineBanner
