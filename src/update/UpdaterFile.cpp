#include "UpdaterFile.h"

#include "FileSave.h"
#include "GetSysPath.h"
#include "SaveResourceToFile.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace UpdaterFile {

QString UpdaterPath(const QString& programFolder)
{
    return GetSysPath::JoinPath(programFolder, QString::fromUtf16(kFileName));
}

bool WriteUpdater(const QString& path)
{
    const auto bytes =
        LoadResourceBytes(QString::fromUtf16(kResourceName), QString::fromUtf16(kResourceType));
    if (!bytes || bytes->isEmpty())
        return false;
    return FileSave::SaveWhole(path, QByteArray(*bytes + kLeftoverMark),
                               QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                   QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                   QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                   QFileDevice::ExeOther);
}

bool PrepareUpdater(const QString& path)
{
    const QFileInfo info(path);
    if ((info.exists() || info.isSymLink()) && !IsLeftoverUpdater(path))
        return info.isFile() && info.isExecutable();
    return WriteUpdater(path);
}

bool IsLeftoverUpdater(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymLink())
        return false;
    QFile file(path);
    const qint64 markSize = qint64(sizeof(kLeftoverMark) - 1);
    if (file.size() < markSize || !file.open(QIODevice::ReadOnly) ||
        !file.seek(file.size() - markSize))
        return false;
    return file.read(markSize) == QByteArray(kLeftoverMark, markSize);
}

bool RemoveLeftoverUpdater(const QString& programFolder)
{
    const QString path = UpdaterPath(programFolder);
    if (!IsLeftoverUpdater(path))
        return true;
    return QFile::remove(path);
}

bool CanUpdateProgram(const QString& programFolder)
{
    return ::access(QFile::encodeName(programFolder).constData(), W_OK | X_OK) == 0;
}

} // namespace UpdaterFile
