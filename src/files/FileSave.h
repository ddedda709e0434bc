// Whole-file saves that count as done only when every byte reached the file, and why one did not.
#pragma once

#include <QByteArrayView>
#include <QFileDevice>
#include <QString>

class QSaveFile;

namespace FileSave {

// What became of a save: true when saved, and otherwise why not.
struct SaveResult
{
    enum Reason { Saved, DiskFull, ReadOnly, Failed };
    constexpr SaveResult(Reason why = Saved) : reason(why) {}
    explicit operator bool() const { return reason == Saved; }
    bool operator==(const SaveResult&) const = default;

    Reason reason;
};

// Writes bytes to an open file and flushes them: a small write stays buffered and would only
// fail later, when a full disk is no longer noticed. Saved, or why not.
SaveResult Write(QFileDevice& file, QByteArrayView bytes);

// Writes bytes to an open QSaveFile and commits it. commit() alone can report success on a full
// disk while a small write is still buffered, so the write and a flush are checked first; on any
// failure the file is cancelled and the target is left as it was.
SaveResult Commit(QSaveFile& file, QByteArrayView bytes);

// Replaces path with exactly these bytes, written beside it and renamed over it; with
// permissions, the new file gets them. Anything but Saved leaves path as it was.
SaveResult Save(const QString& path, QByteArrayView bytes,
                QFileDevice::Permissions permissions = {});
// Save for callers that only ask whether it worked.
inline bool SaveWhole(const QString& path, QByteArrayView bytes,
                      QFileDevice::Permissions permissions = {})
{
    return bool(Save(path, bytes, permissions));
}

// Why writing needed bytes to path failed, from the file's error where there is one and
// otherwise from the place: a file or folder that cannot be written is read-only, a disk with
// less room than needed is full.
SaveResult WhyNotSaved(const QString& path, qint64 needed,
                       QFileDevice::FileError error = QFileDevice::NoError);

} // namespace FileSave
