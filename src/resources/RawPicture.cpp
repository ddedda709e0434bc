#include "RawPicture.h"

#include "ResourceBytes.h"

#include <QtEndian>

#include <cstring>

QImage RawPicture(const QString& path)
{
    constexpr int kHeader = 12;
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
    return lasting ? image : image.copy();
}
