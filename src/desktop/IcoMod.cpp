#include "IcoMod.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <png.h>

namespace IcoMod {

QPixmap Png(const QString& path)
{
    // Read with libpng itself: Qt's reader looks through every image plugin's description
    // before it reads anything, which costs a start more than the pictures themselves.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.constData(), size_t(data.size())))
        return {};
    // QImage's ARGB32 is one native 32-bit word a pixel.
    png.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    QImage image(int(png.width), int(png.height), QImage::Format_ARGB32);
    if (image.isNull() || !png_image_finish_read(&png, nullptr, image.bits(),
                                                 png_int_32(image.bytesPerLine()), nullptr)) {
        png_image_free(&png);
        return {};
    }
    return QPixmap::fromImage(std::move(image));
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
