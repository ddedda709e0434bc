#include "UpdateCheck.h"
#include "SaveResourceToFile.h"
#include "TestHttpServer.h"
#include "TestUtil.h"
#include "UpdaterFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// One check against a local vendor server, in a temporary program folder, with the question,
// the browser and process start recorded instead of shown.
class UpdateCheckTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        qputenv("VERBALTO_VENDOR_URL", server.baseUrl().toUtf8());
        folder = dir.path();
        check.setProgramPath(folder + u"/verbalto");
        check.setRequestTimeoutMs(500);
        UpdateCheck::Hooks hooks;
        hooks.askYesNo = [this](QWidget*, const QString& title, const QString& text) {
            asked << title + u'|' + text;
            return answerYes;
        };
        hooks.openUrl = [this](const QUrl& url) { opened << url.toString(); };
        hooks.startProgram = [this](const QString& program, const QStringList& args,
                                    const QString& workDir) {
            started << program + u' ' + args.join(u',') + u" in " + workDir;
            return startSucceeds;
        };
        check.setHooks(hooks);
    }
    void TearDown() override { qunsetenv("VERBALTO_VENDOR_URL"); }

    void serveList(const QByteArray& list)
    {
        server.setReply("/Vbxpatch/Patchwell2.txt", CannedReply::ok(list, "text/plain"));
    }
    QString updater() const { return folder + u"/patchwell"; }

    TestHttpServer server;
    QTemporaryDir dir;
    QString folder;
    QString language = QStringLiteral("1");
    int exits = 0;
    UpdateCheck check{nullptr, [this] { return language; }, [this] { ++exits; }};
    bool answerYes = true;
    bool startSucceeds = true;
    QStringList asked, opened, started;
};

const QByteArray kNewer = "1.5.19|12345|http://127.0.0.1/v|Updates: faster\r\nsmaller";

} // namespace

TEST_F(UpdateCheckTest, YesWritesTheUpdaterStartsItAndEnds)
{
    serveList(kNewer);
    QTimer timer2;
    timer2.start(1000);
    check.Timer2_Timer(&timer2);
    EXPECT_FALSE(timer2.isActive());
    EXPECT_EQ(asked, QStringList{u"Notice|A new version was found, update now?"_qs});
    ASSERT_TRUE(QFile::exists(updater()));
    EXPECT_EQ(TestUtil::readFile(updater()),
              *LoadResourceBytes(u"PATCHWELL"_qs, u"patchwell"_qs) + UpdaterFile::kLeftoverMark);
    EXPECT_TRUE(TestUtil::readFile(updater()).startsWith("\x7f"
                                                         "ELF"));
    EXPECT_TRUE(QFileInfo(updater()).isExecutable());
    EXPECT_EQ(QFile::permissions(updater()) & 0x0fff, 0x0755);
    EXPECT_EQ(started, QStringList{updater() + u" verbalto in " + folder});
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(UpdateCheckTest, AnInstalledUpdaterIsStartedAsItIsNeverWrittenOver)
{
    const QByteArray installed = "\x7f"
                                 "ELF installed with the program";
    ASSERT_TRUE(TestUtil::writeFile(updater(), installed));
    ASSERT_TRUE(QFile::setPermissions(updater(), QFile::permissions(updater()) | QFile::ExeOwner));
    serveList(kNewer);
    check.Timer2_Timer();
    EXPECT_EQ(TestUtil::readFile(updater()), installed);
    EXPECT_EQ(started, QStringList{updater() + u" verbalto in " + folder});
    EXPECT_EQ(exits, 1);
}

TEST_F(UpdateCheckTest, NoOpensTheProductPageAndKeepsRunning)
{
    serveList(kNewer);
    language = QStringLiteral("2");
    answerYes = false;
    check.Timer2_Timer();
    EXPECT_EQ(asked, QStringList{u"提示|发现新版本，现在更新吗？"_qs});
    EXPECT_EQ(opened, QStringList{server.baseUrl() + u"/verbalto.html"});
    EXPECT_EQ(exits, 0);
    EXPECT_FALSE(QFile::exists(updater()));
    // Once per run: a second tick does nothing.
    check.Timer2_Timer();
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(UpdateCheckTest, SameOrOlderVersionOnlyRemovesALeftoverUpdater)
{
    for (const QByteArray& list :
         {QByteArray(VERBALTO_VERSION "|1|u|Updates"), QByteArray("1.5.2|1|u|Updates")}) {
        UpdateCheck again(
            nullptr, [] { return u"1"_qs; }, [this] { ++exits; });
        again.setProgramPath(folder + u"/verbalto");
        again.setHooks(UpdateCheck::Hooks{[this](QWidget*, const QString&, const QString&) {
                                              asked << u"?"_qs;
                                              return true;
                                          },
                                          {},
                                          {}});
        ASSERT_TRUE(
            TestUtil::writeFile(updater(), QByteArray("leftover") + UpdaterFile::kLeftoverMark));
        serveList(list);
        again.Timer2_Timer();
        EXPECT_FALSE(QFile::exists(updater())) << list.constData();
    }
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(exits, 0);
}

TEST_F(UpdateCheckTest, NoUsableListDoesNothingAtAll)
{
    server.setReply("/hang", CannedReply::hang());
    const QList<CannedReply> replies = {
        CannedReply::ok("1.5.19|1|http://x/v|updates in lower case"),
        CannedReply::ok("1.5.19|Updates"),
        CannedReply::ok("next|1|http://x/v|Updates"),
        CannedReply::ok(""),
        CannedReply::withStatus(503, "1.5.19|1|http://x/v|Updates"),
        CannedReply::closeConnection(),
        CannedReply::hang(),
    };
    ASSERT_TRUE(TestUtil::writeFile(updater(), "leftover"));
    for (const CannedReply& reply : replies) {
        UpdateCheck again(
            nullptr, [] { return u"1"_qs; }, [this] { ++exits; });
        again.setProgramPath(folder + u"/verbalto");
        again.setRequestTimeoutMs(300);
        again.setHooks(UpdateCheck::Hooks{[this](QWidget*, const QString&, const QString&) {
                                              asked << u"?"_qs;
                                              return true;
                                          },
                                          {},
                                          {}});
        server.setReply("/Vbxpatch/Patchwell2.txt", reply);
        again.Timer2_Timer();
    }
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(exits, 0);

    qputenv("VERBALTO_VENDOR_URL", "http://127.0.0.1:1");
    check.Timer2_Timer();
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(check.done());
}

TEST_F(UpdateCheckTest, AnUpdaterThatCannotBeWrittenKeepsVerbaltoRunning)
{
    serveList(kNewer);
    // A folder stands where the updater must go, so it cannot be written there.
    ASSERT_TRUE(QDir().mkpath(updater() + u"/busy"));
    int failures = 0;
    QObject::connect(&check, &UpdateCheck::updaterFailed, &check, [&failures] { ++failures; });
    check.Timer2_Timer();
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(opened, QStringList{server.baseUrl() + u"/verbalto.html"});
}

TEST_F(UpdateCheckTest, AnUpdaterThatCannotStartKeepsVerbaltoRunning)
{
    serveList(kNewer);
    startSucceeds = false;
    check.Timer2_Timer();
    EXPECT_EQ(started.size(), 1);
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(UpdateCheckTest, AFolderThisUserCannotWriteStaysQuiet)
{
    serveList(kNewer);
    // A program folder that runs through a regular file cannot be written, even by root.
    ASSERT_TRUE(TestUtil::writeFile(folder + u"/file", "x"));
    check.setProgramPath(folder + u"/file/verbalto");
    check.Timer2_Timer(nullptr);
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_EQ(exits, 0);
}
