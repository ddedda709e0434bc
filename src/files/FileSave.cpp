#include "FileSave.h"

#include <QSaveFile>

namespace FileSave {

bool Commit(QSaveFile& file, QByteArrayView bytes)
{
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        file.commit(); // removes the temporary file now rather than when file is destroyed
        return false;
    }
    return file.commit();
}

bool SaveWhole(const QString& path, QByteArrayView bytes, QFileDevice::Permissions permissions)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (permissions != QFileDevice::Permissions() && !file.setPermissions(permissions)) {
        file.cancelWriting();
        return false;
    }
    return Commit(file, bytes);
}

} // namespace FileSave
