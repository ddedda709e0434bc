#include "ResultsFile.h"

#include "ModUniTxt.h"
#include "TestUtil.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace ResultsFile;

namespace {

const QDateTime When(QDate(2024, 3, 5), QTime(14, 7, 9), QTimeZone::utc());
const QLocale UsEnglish(QLocale::English, QLocale::UnitedStates);

const QString Header =
    QStringLiteral("******************日期:3/5/24 ;时间: 2:07:09 PM UTC******************\r\n");
const QString OriginalMarker =
    QStringLiteral("--------------------------- 原文 --------------------------\r\n");
const QString Stars =
    QStringLiteral("******************************************************************\r\n");
const QString TranslationMarker =
    QStringLiteral("--------------------- 翻译结果 -----------------------\r\n");
const QString RomanizationMarker =
    QStringLiteral("-------------------------- 拼音 --------------------------\r\n");
const QString DictionaryMarker =
    QStringLiteral("--------------------------- 词典 --------------------------\r\n");
const QString EndLine =
    QStringLiteral("*****************************完*****************************\r\n");

QString build(const QString& rom, const QString& dict)
{
    return BuildResultsText(QStringLiteral("Hello\r\nworld"), QStringLiteral("你好\r\n世界"), rom,
                            dict, When, UsEnglish);
}

} // namespace

TEST(ResultsText, MarkersKeepTheirExactWidths)
{
    EXPECT_EQ(OriginalMarker.count(u'-'), 53);
    EXPECT_EQ(TranslationMarker.count(u'-'), 44);
    EXPECT_EQ(RomanizationMarker.count(u'-'), 52);
    EXPECT_EQ(Stars.count(u'*'), 66);
    EXPECT_EQ(EndLine.count(u'*'), 58);
}

TEST(ResultsText, AllSectionsInOrder)
{
    EXPECT_EQ(build(QStringLiteral("nǐ hǎo"), QStringLiteral("hello: 你好")),
              Header + OriginalMarker + QStringLiteral("Hello\r\nworld\r\n") + Stars +
                  TranslationMarker + QStringLiteral("你好\r\n世界\r\n") + Stars +
                  RomanizationMarker + QStringLiteral("nǐ hǎo\r\n") + Stars + DictionaryMarker +
                  QStringLiteral("hello: 你好\r\n") + EndLine);
}

TEST(ResultsText, BlankSectionsAreLeftOut)
{
    const QString common = Header + OriginalMarker + QStringLiteral("Hello\r\nworld\r\n") + Stars +
                           TranslationMarker + QStringLiteral("你好\r\n世界\r\n");
    // Nothing after the translation, and no end line.
    EXPECT_EQ(build(QString(), QString()), common);
    EXPECT_EQ(build(QStringLiteral("   "), QStringLiteral(" ")), common);
    // Dictionary without romanization.
    EXPECT_EQ(build(QStringLiteral("  "), QStringLiteral("d")),
              common + Stars + DictionaryMarker + QStringLiteral("d\r\n") + EndLine);
    // Romanization without dictionary: no end line.
    EXPECT_EQ(build(QStringLiteral("r"), QString()),
              common + Stars + RomanizationMarker + QStringLiteral("r\r\n"));
    // Only spaces count as blank: a tab or a line break is content.
    EXPECT_EQ(build(QStringLiteral("\t"), QString()),
              common + Stars + RomanizationMarker + QStringLiteral("\t\r\n"));
}

TEST(ResultsText, TextsAreWrittenUntrimmedWithCrLfLines)
{
    const QString text = BuildResultsText(QStringLiteral("  a\nb\rc\r\nd  "), QString(), QString(),
                                          QString(), When, UsEnglish);
    EXPECT_EQ(text, Header + OriginalMarker + QStringLiteral("  a\r\nb\r\nc\r\nd  \r\n") + Stars +
                        TranslationMarker + QStringLiteral("\r\n"));
    EXPECT_EQ(text.count(u'\n'), text.count(QStringLiteral("\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
}

TEST(ResultsText, DateAndTimeFollowTheLocale)
{
    const QString zh = BuildResultsText(QStringLiteral("a"), QStringLiteral("b"), {}, {}, When,
                                        QLocale(QLocale::Chinese, QLocale::China));
    EXPECT_TRUE(zh.startsWith(QStringLiteral("******************日期:2024/3/5 ;时间: ")));
    EXPECT_TRUE(zh.contains(QStringLiteral("14:07:09")));
}

TEST(ResultsFileWrite, Utf16BigEndianWithItsMark)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.txt"));
    ASSERT_TRUE(TestUtil::writeFile(path, QByteArray(4096, 'x'))); // replaced, no tail left
    const QString text = build(QStringLiteral("r"), QStringLiteral("d"));
    ASSERT_TRUE(WriteResultsFile(path, text));
    const QByteArray raw = TestUtil::readFile(path);
    EXPECT_EQ(raw.left(4), QByteArray("\xFE\xFF\x00\x2A", 4));
    EXPECT_EQ(raw.size(), 2 + 2 * text.size());
    EXPECT_EQ(raw.right(4), QByteArray("\x00\r\x00\n", 4));
    ModUniTxt::TextFormat f = ModUniTxt::Detect;
    EXPECT_EQ(ModUniTxt::ReadUniText(path, f), text);
    EXPECT_EQ(f, ModUniTxt::Utf16BE);
}

TEST(ResultsFileWrite, ReadOnlyFolderFailsAndKeepsTheOldFile)
{
    if (!TestUtil::isRoot() || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        GTEST_SKIP() << "needs root and unshare";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.txt"));
    ASSERT_TRUE(TestUtil::writeFile(path, QByteArray("earlier results")));
    const QString script =
        QStringLiteral("mount --make-rprivate / && mount --bind \"$1\" \"$1\" && "
                       "mount -o remount,bind,ro \"$1\" && exec \"$2\" \"$3\"");
    QProcess p;
    p.start(QStringLiteral("unshare"),
            {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"), script,
             QStringLiteral("sh"), dir.path(),
             TestUtil::binPath(QStringLiteral("results_write_probe")), path});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1) << p.readAllStandardError().constData();
    EXPECT_EQ(TestUtil::readFile(path), QByteArray("earlier results"));

    // The same probe succeeds where the folder is writable.
    EXPECT_EQ(QProcess::execute(TestUtil::binPath(QStringLiteral("results_write_probe")), {path}),
              0);
    EXPECT_TRUE(TestUtil::readFile(path).startsWith(QByteArray("\xFE\xFF\x00\x2A", 4)));
}

TEST(ResultsFileWrite, FullDiskKeepsTheOldFileWhole)
{
    if (!TestUtil::canFillDisk())
        GTEST_SKIP() << "needs root and unshare";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.txt"));
    const QString probe = TestUtil::binPath(QStringLiteral("results_write_probe"));
    // More than the space the old file takes: truncating it first would lose it.
    ASSERT_TRUE(TestUtil::writeFile(path, QByteArray("earlier results")));
    EXPECT_EQ(TestUtil::runOnFullDisk(dir.path(), probe, {path, QStringLiteral("5000")}), 1);
    EXPECT_EQ(TestUtil::readFile(path), QByteArray("earlier results"));
    // An append is all or nothing too.
    EXPECT_EQ(TestUtil::runOnFullDisk(dir.path(), probe,
                                      {QStringLiteral("--append"), path, QStringLiteral("5000")}),
              1);
    EXPECT_EQ(TestUtil::readFile(path), QByteArray("earlier results"));
    // Nothing is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("results.txt")});
}
