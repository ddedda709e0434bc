#include "UpdaterFile.h"

#include "GetSysPath.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace UpdaterFile {

QString UpdaterPath(const QString& programFolder)
{
    return GetSysPath::JoinPath(programFolder, QString::fromUtf16(kFileName));
}

bool RemoveLeftoverUpdater(const QString& programFolder)
{
    const QString path = UpdaterPath(programFolder);
    const QFileInfo info(path);
    // Only a file of ours: a folder of that name is not a leftover.
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isDir() && !info.isSymLink())
        return false;
    return QFile::remove(path);
}

bool CanUpdateProgram(const QString& programFolder)
{
    return ::access(QFile::encodeName(programFolder).constData(), W_OK | X_OK) == 0;
}

} // namespace UpdaterFile

