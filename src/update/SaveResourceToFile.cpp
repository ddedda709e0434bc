#include "SaveResourceToFile.h"

#include "FileSave.h"

#include <QDir>
#include <QFile>

namespace {

// The entry of folder whose name equals name ignoring case, or "" when there is none.
QString findEntry(const QString& folder, const QString& name, QDir::Filters filters)
{
    const QStringList entries = QDir(folder).entryList(filters);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder + QLatin1Char('/') + entry;
    }
    return {};
}

} // namespace

std::optional<QByteArray> LoadResourceBytes(const QString& resourceName,
                                            const QString& resourceType)
{
    if (resourceName.isEmpty() || resourceType.isEmpty())
        return std::nullopt;
    const QString folder = findEntry(QStringLiteral(":"), resourceType, QDir::Dirs);
    if (folder.isEmpty())
        return std::nullopt;
    const QString path = findEntry(folder, resourceName, QDir::Files);
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool SaveResourceToFile(const QString& resourceName, const QString& resourceType,
                        const QString& filePath)
{
    const std::optional<QByteArray> bytes = LoadResourceBytes(resourceName, resourceType);
    if (!bytes || filePath.isEmpty())
        return false;
    return FileSave::SaveWhole(filePath, *bytes);
}
