#include "TestUtil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
