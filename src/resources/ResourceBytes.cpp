#include "ResourceBytes.h"

#include <QFile>
#include <QResource>

QByteArray ResourceBytes(const QString& path, bool* inPlace)
{
    const QResource resource(path);
    const bool held =
        resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression;
    if (inPlace)
        *inPlace = held;
    if (held)
        return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()),
                                       qsizetype(resource.size()));
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
