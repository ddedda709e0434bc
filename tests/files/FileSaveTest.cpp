#include "FileSave.h"
#include "ResultsFile.h"
#include "TestUtil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <limits>

TEST(FileSave, FullDiskIsNotASave)
{
    if (!TestUtil::canFillDisk())
        GTEST_SKIP() << "needs root and unshare";
    QTemporaryDir dir;
    const QString probe = TestUtil::binPath(QStringLiteral("results_write_probe"));
    const QString fresh = dir.filePath(QStringLiteral("fresh.tmp"));
    const QString old = dir.filePath(QStringLiteral("old.tmp"));
    ASSERT_TRUE(TestUtil::writeFile(old, QByteArray("old page")));
    // Small enough that the whole write is still buffered when the file is committed.
    const QString size = QStringLiteral("1200");
    EXPECT_EQ(TestUtil::runOnFullDisk(dir.path(), probe, {QStringLiteral("--bytes"), fresh, size}),
              1);
    EXPECT_EQ(TestUtil::runOnFullDisk(dir.path(), probe, {QStringLiteral("--bytes"), old, size}),
              1);
    EXPECT_FALSE(QFile::exists(fresh));
    EXPECT_EQ(TestUtil::readFile(old), QByteArray("old page"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("old.tmp")});

    // With room on the disk the same save is made.
    EXPECT_EQ(QProcess::execute(probe, {QStringLiteral("--bytes"), fresh, size}), 0);
    EXPECT_EQ(TestUtil::readFile(fresh), QByteArray(1200, 'b'));
}

// Without root or a small mount: /dev/full fails every write with ENOSPC. A small write stays
// buffered, so only the checked flush finds it; the reason is a full disk, for a checked write
// and for a results file alike.
TEST(FileSave, AFailingDeviceIsAFullDisk)
{
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly))
        GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(FileSave::Write(full, QByteArray(100, 'b')), FileSave::SaveResult::DiskFull);
    EXPECT_EQ(ResultsFile::WriteResultsFile(full.fileName(), QStringLiteral("text")),
              FileSave::SaveResult::DiskFull);
}

TEST(FileSave, ReasonsForAFailedSave)
{
    QTemporaryDir dir;
    // A folder where the file should be, and a file where its folder should be: neither a full
    // disk nor read-only.
    EXPECT_EQ(FileSave::Save(dir.path(), "x"), FileSave::SaveResult::Failed);
    const QString plain = dir.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(TestUtil::writeFile(plain, "x"));
    EXPECT_EQ(FileSave::Save(plain + QStringLiteral("/sub/file"), "x"),
              FileSave::SaveResult::Failed);
    // More than the disk holds.
    EXPECT_EQ(FileSave::WhyNotSaved(dir.filePath(QStringLiteral("new")),
                                    std::numeric_limits<qint64>::max()),
              FileSave::SaveResult::DiskFull);
    if (TestUtil::isRoot())
        return; // root writes whatever the mode says; the mount test covers it
    const QString locked = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(locked + QStringLiteral("/deeper")));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(FileSave::Save(locked + QStringLiteral("/file"), "x"),
              FileSave::SaveResult::ReadOnly);
    EXPECT_EQ(FileSave::Save(locked + QStringLiteral("/new/file"), "x"),
              FileSave::SaveResult::ReadOnly);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
