// The program with a tray that speaks StatusNotifierItem (xfce4-panel) and a notification server
// (dunst), each test on a private session bus under a real window manager.
#include "DesktopSupport.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace DesktopSupport;

namespace {

const QByteArray kQuietSettings = "[Setup]\nLanguage=1\nOptions=0|15|1|1|15|0|1\n";

class StatusTrayTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!HaveTools({QStringLiteral("xdotool"), QStringLiteral("openbox"),
                        QStringLiteral("xfce4-panel"), QStringLiteral("dunst"),
                        QStringLiteral("dunstctl"), QStringLiteral("gdbus"),
                        QStringLiteral("dbus-daemon"), QStringLiteral("dbus-monitor")}))
            GTEST_SKIP()
                << "needs an X display, openbox, xfce4-panel, dunst, gdbus and dbus-daemon";
        ASSERT_TRUE(wm.start()) << "openbox did not start";
        ASSERT_TRUE(bus.start(StatusTray::writeConfig(folder.path())));
        ASSERT_TRUE(notifications.start(folder.path())) << "dunst did not start";
        app.setEnv(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        app.setSettings(kQuietSettings);
    }

    static QString activate(const QString& item)
    {
        return TestUtil::runTool(
            QStringLiteral("gdbus"),
            {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("-d"),
             item.section(u'/', 0, 0), QStringLiteral("-o"), u'/' + item.section(u'/', 1),
             QStringLiteral("-m"), QStringLiteral("org.kde.StatusNotifierItem.Activate"),
             QStringLiteral("0"), QStringLiteral("0")});
    }

    bool shown() const { return !app.mappedWindow().isEmpty(); }

    WindowManager wm;
    QTemporaryDir folder;
    SessionBus bus;
    NotificationServer notifications;
    TestHttpServer server;
    Verbalto app{server};
};

} // namespace

TEST_F(StatusTrayTest, TheIconTogglesGreetsOnceAndIdlesWithoutNewConnections)
{
    StatusTray tray;
    ASSERT_TRUE(tray.start()) << "xfce4-panel's status tray did not register";
    QProcess sent;
    sent.start(QStringLiteral("dbus-monitor"),
               {QStringLiteral("--session"), QStringLiteral("member='Notify'")});
    // Listening once it has given up its own name.
    ASSERT_TRUE(TestUtil::waitUntil([&] { return sent.peek(4096).contains("NameLost"); }));
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    QString item;
    ASSERT_TRUE(
        TestUtil::waitUntil([&] { return !(item = StatusTray::firstItem()).isEmpty(); }, 10000));

    // 10 activations: 5 hides, 5 shows.
    for (int i = 0; i < 10; ++i) {
        activate(item);
        const bool hidden = i % 2 == 0;
        EXPECT_TRUE(TestUtil::waitUntil([&] { return shown() != hidden; }, 5000))
            << "activation " << i + 1;
    }
    activate(item);
    ASSERT_TRUE(TestUtil::waitUntil([&] { return !shown(); }, 5000));

    // Hidden and idle: nothing opens a new bus connection.
    QProcess monitor;
    monitor.start(
        QStringLiteral("dbus-monitor"),
        {QStringLiteral("--session"), QStringLiteral("type='signal',member='NameOwnerChanged'")});
    ASSERT_TRUE(TestUtil::waitUntil([&] { return monitor.peek(4096).contains("NameLost"); }));
    monitor.readAllStandardOutput();
    QThread::msleep(10000);
    const QByteArray idle = monitor.readAllStandardOutput();
    monitor.kill();
    monitor.waitForFinished();
    EXPECT_EQ(idle.count("member=NameOwnerChanged"), 0) << idle.toStdString();

    const QJsonArray ours = NotificationServer::fromApp(QStringLiteral("Verbalto"));
    ASSERT_EQ(ours.size(), 1) << QJsonDocument(ours).toJson().toStdString();
    EXPECT_EQ(ours[0][QStringLiteral("body")][QStringLiteral("data")].toString(),
              u"Welcome to use Verbalto " VERBALTO_VERSION);
    // As the notification protocol types them: urgency a byte, the entry a string.
    QThread::msleep(300);
    const QString call = QString::fromUtf8(sent.readAllStandardOutput()).simplified();
    sent.kill();
    sent.waitForFinished();
    EXPECT_TRUE(call.contains(QStringLiteral(R"("urgency" variant byte 1)"))) << call.toStdString();
    EXPECT_TRUE(
        call.contains(QStringLiteral(R"("desktop-entry" variant string "org.verbalto.Verbalto")")))
        << call.toStdString();
    EXPECT_TRUE(call.contains(QStringLiteral(R"(array [ string "default")"))) << call.toStdString();
}

TEST_F(StatusTrayTest, APanelStartedLaterGetsTheIcon)
{
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    QThread::msleep(3000);
    EXPECT_TRUE(StatusTray::firstItem().isEmpty());
    StatusTray tray;
    ASSERT_TRUE(tray.start()) << "xfce4-panel's status tray did not register";
    QString item;
    ASSERT_TRUE(
        TestUtil::waitUntil([&] { return !(item = StatusTray::firstItem()).isEmpty(); }, 10000));
    activate(item);
    EXPECT_TRUE(TestUtil::waitUntil([&] { return !shown(); }, 5000));
    activate(item);
    EXPECT_TRUE(TestUtil::waitUntil([&] { return shown(); }, 5000));
}

TEST_F(StatusTrayTest, AnOfflineCopyWhileHiddenIsOneNotificationAndNoBox)
{
    if (!TestUtil::isRoot() || !HaveTools({QStringLiteral("unshare"), QStringLiteral("xclip")}))
        GTEST_SKIP() << "needs root, unshare and xclip";
    StatusTray tray;
    ASSERT_TRUE(tray.start()) << "xfce4-panel's status tray did not register";
    // The clipboard monitor on; with no network and no fallback, nothing can translate.
    app.setSettings("[Setup]\nLanguage=1\nOptions=0|15|1|1|15|1|1\n"
                    "[Service]\nName=page\nFallback=false\n");
    app.startThrough({QStringLiteral("unshare"), QStringLiteral("-n")});
    ASSERT_TRUE(app.start());
    ASSERT_FALSE(app.waitForWindow().isEmpty());
    QString item;
    ASSERT_TRUE(
        TestUtil::waitUntil([&] { return !(item = StatusTray::firstItem()).isEmpty(); }, 10000));
    activate(item);
    ASSERT_TRUE(TestUtil::waitUntil([&] { return !shown(); }, 5000));

    const auto copy = TestUtil::xclipCopy("copied while offline");
    TestUtil::waitUntil([] { return false; }, 3000); // the copy's data is written meanwhile
    EXPECT_TRUE(
        xdotool({QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Notice$")})
            .isEmpty());
    EXPECT_FALSE(shown());
    const QJsonArray ours = NotificationServer::fromApp(QStringLiteral("Verbalto"));
    // The notice took the welcome's place: one of ours at a time.
    ASSERT_EQ(ours.size(), 1) << QJsonDocument(ours).toJson().toStdString();
    EXPECT_EQ(ours[0][QStringLiteral("body")][QStringLiteral("data")].toString(),
              u"Is not connected to the Internet.");
}

TEST(WaylandSession, WithAnXDisplayTooTheWindowOpensThroughXWayland)
{
    if (!HaveTools({QStringLiteral("weston"), QStringLiteral("xdotool")}))
        GTEST_SKIP() << "needs an X display, weston and xdotool";
    TestHttpServer server;
    Verbalto app(server);
    app.setSettings(kQuietSettings);
    // A Wayland compositor of its own in the program's runtime folder, next to the X display.
    QProcess weston;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), app.runtime.path());
    weston.setProcessEnvironment(env);
    weston.start(QStringLiteral("weston"),
                 {QStringLiteral("--backend=headless-backend.so"),
                  QStringLiteral("--socket=verbalto-test"), QStringLiteral("--idle-time=0")});
    ASSERT_TRUE(TestUtil::waitUntil(
        [&] { return QFile::exists(app.runtime.filePath(QStringLiteral("verbalto-test"))); },
        10000))
        << "weston did not start";
    app.setEnv(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("verbalto-test"));
    app.setEnv(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    ASSERT_TRUE(app.start());
    EXPECT_FALSE(app.waitForWindow().isEmpty());
    app.stop();
    weston.terminate();
    weston.waitForFinished(5000);
}

TEST(NoTray, AMiniStartLeavesTheWindowIconicAndASecondStartBringsItBack)
{
    if (!HaveTools({QStringLiteral("xdotool"), QStringLiteral("xprop"), QStringLiteral("openbox")}))
        GTEST_SKIP() << "needs an X display, xdotool, xprop and openbox";
    WindowManager wm;
    ASSERT_TRUE(wm.start());
    TestHttpServer server;
    Verbalto app(server);
    app.setSettings(kQuietSettings);
    ASSERT_TRUE(app.start({QStringLiteral("mini")}));
    // The window manager's word on each of the program's windows named Verbalto.
    const auto states = [&] {
        QString all;
        const QString ids =
            xdotool({QStringLiteral("search"), QStringLiteral("--pid"), QString::number(app.pid()),
                     QStringLiteral("--name"), QStringLiteral("^Verbalto$")});
        for (const QString& id : ids.split(u'\n', Qt::SkipEmptyParts))
            all += TestUtil::runTool(QStringLiteral("xprop"),
                                     {QStringLiteral("-id"), id, QStringLiteral("WM_STATE")});
        return all;
    };
    EXPECT_TRUE(TestUtil::waitUntil([&] { return states().contains(u"Iconic"); }, 10000));
    QThread::msleep(1000);
    EXPECT_FALSE(states().contains(u"Normal")) << states().toStdString();
    EXPECT_TRUE(app.mappedWindow().isEmpty());

    Verbalto second(server);
    second.shareFoldersWith(app);
    ASSERT_TRUE(second.start());
    EXPECT_EQ(second.waitForExit(), 0);
    EXPECT_FALSE(app.waitForWindow().isEmpty());
    EXPECT_TRUE(TestUtil::waitUntil([&] { return states().contains(u"Normal"); }, 5000));
}
