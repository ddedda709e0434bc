#include "OfflineBanner.h"

#include "FileSave.h"
#include "GetSysPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace OfflineBanner {
namespace {

QString resourcePath(const QString& name)
{
    // Resource names are matched without regard to case, as the program's resources always were.
    const QDir dir(QStringLiteral(":/AD"));
    for (const QString& entry : dir.entryList(QDir::Files)) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return {};
}

bool writeResource(const QString& name, const QString& path)
{
    QFile source(resourcePath(name));
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = source.readAll();
    return bytes.size() == source.size() && FileSave::SaveWhole(path, bytes);
}

} // namespace

const QStringList& FileNames()
{
    static const QStringList names{QStringLiteral("tmpAD.png"),
                                   QStringLiteral("Currencyshow.player"),
                                   QStringLiteral("offAD.xml"), QString::fromLatin1(kPageName)};
    return names;
}

int WriteMissingFiles(const QString& folder)
{
    int written = 0;
    for (const QString& name : FileNames()) {
        const QString path = GetSysPath::JoinPath(folder, name);
        // A dangling link counts as present too: we never write through it.
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
            continue;
        if (writeResource(name, path))
            ++written;
    }
    return written;
}

QString PagePath(const QString& folder)
{
    return GetSysPath::JoinPath(folder, QString::fromLatin1(kPageName));
}

} // namespace OfflineBanner
