#include "TestUtil.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// NetworkManager's root object as far as the state goes.
class FakeNetworkManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State READ state)

  public:
    uint state() const { return 20; } // disconnected
};

namespace {
QString runProbe(const QStringList& wrapper)
{
    QProcess p;
    QStringList args = wrapper;
    args << TestUtil::binPath(QStringLiteral("isonline_probe"));
    const QString program = args.takeFirst();
    p.start(program, args);
    if (!p.waitForFinished(20000))
        return QStringLiteral("timeout");
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}
} // namespace

TEST(IsOnline, AnswersNoWithOnlyLoopbackInANetworkNamespace)
{
    if (!TestUtil::isRoot() || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        GTEST_SKIP() << "needs root and unshare";
    EXPECT_EQ(runProbe({QStringLiteral("unshare"), QStringLiteral("-n")}), u"offline\nno gio");
}

TEST(IsOnline, AnswersYesWithAnInterfaceAndARouteOut)
{
    if (!TestUtil::isRoot() || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        GTEST_SKIP() << "needs root and unshare";
    QProcess p;
    p.start(QStringLiteral("unshare"),
            {QStringLiteral("-n"), QStringLiteral("sh"), QStringLiteral("-c"),
             QStringLiteral(
                 "ip link add vt0 type veth peer name vt1 && ip addr add 10.99.0.1/24 dev vt0 && "
                 "ip link set vt1 up && ip link set vt0 up && "
                 "ip route add default via 10.99.0.2 && exec \"$0\""),
             TestUtil::binPath(QStringLiteral("isonline_probe"))});
    ASSERT_TRUE(p.waitForFinished(20000));
    if (p.exitCode() != 0)
        GTEST_SKIP() << "no veth interfaces here: " << p.readAllStandardError().toStdString();
    // Answered without GLib's network monitor, which would stay loaded all day.
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), u"online\nno gio");
}

TEST(IsOnline, NetworkManagerIsBelievedOverTheInterfaces)
{
    // A private bus standing in for the system bus, with a NetworkManager that says
    // "disconnected" while this machine's interfaces are up.
    QTemporaryDir dir;
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address"),
                  QStringLiteral("--address=unix:path=") + dir.filePath(QStringLiteral("bus"))});
    ASSERT_TRUE(daemon.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("nm"));
        FakeNetworkManager manager;
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/NetworkManager"), &manager,
                                       QDBusConnection::ExportAllProperties));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.NetworkManager")));

        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address);
        probe.setProcessEnvironment(env);
        probe.start(TestUtil::binPath(QStringLiteral("isonline_probe")));
        // The fake answers from this thread's event loop.
        ASSERT_TRUE(TestUtil::waitUntil([&] { return probe.state() == QProcess::NotRunning; }));
        EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(), u"offline\nno gio");
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("nm"));
    daemon.kill();
    daemon.waitForFinished();
}

#include "ModNetOnlineTest.moc"
