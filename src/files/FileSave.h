// Whole-file saves that count as done only when every byte reached the file.
#pragma once

#include <QByteArrayView>
#include <QFileDevice>
#include <QString>

class QSaveFile;

namespace FileSave {

// Writes bytes to an open QSaveFile and commits it. commit() alone can report success on a full
// disk while a small write is still buffered, so the write and a flush are checked first; on any
// failure the file is cancelled and the target is left as it was.
bool Commit(QSaveFile& file, QByteArrayView bytes);

// Replaces path with exactly these bytes, written beside it and renamed over it; with
// permissions, the new file gets them. False (and no change) when anything fails.
bool SaveWhole(const QString& path, QByteArrayView bytes,
               QFileDevice::Permissions permissions = {});

} // namespace FileSave
