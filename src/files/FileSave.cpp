#include "FileSave.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace FileSave {

SaveResult Write(QFileDevice& file, QByteArrayView bytes)
{
    if (file.write(bytes.data(), bytes.size()) == bytes.size() && file.flush())
        return SaveResult::Saved;
    return WhyNotSaved(file.fileName(), bytes.size(), file.error());
}

SaveResult Commit(QSaveFile& file, QByteArrayView bytes)
{
    const SaveResult written = Write(file, bytes);
    if (!written) {
        file.cancelWriting();
        file.commit(); // removes the temporary file now rather than when file is destroyed
        return written;
    }
    return file.commit() ? SaveResult::Saved
                         : WhyNotSaved(file.fileName(), bytes.size(), file.error());
}

SaveResult Save(const QString& path, QByteArrayView bytes, QFileDevice::Permissions permissions)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return WhyNotSaved(path, bytes.size(), file.error());
    if (permissions != QFileDevice::Permissions() && !file.setPermissions(permissions)) {
        const QFileDevice::FileError error = file.error();
        file.cancelWriting();
        return WhyNotSaved(path, bytes.size(), error);
    }
    return Commit(file, bytes);
}

SaveResult WhyNotSaved(const QString& path, qint64 needed, QFileDevice::FileError error)
{
    // Qt reports a write that met ENOSPC as a resource error.
    if (error == QFileDevice::ResourceError)
        return SaveResult::DiskFull;
    const QFileInfo file(path);
    // A folder still to be made is judged by the nearest one that exists.
    QFileInfo folder(file.absolutePath());
    while (!folder.exists() && !folder.isRoot())
        folder = QFileInfo(folder.absolutePath());
    // access(2) answers for read-only mounts too, even for root.
    if ((file.exists() && !file.isWritable()) || (folder.isDir() && !folder.isWritable()))
        return SaveResult::ReadOnly;
    const QStorageInfo storage(folder.isDir() ? folder.absoluteFilePath() : QString());
    if (storage.isValid() && storage.bytesAvailable() < qMax<qint64>(needed, 1))
        return SaveResult::DiskFull;
    return SaveResult::Failed;
}

} // namespace FileSave
