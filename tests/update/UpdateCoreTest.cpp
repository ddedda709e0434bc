#include "GetRemoteText.h"
#include "SaveResourceToFile.h"
#include "TestHttpServer.h"
#include "TestUtil.h"
#include "UpdateList.h"
#include "UpdateVersion.h"
#include "UpdaterFile.h"
#include "VendorUrl.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kShortTimeoutMs = 300;

QUrl at(const TestHttpServer& server, const char* path)
{
    return QUrl(server.baseUrl() + QString::fromLatin1(path));
}

const QByteArray kList = "1.5.19|12345|http://127.0.0.1/verbalto|Updates:\r\n- faster\r\n";

} // namespace

TEST(UpdateVersion, ComparesComponentsAsNumbers)
{
    const QString current = QStringLiteral("1.5.18");
    EXPECT_TRUE(UpdateVersion::IsNewer(QStringLiteral("1.5.19"), current));
    EXPECT_TRUE(UpdateVersion::IsNewer(QStringLiteral("1.10.0"), current));
    EXPECT_TRUE(UpdateVersion::IsNewer(QStringLiteral("2"), current));
    EXPECT_TRUE(UpdateVersion::IsNewer(QStringLiteral("1.5.18.1"), current));
    EXPECT_FALSE(UpdateVersion::IsNewer(QStringLiteral("1.5.18"), current));
    EXPECT_FALSE(UpdateVersion::IsNewer(QStringLiteral("1.5.2"), current));
    EXPECT_FALSE(UpdateVersion::IsNewer(QStringLiteral("1.5.18.0"), current));
    EXPECT_FALSE(UpdateVersion::IsNewer(QStringLiteral("01.05.018"), current));
    EXPECT_FALSE(UpdateVersion::IsNewer(QStringLiteral("1.4.99"), current));
    EXPECT_TRUE(UpdateVersion::IsNewer(QStringLiteral(" 1.5.19\r\n"), current));
    // Far longer than any integer type, still ordered.
    EXPECT_TRUE(UpdateVersion::IsNewer(QStringLiteral("1.5.99999999999999999999999"), current));
    EXPECT_EQ(UpdateVersion::CurrentVersion(), QStringLiteral(VERBALTO_VERSION));
}

TEST(UpdateVersion, RefusesTextsThatAreNoVersion)
{
    for (const char* bad : {"", "  ", "1.5.x", "v1.6", "1..6", "1.6.", ".1", "1,6", "-2", "<html>"})
        EXPECT_FALSE(UpdateVersion::ParseVersion(QString::fromLatin1(bad))) << bad;
    EXPECT_FALSE(UpdateVersion::IsNewer(QStringLiteral("abc"), QStringLiteral("1.5.18")));
    EXPECT_EQ(*UpdateVersion::ParseVersion(QStringLiteral("007.0.10")),
              (QStringList{QStringLiteral("7"), QStringLiteral("0"), QStringLiteral("10")}));
}

TEST(UpdateList, ReadsFourFieldsAndIgnoresTheRest)
{
    const auto list =
        UpdateList::Parse(QStringLiteral("1.5.19|12345|http://h/v|Updates:\nline two|extra|more"));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->version, u"1.5.19");
    EXPECT_EQ(list->number, u"12345");
    EXPECT_EQ(list->downloadUrl, u"http://h/v");
    EXPECT_EQ(list->notes, u"Updates:\nline two");
}

TEST(UpdateList, DecidesTheOffer)
{
    const QString current = QStringLiteral("1.5.18");
    EXPECT_TRUE(UpdateList::OffersUpdate(QString::fromUtf8(kList), current));
    EXPECT_FALSE(UpdateList::OffersUpdate(QStringLiteral("1.5.18|1|u|Updates"), current));
    EXPECT_FALSE(UpdateList::OffersUpdate(QStringLiteral("1.5.2|1|u|Updates"), current));
    // Fewer than four fields, or a version that is not one, is no list.
    EXPECT_FALSE(UpdateList::OffersUpdate(QStringLiteral("1.5.19|1|Updates"), current));
    EXPECT_FALSE(UpdateList::OffersUpdate(QStringLiteral("9.9.9 Updates"), current));
    EXPECT_FALSE(UpdateList::OffersUpdate(QStringLiteral("<html>|a|b|Updates"), current));
    EXPECT_FALSE(UpdateList::OffersUpdate(QString(), current));
}

TEST(GetRemoteText, AcceptsOnlyTextsWithTheirMarker)
{
    TestHttpServer server;
    server.setReply("/list", CannedReply::ok(kList, "text/plain"));
    server.setReply("/lower", CannedReply::ok("1.5.19|1|u|updates: lower case", "text/plain"));
    server.setReply("/promo", CannedReply::ok("http://a.example/1\r\n", "text/plain"));
    EXPECT_EQ(GetRemoteText(at(server, "/list"), true), QString::fromUtf8(kList));
    EXPECT_EQ(GetRemoteText(at(server, "/lower"), true), QString());
    // The other marker belongs to the promotion list.
    EXPECT_EQ(GetRemoteText(at(server, "/list"), false), QString::fromUtf8(kList));
    EXPECT_EQ(GetRemoteText(at(server, "/promo"), false), u"http://a.example/1\r\n");
    EXPECT_EQ(GetRemoteText(at(server, "/promo"), true), QString());
}

TEST(GetRemoteText, AsksForAFreshCopy)
{
    TestHttpServer server;
    server.setReply("/list", CannedReply::ok(kList, "text/plain"));
    GetRemoteText(at(server, "/list"), true);
    GetRemoteText(at(server, "/list"), true);
    const QList<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].headers.value("cache-control"), "no-cache");
}

TEST(GetRemoteText, DecodesTheBodyInTheLocaleEncoding)
{
    TestHttpServer server;
    const QString notes = QStringLiteral("Updates: 发现新版本 — ünïcode");
    server.setReply("/list", CannedReply::ok(notes.toLocal8Bit(), "text/plain"));
    EXPECT_EQ(GetRemoteText(at(server, "/list"), true), notes);
    // Bytes the encoding cannot read do not stop the text.
    server.setReply("/bad", CannedReply::ok("\xff\xfe Updates \xc3", "text/plain"));
    EXPECT_TRUE(GetRemoteText(at(server, "/bad"), true).contains(u"Updates"));
}

TEST(GetRemoteText, GivesNothingWithoutAGoodReply)
{
    TestHttpServer server;
    server.setReply("/empty", CannedReply::ok(""));
    server.setReply("/error", CannedReply::withStatus(500, "Updates|but an error page"));
    server.setReply("/closed", CannedReply::closeConnection());
    server.setReply("/hang", CannedReply::hang());
    EXPECT_EQ(GetRemoteText(at(server, "/empty"), true), QString());
    EXPECT_EQ(GetRemoteText(at(server, "/missing"), true), QString());
    EXPECT_EQ(GetRemoteText(at(server, "/error"), true), QString());
    EXPECT_EQ(GetRemoteText(at(server, "/closed"), true), QString());
    EXPECT_EQ(GetRemoteText(at(server, "/hang"), true, kShortTimeoutMs), QString());
    // A list is small: one over 1 MB, or one that trickles past the deadline, is none.
    server.setReply("/huge", CannedReply::ok("Updates" + QByteArray(2 << 20, ' '), "text/plain"));
    EXPECT_EQ(GetRemoteText(at(server, "/huge"), true), QString());
    server.setReply("/trickle", CannedReply::trickle(kList, 100));
    EXPECT_EQ(GetRemoteText(at(server, "/trickle"), true, 500), QString());
    EXPECT_EQ(GetRemoteText(QUrl(QStringLiteral("http://127.0.0.1:1/x")), true), QString());
    EXPECT_EQ(GetRemoteText(QUrl(), true), QString());
}

TEST(VendorUrl, ComesFromTheEnvironment)
{
    const QByteArray saved = qgetenv("VERBALTO_VENDOR_URL");
    qunsetenv("VERBALTO_VENDOR_URL");
    EXPECT_EQ(VendorUrl::UpdateList().toString(),
              u"http://verbalto.example/Vbxpatch/Patchwell2.txt");
    qputenv("VERBALTO_VENDOR_URL", "http://127.0.0.1:8080/");
    EXPECT_EQ(VendorUrl::ProductPage().toString(), u"http://127.0.0.1:8080/verbalto.html");
    if (saved.isNull())
        qunsetenv("VERBALTO_VENDOR_URL");
    else
        qputenv("VERBALTO_VENDOR_URL", saved);
}

TEST(SaveResourceToFile, FindsTheResourceWhateverTheCase)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.bin"));
    ASSERT_TRUE(TestUtil::writeFile(path, QByteArray(4096, 'x')));
    ASSERT_TRUE(SaveResourceToFile(QStringLiteral("sample.BIN"), QStringLiteral("testtype"), path));
    // A longer earlier file is replaced, not overwritten in part.
    EXPECT_EQ(TestUtil::readFile(path),
              TestUtil::readFile(QStringLiteral(":/TestType/Sample.bin")));
    EXPECT_EQ(TestUtil::readFile(path).size(), 19);
}

TEST(SaveResourceToFile, FailsWithoutResourceOrWritableTarget)
{
    QTemporaryDir dir;
    EXPECT_FALSE(SaveResourceToFile(QStringLiteral("none"), QStringLiteral("TestType"),
                                    dir.filePath(QStringLiteral("a"))));
    EXPECT_FALSE(SaveResourceToFile(QStringLiteral("Sample.bin"), QStringLiteral("Other"),
                                    dir.filePath(QStringLiteral("b"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("a"))));
    // A path through a regular file cannot be created, even by root.
    ASSERT_TRUE(TestUtil::writeFile(dir.filePath(QStringLiteral("file")), "x"));
    EXPECT_FALSE(SaveResourceToFile(QStringLiteral("Sample.bin"), QStringLiteral("TestType"),
                                    dir.filePath(QStringLiteral("file/inner"))));
}

TEST(UpdaterFile, RemovesOnlyALeftoverUpdater)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("patchwell"));
    EXPECT_EQ(UpdaterFile::UpdaterPath(dir.path() + u'/'), dir.path() + u"/patchwell");
    EXPECT_EQ(UpdaterFile::UpdaterPath(QStringLiteral("/")), u"/patchwell");
    EXPECT_TRUE(UpdaterFile::RemoveLeftoverUpdater(dir.path()));

    // One we wrote for a hand-over, of whatever version: it goes.
    ASSERT_TRUE(TestUtil::writeFile(path, QByteArray("\x7f"
                                                     "ELF old") +
                                              UpdaterFile::kLeftoverMark));
    EXPECT_TRUE(UpdaterFile::RemoveLeftoverUpdater(dir.path()));
    EXPECT_FALSE(QFile::exists(path));

    // A patchwell installed beside the program, and a folder of that name, stay.
    ASSERT_TRUE(TestUtil::writeFile(path, "\x7f"
                                          "ELF installed"));
    EXPECT_TRUE(UpdaterFile::RemoveLeftoverUpdater(dir.path()));
    EXPECT_EQ(TestUtil::readFile(path), QByteArray("\x7f"
                                                   "ELF installed"));
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("patchwell")));
    EXPECT_TRUE(UpdaterFile::RemoveLeftoverUpdater(dir.path()));
    EXPECT_TRUE(QFileInfo(path).isDir());
}
