#include "ReplaceExecutable.h"

#include "ElfCheck.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>

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

bool isSha256(const QString& text)
{
    static const QRegularExpression hex(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9a-f]{64}")));
    return hex.match(text).hasMatch();
}

int refusalNumber(ElfCheck::Verdict verdict)
{
    switch (verdict) {
    case ElfCheck::Verdict::OtherMachine:
        return ReplaceResult::kOtherMachine;
    case ElfCheck::Verdict::NotAProgram:
        return ReplaceResult::kLibrary;
    case ElfCheck::Verdict::Incomplete:
        return ReplaceResult::kIncomplete;
    default:
        return ReplaceResult::kNotAProgram;
    }
}

ReplaceResult check(QFile& file, const std::optional<QString>& expectedSha256)
{
    if (file.size() == 0)
        return failure(ReplaceResult::kEmptyDownload, QStringLiteral("The download is empty."));
    // Checked before the download is read at all: a list that names a checksum badly is not
    // to be trusted with an unchecked program.
    if (expectedSha256 && !isSha256(*expectedSha256))
        return failure(ReplaceResult::kChecksumMalformed,
                       QStringLiteral("The update list gives a malformed checksum."));
    const std::optional<ElfCheck::Identity> self = ElfCheck::Running();
    const ElfCheck::Verdict verdict =
        self ? ElfCheck::Check(file, *self) : ElfCheck::Verdict::NotElf;
    if (verdict != ElfCheck::Verdict::Program)
        return failure(refusalNumber(verdict), ElfCheck::Describe(verdict));
    if (expectedSha256) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!file.seek(0) || !hash.addData(&file))
            return systemFailure(EIO);
        if (QString::fromLatin1(hash.result().toHex()) != *expectedSha256)
            return failure(ReplaceResult::kChecksumMismatch,
                           QStringLiteral("The download does not match its checksum."));
    }
    return ReplaceResult{true, 0, {}};
}

ReplaceResult install(const QString& download, const QString& target)
{
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

} // namespace

ReplaceResult ReplaceExecutable(const QString& download, const QString& target,
                                const std::optional<QString>& expectedSha256)
{
    QFile file(download);
    if (!file.open(QIODevice::ReadOnly))
        return systemFailure(errno ? errno : ENOENT);
    ReplaceResult result = check(file, expectedSha256);
    file.close();
    if (result.ok)
        result = install(download, target);
    // A refused download is no use to anyone, and must not be taken for the program later.
    if (!result.ok)
        QFile::remove(download);
    return result;
}
