#include "IcoMod.h"

#include "RawPicture.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace IcoMod {

QPixmap Picture(const QString& path)
{
    return QPixmap::fromImage(RawPicture(path));
}

QIcon PictureIcon(const QString& path)
{
    return QIcon(Picture(path));
}

QIcon LoadIconResource(const QString& name)
{
    QIcon icon;
    const QDir dir(QStringLiteral(":/icons"));
    const QString prefix = name + QLatin1Char('-');
    for (const QString& file : dir.entryList(QDir::Files)) {
        if (file.startsWith(prefix, Qt::CaseInsensitive) && file.endsWith(QLatin1String(".pic")))
            icon.addPixmap(Picture(dir.filePath(file)));
    }
    return icon;
}

void SetWindowIcons(QWidget* window, const QString& resourceName, bool includeOwner)
{
    if (!window)
        return;
    const QIcon icon = LoadIconResource(resourceName);
    if (includeOwner) {
        QWidget* owner = window;
        while (QWidget* parent = owner->parentWidget())
            owner = parent->window();
        if (owner != window)
            owner->setWindowIcon(icon);
    }
    window->setWindowIcon(icon);
}

} // namespace IcoMod
