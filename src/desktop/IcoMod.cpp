#include "IcoMod.h"

#include <QDir>
#include <QImageReader>
#include <QPixmap>
#include <QWidget>

namespace IcoMod {

QPixmap Png(const QString& path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false); // no asking the plugins what the file is
    return QPixmap::fromImage(reader.read());
}

QIcon PngIcon(const QString& path)
{
    return QIcon(Png(path));
}

QIcon LoadIconResource(const QString& name)
{
    QIcon icon;
    const QDir dir(QStringLiteral(":/icons"));
    const QString prefix = name + QLatin1Char('-');
    for (const QString& file : dir.entryList(QDir::Files)) {
        if (file.startsWith(prefix, Qt::CaseInsensitive) && file.endsWith(QLatin1String(".png")))
            icon.addPixmap(Png(dir.filePath(file)));
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
