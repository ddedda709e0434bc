#include "IcoMod.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <QtEndian>

namespace IcoMod {

QPixmap Picture(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    constexpr int kHeader = 12;
    if (data.size() < kHeader || !data.startsWith("VPIC"))
        return {};
    const quint32 width = qFromLittleEndian<quint32>(data.constData() + 4);
    const quint32 height = qFromLittleEndian<quint32>(data.constData() + 8);
    if (width == 0 || height == 0 || width > 4096 || height > 4096 ||
        qsizetype(width) * height * 4 != data.size() - kHeader)
        return {};
    // The pixels are the raster engine's own. The pixmap would share the image's buffer, and
    // the file's bytes go at the return: it gets a copy of its own.
    const QImage image(reinterpret_cast<const uchar*>(data.constData()) + kHeader, int(width),
                       int(height), int(width) * 4, QImage::Format_ARGB32_Premultiplied);
    return QPixmap::fromImage(image.copy());
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
