#include "PatchList.h"
#include "ProgressText.h"
#include "ReplaceExecutable.h"
#include "TestHttpServer.h"
#include "TestUtil.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
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

TEST(PatchList, ReadsTheFieldsItUses)
{
    const auto info =
        PatchList::Parse(u"1.5.19|12345| http://h/verbalto |Updates:\r\nfix|extra"_qs);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->downloadUrl, u"http://h/verbalto");
    EXPECT_EQ(PatchList::DisplayText(*info), u"Version: V1.5.19\r\nUpdates:\r\nfix");
    EXPECT_TRUE(info->sha256.isEmpty());
    EXPECT_FALSE(PatchList::Parse(u"1.5.19|1|Updates"_qs));
    EXPECT_FALSE(PatchList::Parse(QString()));
}

TEST(PatchList, TakesAChecksumFromTheFifthField)
{
    const QString hex = QString(64, u'A');
    EXPECT_EQ(PatchList::Parse(u"1|2|u|Updates|sha256:"_qs + hex + u"\r\n")->sha256, hex.toLower());
    EXPECT_TRUE(PatchList::Parse(u"1|2|u|Updates|sha256:abc"_qs)->sha256.isEmpty());
    EXPECT_TRUE(PatchList::Parse(u"1|2|u|Updates|md5:"_qs + hex)->sha256.isEmpty());
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

// An ELF header of the given type, padded: enough for the loader's first look.
QByteArray elf(quint8 type, const QByteArray& tail = "payload")
{
    QByteArray head("\x7f"
                    "ELF\x02\x01\x01",
                    7);
    head.append(QByteArray(9, '\0'));
    head.append(char(type));
    head.append('\0');
    return head + QByteArray(46, '\0') + tail;
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
    const QByteArray program = elf(3);
    ASSERT_TRUE(TestUtil::writeFile(file("tmp.tmp"), program));
    const QString sum =
        QString::fromLatin1(QCryptographicHash::hash(program, QCryptographicHash::Sha256).toHex());
    const ReplaceResult r = ReplaceExecutable(file("tmp.tmp"), file("verbalto"), sum);
    ASSERT_TRUE(r.ok) << r.description.toStdString();
    EXPECT_EQ(TestUtil::readFile(file("verbalto")), program);
    EXPECT_FALSE(QFile::exists(file("tmp.tmp")));
    EXPECT_TRUE(QFileInfo(file("verbalto")).isExecutable());
}

TEST_F(ReplaceTest, RefusesDownloadsThatAreNoProgramAndKeepsTheOldOne)
{
    const QList<QPair<QByteArray, int>> bad = {
        {QByteArray(), ReplaceResult::kEmptyDownload},
        {"<html>404 Not Found</html>", ReplaceResult::kNotAProgram},
        {"#!/bin/sh\necho hi\n", ReplaceResult::kNotAProgram},
        {elf(1), ReplaceResult::kNotAProgram}, // an object file
        {QByteArray("\x7f"
                    "ELF"),
         ReplaceResult::kNotAProgram},
    };
    for (const auto& [bytes, number] : bad) {
        ASSERT_TRUE(TestUtil::writeFile(file("tmp.tmp"), bytes));
        const ReplaceResult r = ReplaceExecutable(file("tmp.tmp"), file("verbalto"));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.number, number) << bytes.constData();
        EXPECT_FALSE(r.description.isEmpty());
        EXPECT_EQ(TestUtil::readFile(file("verbalto")), "old program");
    }
    ASSERT_TRUE(TestUtil::writeFile(file("tmp.tmp"), elf(2)));
    EXPECT_EQ(ReplaceExecutable(file("tmp.tmp"), file("verbalto"), QString(64, u'0')).number,
              ReplaceResult::kChecksumMismatch);
    EXPECT_EQ(TestUtil::readFile(file("verbalto")), "old program");
}

TEST_F(ReplaceTest, AFailedRenameLeavesTheOldProgram)
{
    ASSERT_TRUE(TestUtil::writeFile(file("tmp.tmp"), elf(2)));
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
