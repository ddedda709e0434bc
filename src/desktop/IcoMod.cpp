#include "IcoMod.h"

#include "ResourceBytes.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <QtEndian>

#include <cstring>

namespace IcoMod {

QPixmap Picture(const QString& path)
{
    constexpr int kHeader = 12;
    // Ours are compiled in uncompressed: the pixmap shares the program's own bytes, with no copy
    // on the heap.
    bool inPlace = false;
    const QByteArray bytes = ResourceBytes(path, &inPlace);
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    if (size < kHeader || std::memcmp(data, "VPIC", 4) != 0)
        return {};
    const quint32 width = qFromLittleEndian<quint32>(data + 4);
    const quint32 height = qFromLittleEndian<quint32>(data + 8);
    if (width == 0 || height == 0 || width > 4096 || height > 4096 ||
        qint64(width) * height * 4 != size - kHeader)
        return {};
    const uchar* pixels = data + kHeader;
    const QImage image(pixels, int(width), int(height), int(width) * 4,
                       QImage::Format_ARGB32_Premultiplied);
    // The image only borrows the bytes: shared only when they stay, and are aligned as the
    // raster engine reads them.
    const bool lasting = inPlace && quintptr(pixels) % alignof(quint32) == 0;
    return QPixmap::fromImage(lasting ? image : image.copy());
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
