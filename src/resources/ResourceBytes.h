// A compiled-in file's bytes without copying them where that can be done.
#pragma once

#include <QByteArray>
#include <QString>

// The bytes of the file at path. A resource stored uncompressed is given where the program holds
// it: no copy, and the bytes last as long as the program. Anything else (a compressed resource, a
// file on disk) is read into memory of its own. inPlace says which; empty when there is no such
// file.
QByteArray ResourceBytes(const QString& path, bool* inPlace = nullptr);
