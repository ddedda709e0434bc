#include "frmMain.h"
#include "Downloader.h"
#include "TestHttpServer.h"
#include "TestUtil.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The updater window in a temporary program folder that holds a stand-in for Verbalto, against
// a local vendor server. Restarts are real; messages and the browser are recorded.
class frmMainTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const QByteArray fake = TestUtil::readFile(TestUtil::binPath(u"fake_verbalto"_qs));
        ASSERT_FALSE(fake.isEmpty());
        // Bytes after the program do not stop it from running; they tell the builds apart.
        oldProgram = fake + "old build";
        newProgram = fake + "new build, a little longer";
        folder = dir.path();
        ASSERT_TRUE(TestUtil::writeFile(exe(), oldProgram));
        ASSERT_TRUE(QFile::setPermissions(exe(), QFile::permissions(exe()) | QFile::ExeOwner));
        server.setReply("/dl/verbalto", CannedReply::ok(newProgram, "application/octet-stream"));
        serveList("1.5.19|7|" + server.baseUrl().toUtf8() + "/dl/verbalto|Updates:\r\n- faster");

        setup.programFolder = folder;
        setup.mainExeName = u"verbalto"_qs;
        setup.updateListUrl = QUrl(server.baseUrl() + u"/Vbxpatch/Patchwell2.txt");
        setup.productPageUrl = QUrl(server.baseUrl() + u"/verbalto.html");
        setup.listTimeoutMs = 2000;
        setup.downloadTimeoutMs = 2000;
        setup.replaceWaitMs = 0;
        setup.closeWaitMs = 0;
        setup.locale = QLocale(QLocale::C);
        setup.showMessage = [this](QWidget*, QMessageBox::Icon, const QString& title,
                                   const QString& text) { messages << title + u'|' + text; };
        setup.openUrl = [this](const QUrl& url) { opened << url.toString(); };
        setup.startProgram = frmMain::DefaultSetup({}).startProgram;
    }

    void serveList(const QByteArray& list)
    {
        server.setReply("/Vbxpatch/Patchwell2.txt", CannedReply::ok(list, "text/plain"));
    }
    QString exe() const { return folder + u"/verbalto"; }
    QString startLog() const { return folder + u"/started.txt"; }
    std::unique_ptr<frmMain> load()
    {
        auto window = std::make_unique<frmMain>(setup);
        window->show();
        window->Form_Load();
        return window;
    }
    bool waitReady(frmMain& w)
    {
        return TestUtil::waitUntil([&w] { return w.cmdDown->isEnabled(); });
    }

    TestHttpServer server;
    QTemporaryDir dir;
    QString folder;
    QByteArray oldProgram, newProgram;
    frmMain::Setup setup;
    QStringList messages, opened;
};

} // namespace

TEST_F(frmMainTest, BuildsTheWindowAsLaidOut)
{
    serveList("");
    auto w = load();
    EXPECT_EQ(w->windowTitle(), u"更新");
    EXPECT_EQ(w->size(), QSize(417, 313));
    EXPECT_EQ(w->cmdDown->geometry(), QRect(60, 284, 77, 25));
    EXPECT_EQ(w->cmdCancel->geometry(), QRect(171, 284, 77, 25));
    EXPECT_EQ(w->cmdExit->geometry(), QRect(282, 284, 77, 25));
    EXPECT_EQ(w->hProgress->geometry(), QRect(3, 252, 410, 20));
    EXPECT_EQ(w->cmdDown->text(), u"更新(&U)");
    EXPECT_EQ(w->cmdCancel->text(), u"停止(&S)");
    EXPECT_EQ(w->cmdExit->text(), u"退出(&E)");
    EXPECT_TRUE(w->cmdDown->isEnabled());
    EXPECT_FALSE(w->cmdCancel->isEnabled());
    EXPECT_EQ(w->Text1->toPlainText(), u"Do not update");
    EXPECT_TRUE(w->lblCount->text().isEmpty());
}

TEST_F(frmMainTest, UpdatesReplacesInOneStepAndRestartsWithUP)
{
    auto w = load();
    EXPECT_EQ(w->Text1->toPlainText(), u"Version: V1.5.19\nUpdates:\n- faster");
    QTest::mouseClick(w->cmdDown, Qt::LeftButton);
    ASSERT_TRUE(TestUtil::waitUntil([&w] { return !w->isVisible(); }));
    EXPECT_EQ(w->lblCount->text(), u"升级完成.");
    EXPECT_EQ(w->hProgress->value(), 100);
    EXPECT_FALSE(w->UpdateFailed());
    EXPECT_EQ(TestUtil::readFile(exe()), newProgram);
    EXPECT_FALSE(QFile::exists(folder + u"/tmp.tmp"));
    ASSERT_TRUE(TestUtil::waitUntil([this] { return QFile::exists(startLog()); }));
    EXPECT_EQ(TestUtil::readFile(startLog()), "started UP\n");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(frmMainTest, AFailedDownloadKeepsTheOldProgramAndOpensTheProductPage)
{
    server.setReply("/dl/verbalto", CannedReply::withStatus(404, "<html>not found</html>"));
    auto w = load();
    w->cmdDown->click();
    EXPECT_FALSE(w->cmdDown->isEnabled());
    EXPECT_TRUE(w->cmdCancel->isEnabled());
    ASSERT_TRUE(waitReady(*w));
    EXPECT_FALSE(w->cmdCancel->isEnabled());
    EXPECT_EQ(w->lblCount->text(), u"升级失败, 请重试.");
    EXPECT_TRUE(w->UpdateFailed());
    EXPECT_EQ(TestUtil::readFile(exe()), oldProgram);

    // A second attempt that succeeds clears the failure.
    server.setReply("/dl/verbalto", CannedReply::ok(newProgram, "application/octet-stream"));
    w->cmdDown->click();
    ASSERT_TRUE(TestUtil::waitUntil([&w] { return !w->isVisible(); }));
    EXPECT_FALSE(w->UpdateFailed());
    EXPECT_EQ(TestUtil::readFile(exe()), newProgram);
}

TEST_F(frmMainTest, LeavingAfterAFailureStartsNothing)
{
    server.setReply("/dl/verbalto", CannedReply::closeConnection());
    auto w = load();
    w->cmdDown->click();
    ASSERT_TRUE(waitReady(*w));
    w->cmdExit->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(opened, QStringList{server.baseUrl() + u"/verbalto.html"});
    TestUtil::waitUntil([] { return false; }, 200);
    EXPECT_FALSE(QFile::exists(startLog()));
    EXPECT_EQ(TestUtil::readFile(exe()), oldProgram);
}

TEST_F(frmMainTest, LeavingWithoutUpdatingRestartsVerbalto)
{
    auto w = load();
    w->close();
    ASSERT_TRUE(TestUtil::waitUntil([this] { return QFile::exists(startLog()); }));
    EXPECT_EQ(TestUtil::readFile(startLog()), "started UP\n");
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(TestUtil::readFile(exe()), oldProgram);
}

TEST_F(frmMainTest, ADownloadThatIsNoProgramIsRefused)
{
    for (const QByteArray& body : {QByteArray("<html>maintenance</html>"), QByteArray()}) {
        server.setReply("/dl/verbalto", CannedReply::ok(body));
        messages.clear();
        auto w = load();
        w->cmdDown->click();
        ASSERT_TRUE(waitReady(*w));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(u"|更新：" + folder + u"/verbalto\nError Number: 100"))
            << messages[0].toStdString();
        EXPECT_TRUE(messages[0].contains(u"\nDescription:"));
        EXPECT_EQ(w->lblCount->text(), u"更新失败，请重试！");
        EXPECT_NE(w->hProgress->value(), 100);
        EXPECT_TRUE(w->UpdateFailed());
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(TestUtil::readFile(exe()), oldProgram);
        EXPECT_FALSE(QFile::exists(folder + u"/tmp.tmp"));
    }
}

TEST_F(frmMainTest, AChecksumInTheListMustMatch)
{
    const QByteArray good =
        QCryptographicHash::hash(newProgram, QCryptographicHash::Sha256).toHex();
    const QByteArray url = server.baseUrl().toUtf8() + "/dl/verbalto";
    // A wrong one, and a malformed one (never taken for no checksum at all).
    for (const QByteArray& sum : {QByteArray(64, 'a'), QByteArray("1234")}) {
        serveList("1.6|1|" + url + "|Updates|sha256:" + sum);
        auto w = load();
        w->cmdDown->click();
        ASSERT_TRUE(waitReady(*w));
        EXPECT_EQ(w->lblCount->text(), u"更新失败，请重试！");
        EXPECT_EQ(w->hProgress->value(), 0);
        EXPECT_EQ(TestUtil::readFile(exe()), oldProgram);
        EXPECT_FALSE(QFile::exists(folder + u"/tmp.tmp"));
    }

    serveList("1.6|1|" + url + "|Updates|sha256:" + good);
    auto again = load();
    again->cmdDown->click();
    ASSERT_TRUE(TestUtil::waitUntil([&again] { return !again->isVisible(); }));
    EXPECT_EQ(TestUtil::readFile(exe()), newProgram);
}

TEST_F(frmMainTest, AFailedRenameShowsTheFailureAndKeepsWhatWasThere)
{
    ASSERT_TRUE(QFile::remove(exe()));
    ASSERT_TRUE(QDir(folder).mkpath(u"verbalto/inner"_qs));
    auto w = load();
    w->cmdDown->click();
    ASSERT_TRUE(waitReady(*w));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(u"|更新："_qs) || messages[0].contains(u"|更新："));
    EXPECT_EQ(w->lblCount->text(), u"更新失败，请重试！");
    EXPECT_TRUE(QFileInfo(folder + u"/verbalto/inner").isDir());
    w->close();
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(frmMainTest, WithoutAListTheUpdateButtonReportsItCannotStart)
{
    serveList("<html>moved</html>");
    auto w = load();
    EXPECT_EQ(w->Text1->toPlainText(), u"Do not update");
    w->cmdDown->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(u"Error|5:error: BeginDown().\n\n"))
        << messages[0].toStdString();
    EXPECT_TRUE(w->cmdDown->isEnabled());
    EXPECT_FALSE(w->UpdateFailed());
}

TEST_F(frmMainTest, StopCancelsTheDownload)
{
    server.setReply("/dl/verbalto", CannedReply::hang());
    auto w = load();
    w->cmdDown->click();
    ASSERT_TRUE(server.waitForRequests(2));
    w->cmdCancel->click();
    EXPECT_TRUE(w->cmdDown->isEnabled());
    EXPECT_FALSE(w->cmdCancel->isEnabled());
    EXPECT_EQ(w->Downer1->FileList().size(), 1);
    TestUtil::waitUntil([] { return false; }, 200);
    EXPECT_TRUE(w->lblCount->text().isEmpty());
    EXPECT_FALSE(QFile::exists(folder + u"/tmp.tmp"));
}

TEST_F(frmMainTest, TheArgumentTextNamesTheProgram)
{
    const QString spaced = folder + u"/My Tool";
    ASSERT_TRUE(QFile::copy(exe(), spaced));
    setup.mainExeName = frmMain::DefaultSetup({u"My"_qs, u"Tool"_qs}).mainExeName;
    auto w = load();
    EXPECT_EQ(w->TargetPath(), spaced);
    w->cmdDown->click();
    ASSERT_TRUE(TestUtil::waitUntil([&w] { return !w->isVisible(); }));
    EXPECT_EQ(TestUtil::readFile(spaced), newProgram);
    EXPECT_EQ(TestUtil::readFile(exe()), oldProgram);

    setup.mainExeName = u"../verbalto"_qs;
    EXPECT_TRUE(frmMain(setup).TargetPath().isEmpty());
}

TEST(Patchwell, StartsAndAsksForTheUpdateList)
{
    TestHttpServer server;
    server.setReply("/Vbxpatch/Patchwell2.txt", CannedReply::ok("1.6|1|u|Updates"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"VERBALTO_VENDOR_URL"_qs, server.baseUrl());
    env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
    p.setProcessEnvironment(env);
    p.start(TestUtil::binPath(u"patchwell"_qs), {u"verbalto"_qs});
    ASSERT_TRUE(p.waitForStarted());
    EXPECT_TRUE(server.waitForRequests(1, 10000));
    EXPECT_EQ(p.state(), QProcess::Running);
    p.kill();
    p.waitForFinished();
}
