#include "GetSysPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace GetSysPath;

namespace {

struct EnvGuard
{
    explicit EnvGuard(const char* name) : name(name), had(qEnvironmentVariableIsSet(name)), old(qgetenv(name)) {}
    ~EnvGuard()
    {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    }
    const char* name;
    bool had;
    QByteArray old;
};

mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

class TempFolder : public ::testing::Test
{
protected:
    QTemporaryDir runtime, tmp;
    EnvGuard runtimeGuard{"XDG_RUNTIME_DIR"}, tmpGuard{"TMPDIR"};
    void SetUp() override
    {
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        qputenv("TMPDIR", tmp.path().toUtf8());
    }
};

} // namespace

TEST_F(TempFolder, PrivateFolderUnderTheRuntimeDirectory)
{
    const QString folder = GetTempFolder();
    EXPECT_EQ(folder, runtime.path() + QStringLiteral("/verbalto/"));
    EXPECT_EQ(modeOf(folder), mode_t(0700));
    EXPECT_EQ(GetTempFolder(), folder); // stable across calls
}

TEST_F(TempFolder, ExistingFolderWithLooseModeIsTightened)
{
    const QString path = runtime.path() + QStringLiteral("/verbalto");
    ASSERT_TRUE(QDir().mkdir(path));
    ::chmod(QFile::encodeName(path).constData(), 0777);
    EXPECT_EQ(GetTempFolder(), path + u'/');
    EXPECT_EQ(modeOf(path), mode_t(0700));
}

TEST_F(TempFolder, PlantedSymlinkIsRefused)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), runtime.path() + QStringLiteral("/verbalto")));
    ASSERT_TRUE(QFile::link(elsewhere.path(), tmp.path() + QStringLiteral("/verbalto-%1").arg(::geteuid())));
    const QString folder = GetTempFolder();
    EXPECT_FALSE(folder.startsWith(elsewhere.path()));
    EXPECT_FALSE(folder.startsWith(runtime.path()));
    EXPECT_FALSE(folder.startsWith(tmp.path()));
    // Last resort: the program's own folder, without a trailing separator.
    EXPECT_EQ(folder, QCoreApplication::applicationDirPath());
}

TEST_F(TempFolder, FolderOwnedBySomeoneElseIsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand a folder to another user";
    const QString path = runtime.path() + QStringLiteral("/verbalto");
    ASSERT_TRUE(QDir().mkdir(path));
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    EXPECT_EQ(GetTempFolder(), tmp.path() + QStringLiteral("/verbalto-%1/").arg(::geteuid()));
}

TEST_F(TempFolder, RuntimeDirectoryThatIsNotOursAloneIsPassedOver)
{
    const QString fallback = tmp.path() + QStringLiteral("/verbalto-%1/").arg(::geteuid());
    QTemporaryDir other;
    const QByteArray otherPath = QFile::encodeName(other.path());
    const QString link = tmp.path() + QStringLiteral("/runtime-link");
    ASSERT_TRUE(QFile::link(other.path(), link));
    for (const QString& path : {link, QString(link + u'/')}) {
        qputenv("XDG_RUNTIME_DIR", path.toUtf8());
        EXPECT_EQ(GetTempFolder(), fallback) << path.toStdString();
    }
    qputenv("XDG_RUNTIME_DIR", otherPath);
    ::chmod(otherPath.constData(), 0755);
    EXPECT_EQ(GetTempFolder(), fallback);
    if (::geteuid() == 0) {
        ::chmod(otherPath.constData(), 0700);
        ASSERT_EQ(::chown(otherPath.constData(), 65534, 65534), 0);
        EXPECT_EQ(GetTempFolder(), fallback);
    }
    EXPECT_FALSE(QFile::exists(other.path() + QStringLiteral("/verbalto")));
}

TEST_F(TempFolder, FallsBackToTheTempDirectoryWithoutRuntimeDirectory)
{
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(GetTempFolder(), tmp.path() + QStringLiteral("/verbalto-%1/").arg(::geteuid()));
}

TEST_F(TempFolder, PlainFileInThePlaceIsRefused)
{
    QFile f(runtime.path() + QStringLiteral("/verbalto"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_TRUE(GetTempFolder().startsWith(tmp.path()));
}

TEST(JoinPath, OneSeparatorWhateverTheFolderEndsWith)
{
    EXPECT_EQ(JoinPath(QStringLiteral("/run/user/0/verbalto/"), QStringLiteral("soun00.tmp")),
              u"/run/user/0/verbalto/soun00.tmp");
    EXPECT_EQ(JoinPath(QStringLiteral("/opt/verbalto"), QStringLiteral("soun00.tmp")), u"/opt/verbalto/soun00.tmp");
    EXPECT_EQ(JoinPath(QStringLiteral("/"), QStringLiteral("patchwell")), u"/patchwell");
}
