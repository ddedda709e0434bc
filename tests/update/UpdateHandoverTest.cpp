// The whole hand-over on a real display: Verbalto's check writes and starts the embedded
// updater, which is then driven with real pointer input.
#include "SaveResourceToFile.h"
#include "TestHttpServer.h"
#include "TestUtil.h"
#include "UpdateCheck.h"
#include "UpdaterFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// The updater's buttons, centred, in its window's coordinates.
const QPoint kUpdateButton(98, 296);
const QPoint kExitButton(320, 296);

QString run(const QString& program, const QStringList& args)
{
    return TestUtil::runTool(program, args, 20000);
}

class UpdateHandoverTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") ||
            QStandardPaths::findExecutable(u"xdotool"_qs).isEmpty())
            GTEST_SKIP() << "needs a display and xdotool";
        folder = dir.path() + u"/program";
        ASSERT_TRUE(QDir().mkpath(folder));
        const QByteArray fake = TestUtil::readFile(TestUtil::binPath(u"fake_verbalto"_qs));
        ASSERT_FALSE(fake.isEmpty());
        oldProgram = fake + "old build";
        newProgram = fake + "new build";
        ASSERT_TRUE(TestUtil::writeFile(exe(), oldProgram));
        QFile::setPermissions(exe(), QFile::permissions(exe()) | QFile::ExeOwner);
        server.setReply("/dl/verbalto", CannedReply::ok(newProgram, "application/octet-stream"));
        server.setReply("/Vbxpatch/Patchwell2.txt",
                        CannedReply::ok("1.5.19|1|" + server.baseUrl().toUtf8() +
                                        "/dl/verbalto|Updates:\r\n- faster"));

        // The browser is a script that notes what it was asked to open.
        const QString bin = dir.path() + u"/bin";
        ASSERT_TRUE(QDir().mkpath(bin));
        browserLog = dir.path() + u"/browser.txt";
        ASSERT_TRUE(TestUtil::writeFile(bin + u"/xdg-open", "#!/bin/sh\necho \"$@\" >> '" +
                                                                browserLog.toUtf8() + "'\n"));
        QFile::setPermissions(bin + u"/xdg-open",
                              QFile::permissions(bin + u"/xdg-open") | QFile::ExeOwner);
        savedPath = qgetenv("PATH");
        qputenv("PATH", bin.toUtf8() + ':' + savedPath);
        qputenv("VERBALTO_VENDOR_URL", server.baseUrl().toUtf8());
    }

    void TearDown() override
    {
        if (!savedPath.isNull())
            qputenv("PATH", savedPath);
        qunsetenv("VERBALTO_VENDOR_URL");
        for (qint64 pid : std::as_const(pids))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }

    QString exe() const { return folder + u"/verbalto"; }
    QString startLog() const { return folder + u"/started.txt"; }

    // The updater's window once it is mapped, as an X window id.
    QString updaterWindow()
    {
        const QString ids = run(u"xdotool"_qs, {u"search"_qs, u"--sync"_qs, u"--onlyvisible"_qs,
                                                u"--name"_qs, u"^更新$"_qs});
        return ids.section(u'\n', 0, 0);
    }

    void click(const QString& window, QPoint at)
    {
        // No --sync: it waits for a motion that never comes when the pointer is already there.
        run(u"xdotool"_qs, {u"mousemove"_qs, u"--window"_qs, window, QString::number(at.x()),
                            QString::number(at.y()), u"click"_qs, u"1"_qs});
    }

    bool failThenLeave();

    QTemporaryDir dir;
    QString folder;
    QString browserLog;
    QByteArray savedPath;
    QByteArray oldProgram, newProgram;
    TestHttpServer server;
    QList<qint64> pids;
};

} // namespace

TEST_F(UpdateHandoverTest, AcceptedUpdateIsInstalledAndVerbaltoRestartedWithUP)
{
    int exits = 0;
    UpdateCheck check(
        nullptr, [] { return u"1"_qs; }, [&exits] { ++exits; });
    check.setProgramPath(exe());
    UpdateCheck::Hooks hooks = UpdateCheck::DefaultHooks();
    hooks.askYesNo = [](QWidget*, const QString&, const QString&) { return true; };
    hooks.startProgram = [this](const QString& program, const QStringList& args,
                                const QString& wd) {
        qint64 pid = 0;
        const bool ok = QProcess::startDetached(program, args, wd, &pid);
        pids << pid;
        return ok;
    };
    check.setHooks(hooks);
    check.Timer2_Timer();
    ASSERT_EQ(exits, 1);
    ASSERT_TRUE(QFile::exists(UpdaterFile::UpdaterPath(folder)));

    const QString window = updaterWindow();
    ASSERT_FALSE(window.isEmpty());
    // The updater has its list once it has asked for it; input queued before that waits.
    ASSERT_TRUE(server.waitForRequests(2, 10000));
    click(window, kUpdateButton);

    // The updater waits about four seconds between download and restart.
    ASSERT_TRUE(TestUtil::waitUntil([this] { return QFile::exists(startLog()); }, 30000));
    EXPECT_EQ(TestUtil::readFile(startLog()), "started UP\n");
    EXPECT_EQ(TestUtil::readFile(exe()), newProgram);
    EXPECT_TRUE(QFileInfo(exe()).isExecutable());
    EXPECT_FALSE(QFile::exists(folder + u"/tmp.tmp"));
    EXPECT_FALSE(QFile::exists(browserLog));
    // The next start without "UP" removes the updater.
    EXPECT_TRUE(UpdaterFile::RemoveLeftoverUpdater(folder));
    EXPECT_FALSE(QFile::exists(UpdaterFile::UpdaterPath(folder)));
}

namespace {

// Starts the embedded updater from folder as Verbalto would, optionally inside a private mount
// namespace prepared by a shell line first ("$0" is the folder there).
qint64 startUpdater(const QString& folder, const QString& prepare = {})
{
    const QString updater = UpdaterFile::UpdaterPath(folder);
    if (!UpdaterFile::WriteUpdater(updater))
        return 0;
    qint64 pid = 0;
    if (prepare.isEmpty()) {
        QProcess::startDetached(updater, {u"verbalto"_qs}, folder, &pid);
    } else {
        QProcess::startDetached(u"unshare"_qs,
                                {u"-m"_qs, u"sh"_qs, u"-c"_qs,
                                 prepare + u" && exec \"$0/patchwell\" verbalto"_qs, folder},
                                folder, &pid);
    }
    return pid;
}

} // namespace

// Presses update in the updater's window, lets the download fail, then leaves with exit; true
// when the browser was asked for a page.
bool UpdateHandoverTest::failThenLeave()
{
    const QString window = updaterWindow();
    if (window.isEmpty() || !server.waitForRequests(1, 10000))
        return false;
    click(window, kUpdateButton);
    if (!server.waitForRequests(2, 10000))
        return false;
    // Ready again once the download has ended; the exit button then leaves.
    TestUtil::waitUntil([] { return false; }, 1500);
    click(window, kExitButton);
    return TestUtil::waitUntil([this] { return QFile::exists(browserLog); }, 10000);
}

TEST_F(UpdateHandoverTest, AFailedDownloadKeepsVerbaltoAndOpensTheProductPage)
{
    server.setReply("/dl/verbalto", CannedReply::withStatus(404, "<html>gone</html>"));
    pids << startUpdater(folder);
    ASSERT_TRUE(failThenLeave());
    EXPECT_EQ(TestUtil::readFile(browserLog), server.baseUrl().toUtf8() + "/verbalto.html\n");
    EXPECT_FALSE(QFile::exists(startLog()));
    EXPECT_EQ(TestUtil::readFile(exe()), oldProgram);
}

TEST_F(UpdateHandoverTest, AReadOnlyProgramFolderKeepsVerbalto)
{
    if (!TestUtil::isRoot() || QStandardPaths::findExecutable(u"unshare"_qs).isEmpty())
        GTEST_SKIP() << "needs root and unshare";
    pids << startUpdater(folder, u"mount --bind -o ro \"$0\" \"$0\""_qs);
    ASSERT_TRUE(failThenLeave());
    EXPECT_FALSE(QFile::exists(startLog()));
    EXPECT_EQ(TestUtil::readFile(exe()), oldProgram);
    EXPECT_FALSE(QFile::exists(folder + u"/tmp.tmp"));
}

TEST_F(UpdateHandoverTest, AProgramThatCannotBeRenamedOverShowsTheFailure)
{
    if (!TestUtil::isRoot() || QStandardPaths::findExecutable(u"unshare"_qs).isEmpty())
        GTEST_SKIP() << "needs root and unshare";
    // A mount point cannot be renamed over: the replacement itself fails.
    pids << startUpdater(folder, u"mount --bind \"$0/verbalto\" \"$0/verbalto\""_qs);
    const QString window = updaterWindow();
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(server.waitForRequests(1, 10000));
    click(window, kUpdateButton);
    const QString box = run(u"xdotool"_qs, {u"search"_qs, u"--sync"_qs, u"--onlyvisible"_qs,
                                            u"--name"_qs, u"^patchwell$"_qs});
    EXPECT_FALSE(box.isEmpty());
    EXPECT_EQ(TestUtil::readFile(exe()), oldProgram);
    EXPECT_FALSE(QFile::exists(startLog()));
}
