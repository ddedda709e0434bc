#include "GetSysPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace GetSysPath {

bool EnsurePrivateFolder(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st
    {
    };
    // lstat: a symlink planted in our place is refused, not followed.
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 0077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return true;
}

namespace {

// The runtime folder counts only as the user's own: a real directory (not a symlink to one),
// owned by the user, with mode 0700.
bool isOwnRuntimeFolder(const QString& path)
{
    struct stat st
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & 07777) == 0700;
}

} // namespace

QString GetTempFolder()
{
    QStringList candidates;
    // Cleaned, so that a trailing "/" does not make lstat follow a symlink.
    const QString runtime = QDir::cleanPath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && isOwnRuntimeFolder(runtime))
        candidates << JoinPath(runtime, QStringLiteral("verbalto"));
    candidates << JoinPath(QDir::tempPath(), QStringLiteral("verbalto-%1").arg(::geteuid()));
    for (const QString& folder : candidates) {
        if (EnsurePrivateFolder(folder))
            return folder + QLatin1Char('/');
    }
    return QCoreApplication::applicationDirPath();
}

QString JoinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace GetSysPath
