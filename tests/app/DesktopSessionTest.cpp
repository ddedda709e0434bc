// The program in a desktop session as a user meets it: a real window manager (openbox), a real
// tray host (trayer), other programs on the clipboard, and a second start of the program.
#include "DesktopSupport.h"
#include "ReplyPages.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QStyleHints>
#include <QUrlQuery>
#include <csignal>
#include <gtest/gtest.h>

using namespace DesktopSupport;

namespace {

QString textOf(const RecordedRequest& r)
{
    QByteArray body = r.body;
    body.replace('+', ' ');
    return QUrlQuery(QString::fromLatin1(body))
        .queryItemValue(QStringLiteral("text"), QUrl::FullyDecoded);
}

QStringList textsOf(const QList<RecordedRequest>& requests)
{
    QStringList texts;
    for (const RecordedRequest& r : requests)
        texts << textOf(r);
    return texts;
}

// English captions, no clipboard monitor: the tray and start tests stay off the clipboard.
const QByteArray kQuietSettings = "[Setup]\nLanguage=1\nOptions=0|15|1|1|15|0|1\n";

class Session : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!HaveTools({QStringLiteral("xdotool"), QStringLiteral("xclip"), QStringLiteral("xprop"),
                        QStringLiteral("xwininfo"), QStringLiteral("openbox"),
                        QStringLiteral("trayer")}))
            GTEST_SKIP() << "needs an X display, xdotool, xclip, xprop, openbox and trayer";
        ASSERT_TRUE(wm.start()) << "openbox did not start";
        server.setReply("/translate_t",
                        CannedReply::ok(ReplyPages::PageUtf8({QStringLiteral("Quoi\u00a0?")})));
        holder = TestUtil::xclipCopy(QByteArray());
        QThread::msleep(200);
    }

    void copyElsewhere(const QByteArray& data)
    {
        holder.reset();
        QThread::msleep(300);
        holder = TestUtil::xclipCopy(data);
    }

    // Shown, and still shown a moment later (the fault was a window hidden again at once).
    static bool staysShown(Verbalto& app) { return staysShown(app.pid()); }
    static bool staysShown(qint64 pid)
    {
        if (!TestUtil::waitUntil([&] { return !MainWindowOf(pid).isEmpty(); }, 10000))
            return false;
        QThread::msleep(700);
        const QString id = MainWindowOf(pid);
        return !id.isEmpty() &&
               TestUtil::runTool(QStringLiteral("xprop"),
                                 {QStringLiteral("-id"), id, QStringLiteral("WM_STATE")})
                   .contains(QStringLiteral("Normal"));
    }

    // A click on the icon; apart from the last one, or the two would make a double click,
    // which does not toggle.
    static void click(const QString& window, int button = 1)
    {
        QThread::msleep(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 200);
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                 QStringLiteral("8"), QStringLiteral("8"), QStringLiteral("click"),
                 QString::number(button)});
    }

    WindowManager wm;
    TestHttpServer server;
    std::unique_ptr<QProcess> holder;
};

} // namespace

TEST_F(Session, TheTrayIconRestoresTheWindowEveryTime)
{
    Trayer host;
    ASSERT_TRUE(host.start()) << "trayer did not map its panel";
    Verbalto app(server);
    app.setSettings(kQuietSettings);
    ASSERT_TRUE(app.start({QStringLiteral("mini")}));
    QString icon;
    ASSERT_TRUE(
        TestUtil::waitUntil([&] { return !(icon = Trayer::iconOf(app.pid())).isEmpty(); }, 10000));
    EXPECT_TRUE(app.mappedWindow().isEmpty());

    // The first click after a "mini" start, and 19 more round trips.
    for (int i = 0; i < 20; ++i) {
        click(icon);
        ASSERT_TRUE(staysShown(app)) << "restore " << i + 1 << " failed";
        click(icon);
        ASSERT_TRUE(TestUtil::waitUntil([&] { return app.mappedWindow().isEmpty(); }, 10000))
            << "hide " << i + 1 << " failed";
    }

    // The Options item of the tray menu (the second), its dialog closed with Escape, then the
    // first click on the icon.
    click(icon, 3);
    QThread::msleep(500);
    xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"),
             QStringLiteral("Return")});
    const auto optionsDialog = [&] {
        return xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                        QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                        QString::number(app.pid()), QStringLiteral("--name"),
                        QStringLiteral("Options")});
    };
    QString dialog;
    ASSERT_TRUE(TestUtil::waitUntil([&] { return !(dialog = optionsDialog()).isEmpty(); }, 10000));
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), dialog,
             QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("Escape")});
    ASSERT_TRUE(TestUtil::waitUntil([&] { return optionsDialog().isEmpty(); }, 10000));
    click(icon);
    ASSERT_TRUE(staysShown(app)) << "restore after the Options dialog failed";

    app.screenshot(QStringLiteral("restored-from-tray.png"));
}

TEST_F(Session, ASecondStartHandsOverToTheFirst)
{
    Trayer host;
    ASSERT_TRUE(host.start());
    Verbalto first(server);
    first.setSettings(kQuietSettings);
    ASSERT_TRUE(first.start({QStringLiteral("mini")}));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return Trayer::holdsIconOf(first.pid()); }, 10000));

    // A logon start while it runs ends quietly.
    Verbalto logon(server);
    logon.shareFoldersWith(first);
    ASSERT_TRUE(logon.start({QStringLiteral("mini")}));
    EXPECT_EQ(logon.waitForExit(), 0);
    EXPECT_TRUE(first.mappedWindow().isEmpty());

    // A plain start brings the first one's window up and ends.
    Verbalto plain(server);
    plain.shareFoldersWith(first);
    ASSERT_TRUE(plain.start());
    EXPECT_EQ(plain.waitForExit(), 0);
    EXPECT_TRUE(staysShown(first));

    // A crash leaves its socket behind; the next start takes it over.
    ::kill(static_cast<pid_t>(first.pid()), SIGKILL);
    first.waitForExit();
    Verbalto next(server);
    next.shareFoldersWith(first);
    ASSERT_TRUE(next.start());
    EXPECT_FALSE(next.waitForWindow().isEmpty());
    EXPECT_TRUE(next.running());

    // The restart after an update waits for the old program to leave and then runs itself.
    Verbalto updated(server);
    updated.shareFoldersWith(first);
    ASSERT_TRUE(updated.start({QStringLiteral("UP")}));
    QThread::msleep(1000);
    next.stop();
    EXPECT_FALSE(updated.waitForWindow().isEmpty()) << "the updated program did not start";
    EXPECT_TRUE(updated.running());
}

TEST_F(Session, ACopyDuringASlowTranslationWaitsForItsEnd)
{
    CannedReply slow = CannedReply::ok(ReplyPages::PageUtf8({QStringLiteral("Bonjour")}));
    slow.delayMs = 3000;
    server.setReply("/translate_t", slow);
    Verbalto app(server); // fresh settings: the clipboard monitor is on
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    app.clickPic1(200, 60);
    app.type(QStringLiteral("typed by hand"));
    app.key(QStringLiteral("F5"));
    ASSERT_TRUE(server.waitForRequests(1, 10000));

    copyElsewhere("first copy");
    QThread::msleep(400);
    copyElsewhere("copied meanwhile");
    TestUtil::waitUntil([&] { return Translations(server).size() >= 2; }, 15000);
    QThread::msleep(1000);
    EXPECT_EQ(textsOf(Translations(server)),
              (QStringList{QStringLiteral("typed by hand"), QStringLiteral("copied meanwhile")}));
}

TEST_F(Session, APasswordManagersCopyIsNeverSent)
{
    Verbalto app(server);
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    QThread::msleep(500);

    holder.reset();
    QProcess secret;
    secret.start(TestUtil::binPath(QStringLiteral("secret_copier")), {QStringLiteral("hunter2")});
    ASSERT_TRUE(secret.waitForReadyRead(10000)) << "the copier did not copy";
    QThread::msleep(1500);
    EXPECT_TRUE(Translations(server).isEmpty())
        << textOf(Translations(server).first()).toStdString();

    holder = TestUtil::xclipCopy("plain words");
    ASSERT_TRUE(TestUtil::waitUntil([&] { return Translations(server).size() == 1; }, 10000));
    EXPECT_EQ(textOf(Translations(server).first()), u"plain words");
    secret.kill();
    secret.waitForFinished(3000);
}

TEST_F(Session, CopyKeepsNoBreakSpaces)
{
    Verbalto app(server);
    app.setSettings(kQuietSettings);
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    app.clickPic1(200, 60);
    app.type(QStringLiteral("what"));
    app.key(QStringLiteral("F5"));
    ASSERT_TRUE(server.waitForRequests(1, 10000));
    QThread::msleep(500);
    app.clickPic1(474, 161); // Copy
    QString copied;
    TestUtil::waitUntil(
        [&] {
            copied = TestUtil::runTool(
                QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
            return !copied.isEmpty();
        },
        5000);
    EXPECT_EQ(copied, QStringLiteral("Quoi\u00a0?"));
    app.screenshot(QStringLiteral("buttons-under-openbox.png"));
}

namespace {

// gdbus on the test's session bus: destination, "-o" path, "-m" method and arguments, in one line
// split at blanks.
QString gdbusCall(const QString& line, int timeoutMs = 10000)
{
    return TestUtil::runTool(QStringLiteral("gdbus"),
                             QStringLiteral("call --session -d ").append(line).split(u' '),
                             timeoutMs);
}
const QString kApplication = QStringLiteral(
    "org.verbalto.Verbalto -o /org/verbalto/Verbalto -m org.freedesktop.Application.");
// The process owning the name, 0 for none.
qint64 busOwnerPid()
{
    return gdbusCall(
               QStringLiteral("org.freedesktop.DBus -o /org/freedesktop/DBus -m org.freedesktop."
                              "DBus.GetConnectionUnixProcessID org.verbalto.Verbalto"))
        .section(QRegularExpression(QStringLiteral("[ ,]")), 1, 1)
        .toLongLong();
}

} // namespace

// As a launcher meets Verbalto on the session bus: started by the bus for an action, junk
// refused with the window left hidden, later starts handed over through the bus alone (their
// own folders, so no shared socket), a hung owner neither waited for without end nor doubled,
// two starts at once make one Verbalto, a restart after an update waits for the old one, and
// one that runs without the bus still gets a start on the bus.
TEST_F(Session, TheBusStartsVerbaltoForAnActionAndCarriesCommands)
{
    if (!HaveTools({QStringLiteral("gdbus"), QStringLiteral("dbus-daemon")}))
        GTEST_SKIP() << "needs gdbus and dbus-daemon";
    Trayer host;
    ASSERT_TRUE(host.start());
    Verbalto folders(server);
    folders.setSettings(kQuietSettings);
    // The service file as installed, but starting the built program in the test's folders.
    QTemporaryDir data;
    const QString services = data.path() + QStringLiteral("/dbus-1/services");
    QDir().mkpath(services);
    ASSERT_TRUE(TestUtil::writeFile(
        services + QStringLiteral("/org.verbalto.Verbalto.service"),
        QStringLiteral("[D-BUS Service]\nName=org.verbalto.Verbalto\nExec=/usr/bin/env -u "
                       "QT_QPA_PLATFORM XDG_CONFIG_HOME=%1 XDG_RUNTIME_DIR=%2 "
                       "VERBALTO_TRANSLATE_URL=%3 VERBALTO_VENDOR_URL=%3 VERBALTO_NO_AUDIO=1 %4 "
                       "--dbus-activated\n")
            .arg(folders.config.path(), folders.runtime.path(), server.baseUrl(),
                 TestUtil::binPath(QStringLiteral("verbalto")))
            .toUtf8()));
    SessionBus bus;
    ASSERT_TRUE(bus.start(folders.config.path(), data.path()));
    qint64 pid = 0;
    const std::shared_ptr<void> endStarted(nullptr, [&](void*) {
        if (pid > 0)
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    });

    auto primary = SelectElsewhere("selected elsewhere");
    ASSERT_TRUE(primary);
    EXPECT_EQ(
        gdbusCall(kApplication + QStringLiteral("ActivateAction translate-selection [] {}"), 30000),
        u"()");
    ASSERT_GT(pid = busOwnerPid(), 0);
    ASSERT_TRUE(TestUtil::waitUntil([&] { return Translations(server).size() == 1; }, 15000));
    EXPECT_EQ(textOf(Translations(server).last()), u"selected elsewhere");
    ASSERT_TRUE(staysShown(pid));

    // Hidden in the tray, then junk: nothing shows, nothing is translated.
    QString icon;
    ASSERT_TRUE(
        TestUtil::waitUntil([&] { return !(icon = Trayer::iconOf(pid)).isEmpty(); }, 10000));
    click(icon);
    ASSERT_TRUE(TestUtil::waitUntil([&] { return MainWindowOf(pid).isEmpty(); }, 10000));
    for (const char* junk :
         {"ActivateAction quit [] {}", "ActivateAction translate-selection [<1>] {}",
          "ActivateAction translate [<'a'>,<'b'>] {}", "ActivateAction translate [<1>] {}",
          "Open ['file:///etc/passwd'] {}"})
        EXPECT_EQ(gdbusCall(kApplication + QLatin1String(junk)), u"") << junk;
    // Longer than a socket request may be.
    EXPECT_EQ(
        gdbusCall(kApplication +
                  QStringLiteral("ActivateAction translate [<'%1'>] {}").arg(QString(3100, u'x'))),
        u"");
    QThread::msleep(700);
    EXPECT_TRUE(MainWindowOf(pid).isEmpty());
    EXPECT_EQ(Translations(server).size(), 1);

    // A later start with a command, in folders of its own: only the bus can carry it.
    const auto later = [&](const QStringList& args) {
        auto second = std::make_unique<Verbalto>(server);
        second->setEnv(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        second->start(args);
        return second;
    };
    primary = SelectElsewhere("over the bus");
    ASSERT_TRUE(primary);
    EXPECT_EQ(later({QStringLiteral("--translate-selection")})->waitForExit(), 0);
    ASSERT_TRUE(TestUtil::waitUntil([&] { return Translations(server).size() == 2; }, 10000));
    EXPECT_EQ(textOf(Translations(server).last()), u"over the bus");
    EXPECT_TRUE(staysShown(pid));

    // Hung: a later start says so and ends; none takes the name from it.
    ::kill(static_cast<pid_t>(pid), SIGSTOP);
    auto impatient = later({QStringLiteral("--show")});
    EXPECT_EQ(impatient->waitForExit(30000), 0);
    EXPECT_TRUE(impatient->errors().contains("does not answer")) << impatient->errors().constData();
    ::kill(static_cast<pid_t>(pid), SIGCONT);
    EXPECT_EQ(busOwnerPid(), pid);

    // Gone: of two plain starts at once exactly one runs and owns the name.
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    ASSERT_TRUE(TestUtil::waitUntil([&] { return busOwnerPid() == 0; }, 5000));
    auto one = later({});
    auto two = later({});
    ASSERT_TRUE(TestUtil::waitUntil([&] { return !one->running() || !two->running(); }, 20000));
    QThread::msleep(1000);
    EXPECT_NE(one->running(), two->running());
    auto& running = one->running() ? one : two;
    EXPECT_EQ(busOwnerPid(), running->pid());
    EXPECT_FALSE(running->waitForWindow().isEmpty());

    // The restart after an update waits for the name to come free, then takes it.
    auto updated = later({QStringLiteral("UP")});
    QThread::msleep(1000);
    running->stop();
    EXPECT_FALSE(updated->waitForWindow().isEmpty()) << "the updated program did not start";
    EXPECT_EQ(busOwnerPid(), updated->pid());
    updated->stop();

    // Started without the bus, it holds the socket: a start on the bus hands over to it.
    Verbalto alone(server);
    alone.setSettings(kQuietSettings);
    ASSERT_TRUE(alone.start({QStringLiteral("mini")}));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return Trayer::holdsIconOf(alone.pid()); }, 10000));
    Verbalto onBus(server);
    onBus.shareFoldersWith(alone);
    onBus.setEnv(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    onBus.start();
    EXPECT_EQ(onBus.waitForExit(), 0);
    EXPECT_TRUE(staysShown(alone));
    EXPECT_EQ(busOwnerPid(), 0);
}
