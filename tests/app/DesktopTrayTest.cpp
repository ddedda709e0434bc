// The program with a tray that speaks StatusNotifierItem (xfce4-panel) and a notification server
// (dunst), each test on a private session bus under a real window manager.
#include "DesktopSupport.h"

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
              u"Welcome to use Verbalto 1.5.18");
    // As the notification specification types them: urgency a byte, the entry a string.
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
