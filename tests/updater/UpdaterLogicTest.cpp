#include "PatchList.h"
#include "ProgressText.h"
#include "QtTranslation.h"
#include "ReplaceExecutable.h"
#include "TestHttpServer.h"
#include "TestUtil.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTranslator>
#include <gtest/gtest.h>

TEST(ProgressText, SwitchesFromKilobytesToMegabytesAtOneMegabyte)
{
    const QLocale c(QLocale::C);
    EXPECT_EQ(ProgressText::SizeText(1048575, c), u"1024.0 KB");
    EXPECT_EQ(ProgressText::SizeText(1048576, c), u"1.00 MB");
    EXPECT_EQ(ProgressText::SizeText(0, c), u"0.0 KB");
    EXPECT_EQ(ProgressText::SizeText(512, c), u"0.5 KB");
    EXPECT_EQ(ProgressText::SizeText(5000LL * 1048576, c), u"5000.00 MB");
}

TEST(ProgressText, BuildsTheStatusLine)
{
    EXPECT_EQ(ProgressText::ProgressLine(1048576, 2621440, QLocale(QLocale::C)),
              u"大小: 2.50 MB;  下载:40%;  剩余: 1.50 MB");
    EXPECT_EQ(ProgressText::ProgressLine(1048575, 1048576, QLocale(QLocale::C)),
              u"大小: 1.00 MB;  下载:100%;  剩余: 0.0 KB");
    // The user's decimal separator, and no group separator.
    EXPECT_EQ(ProgressText::ProgressLine(1048576, 2621440, QLocale(QLocale::German)),
              u"大小: 2,50 MB;  下载:40%;  剩余: 1,50 MB");
    EXPECT_EQ(ProgressText::ProgressLine(0, 1000000, QLocale(QLocale::German)),
              u"大小: 976,6 KB;  下载:0%;  剩余: 976,6 KB");
}

TEST(ProgressText, RoundsTheBarHalfToEven)
{
    EXPECT_EQ(ProgressText::BarPosition(1, 200), 0); // 0.5
    EXPECT_EQ(ProgressText::BarPosition(3, 200), 2); // 1.5
    EXPECT_EQ(ProgressText::BarPosition(5, 200), 2); // 2.5
    EXPECT_EQ(ProgressText::BarPosition(1048576, 2621440), 40);
    EXPECT_EQ(ProgressText::BarPosition(1048575, 1048576), 100);
    EXPECT_EQ(ProgressText::BarPosition(7, 0), 0);
    EXPECT_EQ(ProgressText::BarPosition(300, 200), 100);
}

TEST(QtTranslation, ChineseDesktopsGetQtsButtonsInTheirCharacters)
{
    for (const char* name : {"zh_CN", "zh_SG", "zh"})
        EXPECT_EQ(QtTranslation::FileFor(QLocale(QLatin1String(name))), u"qtbase_zh_CN") << name;
    for (const char* name : {"zh_TW", "zh_HK", "zh_MO", "zh_Hant"})
        EXPECT_EQ(QtTranslation::FileFor(QLocale(QLatin1String(name))), u"qtbase_zh_TW") << name;
    EXPECT_EQ(QtTranslation::FileFor(QLocale(QStringLiteral("de_DE"))), u"qtbase_zh_CN");

    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(folder + u"/qtbase_zh_TW.qm"))
        GTEST_SKIP() << "Qt's translations are not installed";
    QCoreApplication* app = QCoreApplication::instance();
    ASSERT_TRUE(QtTranslation::Install(*app, QLocale(QStringLiteral("zh_TW")), folder));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), u"確定");
    for (QTranslator* t : app->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

TEST(PatchList, ReadsTheFieldsItUses)
{
    const auto info =
        PatchList::Parse(u"1.5.19|12345| http://h/verbalto |Updates:\r\nfix|extra"_qs);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->downloadUrl, u"http://h/verbalto");
    EXPECT_EQ(PatchList::DisplayText(*info), u"Version: V1.5.19\r\nUpdates:\r\nfix");
    EXPECT_FALSE(info->sha256);
    EXPECT_FALSE(PatchList::Parse(u"1.5.19|1|Updates"_qs));
    EXPECT_FALSE(PatchList::Parse(QString()));
}

TEST(PatchList, TakesAChecksumFromTheFifthField)
{
    const QString hex = QString(64, u'A');
    EXPECT_EQ(PatchList::Parse(u"1|2|u|Updates|sha256:"_qs + hex + u"\r\n")->sha256, hex.toLower());
    // A malformed one is kept so that the update is refused, not installed unchecked.
    EXPECT_EQ(PatchList::Parse(u"1|2|u|Updates|sha256:1234"_qs)->sha256, u"1234"_qs);
    EXPECT_EQ(PatchList::Parse(u"1|2|u|Updates|SHA256:"_qs)->sha256, QString());
    EXPECT_FALSE(PatchList::Parse(u"1|2|u|Updates|md5:"_qs + hex)->sha256);
    EXPECT_FALSE(PatchList::Parse(u"1|2|u|Updates"_qs)->sha256);
}

TEST(PatchList, FetchesOnlyAListWithItsMarker)
{
    TestHttpServer server;
    server.setReply("/list", CannedReply::ok("1.6|1|u|Updates 更新", "text/plain"));
    server.setReply("/lower", CannedReply::ok("1.6|1|u|updates", "text/plain"));
    server.setReply("/error", CannedReply::withStatus(500, "1.6|1|u|Updates"));
    server.setReply("/hang", CannedReply::hang());
    const auto at = [&server](const char* p) {
        return QUrl(server.baseUrl() + QString::fromLatin1(p));
    };
    EXPECT_EQ(PatchList::GetUpdateList(at("/list"), 2000), u"1.6|1|u|Updates 更新");
    EXPECT_EQ(PatchList::GetUpdateList(at("/lower"), 2000), QString());
    EXPECT_EQ(PatchList::GetUpdateList(at("/error"), 2000), QString());
    EXPECT_EQ(PatchList::GetUpdateList(at("/missing"), 2000), QString());
    EXPECT_EQ(PatchList::GetUpdateList(at("/hang"), 300), QString());
    server.setReply("/huge", CannedReply::ok("Updates" + QByteArray(2 << 20, ' '), "text/plain"));
    EXPECT_EQ(PatchList::GetUpdateList(at("/huge"), 5000), QString());
    server.setReply("/trickle", CannedReply::trickle("1.6|1|u|Updates", 100));
    EXPECT_EQ(PatchList::GetUpdateList(at("/trickle"), 500), QString());
    EXPECT_EQ(server.requests().first().headers.value("cache-control"), "no-cache");
}

namespace {

// This test program: a complete program for this machine.
QByteArray self()
{
    return TestUtil::readFile(u"/proc/self/exe"_qs);
}

// A copy of this program with some header bytes changed.
QByteArray patched(QList<QPair<int, char>> bytes)
{
    QByteArray program = self();
    for (const auto& [at, value] : bytes)
        program[at] = value;
    return program;
}

// The file of a shared library this test has loaded.
QString loadedLibrary(const char* name)
{
    const QList<QByteArray> maps = TestUtil::readFile(u"/proc/self/maps"_qs).split('\n');
    for (const QByteArray& line : maps) {
        const qsizetype at = line.indexOf('/');
        if (at > 0 && line.contains(name))
            return QString::fromLocal8Bit(line.mid(at));
    }
    return {};
}

class ReplaceTest : public ::testing::Test
{
  protected:
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void SetUp() override { ASSERT_TRUE(TestUtil::writeFile(file("verbalto"), "old program")); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ReplaceTest, RenamesACheckedProgramOverTheOldOne)
{
    const QByteArray program = self();
    ASSERT_TRUE(TestUtil::writeFile(file("tmp.tmp"), program));
    const QString sum =
        QString::fromLatin1(QCryptographicHash::hash(program, QCryptographicHash::Sha256).toHex());
    const ReplaceResult r = ReplaceExecutable(file("tmp.tmp"), file("verbalto"), sum);
    ASSERT_TRUE(r.ok) << r.description.toStdString();
    EXPECT_EQ(TestUtil::readFile(file("verbalto")), program);
    EXPECT_FALSE(QFile::exists(file("tmp.tmp")));
    EXPECT_TRUE(QFileInfo(file("verbalto")).isExecutable());
}

TEST_F(ReplaceTest, RefusesDownloadsThatCannotRunHereRemovesThemAndKeepsTheOldOne)
{
    const QByteArray program = self();
    ASSERT_GT(program.size(), 4096);
    const bool little = program[5] == 1;
    const int machineByte = little ? 18 : 19;
    // 62 is x86-64, 183 AArch64: one of them is another machine.
    const char otherMachine = program[machineByte] == char(62) ? char(183) : char(62);
    QByteArray object = patched({{16 + (little ? 0 : 1), 1}, {16 + (little ? 1 : 0), 0}});

    const QList<QPair<QByteArray, int>> bad = {
        {QByteArray(), ReplaceResult::kEmptyDownload},
        {"<html>404 Not Found</html>", ReplaceResult::kNotAProgram},
        {"#!/bin/sh\necho hi\n", ReplaceResult::kNotAProgram},
        {QByteArray("\x7f"
                    "ELF"),
         ReplaceResult::kNotAProgram},
        // Cut inside the code, or before its program headers end.
        {program.left(4096), ReplaceResult::kIncomplete},
        {program.left(40), ReplaceResult::kIncomplete},
        {patched({{machineByte, otherMachine}, {machineByte == 18 ? 19 : 18, 0}}),
         ReplaceResult::kOtherMachine},
        {patched({{4, char(program[4] == 2 ? 1 : 2)}}), ReplaceResult::kOtherMachine},
        {patched({{5, char(little ? 2 : 1)}}), ReplaceResult::kOtherMachine},
        {object, ReplaceResult::kLibrary},
        {TestUtil::readFile(loadedLibrary("libQt6Core.so")), ReplaceResult::kLibrary},
        // The C library names a loader and runs, but it is a library all the same.
        {TestUtil::readFile(loadedLibrary("libc.so")), ReplaceResult::kLibrary},
    };
    for (qsizetype i = 0; i < bad.size(); ++i) {
        ASSERT_TRUE(TestUtil::writeFile(file("tmp.tmp"), bad[i].first));
        const ReplaceResult r = ReplaceExecutable(file("tmp.tmp"), file("verbalto"));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.number, bad[i].second) << "case " << i;
        EXPECT_FALSE(r.description.isEmpty());
        EXPECT_EQ(TestUtil::readFile(file("verbalto")), "old program");
        EXPECT_FALSE(QFile::exists(file("tmp.tmp"))) << "case " << i;
    }

    // A checksum that is given must be well formed and must match.
    for (const auto& [sum, number] :
         {qMakePair(QString(64, u'0'), ReplaceResult::kChecksumMismatch),
          qMakePair(u"1234"_qs, ReplaceResult::kChecksumMalformed),
          qMakePair(QString(), ReplaceResult::kChecksumMalformed)}) {
        ASSERT_TRUE(TestUtil::writeFile(file("tmp.tmp"), program));
        EXPECT_EQ(ReplaceExecutable(file("tmp.tmp"), file("verbalto"), sum).number, number);
        EXPECT_FALSE(QFile::exists(file("tmp.tmp")));
    }
    EXPECT_EQ(TestUtil::readFile(file("verbalto")), "old program");
}

TEST_F(ReplaceTest, AFailedRenameLeavesTheOldProgram)
{
    ASSERT_TRUE(TestUtil::writeFile(file("tmp.tmp"), self()));
    // A folder in the program's place cannot be renamed over.
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"busy/inner"_qs));
    ReplaceResult r = ReplaceExecutable(file("tmp.tmp"), file("busy"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.number, 0);
    EXPECT_FALSE(r.description.isEmpty());
    EXPECT_TRUE(QFileInfo(file("busy/inner")).isDir());
    r = ReplaceExecutable(file("missing.tmp"), file("verbalto"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(TestUtil::readFile(file("verbalto")), "old program");
}
