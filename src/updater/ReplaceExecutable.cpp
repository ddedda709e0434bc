#include "ReplaceExecutable.h"

#include <QCryptographicHash>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ReplaceResult failure(int number, const QString& description)
{
    return ReplaceResult{false, number, description};
}

ReplaceResult systemFailure(int err)
{
    return failure(err, QString::fromLocal8Bit(std::strerror(err)));
}

// An ELF file that the loader can start: an executable or a position-independent one.
bool isElfProgram(const QByteArray& head)
{
    if (head.size() < 18 || !head.startsWith("\x7f"
                                             "ELF"))
        return false;
    const bool little = head[5] == 1;
    const int type = little ? (quint8(head[16]) | quint8(head[17]) << 8)
                            : (quint8(head[16]) << 8 | quint8(head[17]));
    return type == 2 || type == 3;
}

} // namespace

ReplaceResult ReplaceExecutable(const QString& download, const QString& target,
                                const QString& expectedSha256)
{
    QFile file(download);
    if (!file.open(QIODevice::ReadOnly))
        return systemFailure(errno ? errno : ENOENT);
    if (file.size() == 0)
        return failure(ReplaceResult::kEmptyDownload, QStringLiteral("The download is empty."));
    if (!isElfProgram(file.peek(64)))
        return failure(ReplaceResult::kNotAProgram,
                       QStringLiteral("The download is not a program for this system."));
    if (!expectedSha256.isEmpty()) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!hash.addData(&file))
            return systemFailure(EIO);
        if (QString::fromLatin1(hash.result().toHex()) != expectedSha256.toLower())
            return failure(ReplaceResult::kChecksumMismatch,
                           QStringLiteral("The download does not match its checksum."));
    }
    file.close();

    const QByteArray from = QFile::encodeName(download);
    const QByteArray to = QFile::encodeName(target);
    const int fd = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return systemFailure(errno);
    // On disk before the rename makes it the program.
    const bool synced = ::fchmod(fd, 0755) == 0 && ::fsync(fd) == 0;
    const int syncError = errno;
    ::close(fd);
    if (!synced)
        return systemFailure(syncError);
    if (::rename(from.constData(), to.constData()) != 0)
        return systemFailure(errno);
    return ReplaceResult{true, 0, {}};
}
