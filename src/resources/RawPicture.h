// Our pictures as the raster engine's own pixels (cmake/raw-pictures.py): "VPIC", width and
// height as little-endian 32-bit numbers, then premultiplied ARGB32 rows.
#pragma once

#include <QImage>
#include <QString>

// The picture at path, null when it is not one of ours. Compiled in uncompressed, the image
// shares the program's own bytes: no copy on the heap, no decoder.
QImage RawPicture(const QString& path);
