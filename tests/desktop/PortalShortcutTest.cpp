// The portal client against a stand-in portal on a private bus: it speaks the documented
// GlobalShortcuts interface (version, CreateSession, BindShortcuts, Session.Close, the Request's
// Response and the Activated signal), logs what it was asked and can refuse.
#include "PortalShortcut.h"
#include "TestUtil.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

class FakePortal final : public QDBusVirtualObject
{
  public:
    bool refuse = false;
    QString introspect(const QString&) const override { return {}; }

    // On the bus's own thread: the log is read under the lock.
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override
    {
        const QList<QVariant> args = m.arguments();
        QString entry = m.member();
        uint code = 0;
        QVariantMap results;
        if (m.member() == u"Get") {
            bus.send(m.createReply(QVariant::fromValue(QDBusVariant(2u))));
        } else if (m.member() == u"CreateSession") {
            const QVariantMap options = qdbus_cast<QVariantMap>(args.value(0));
            results[QStringLiteral("session_handle")] = QString(
                kPath + u"/session/" + options[QStringLiteral("session_handle_token")].toString());
        } else if (m.member() == u"BindShortcuts") {
            // a(sa{sv}): one shortcut is all the client binds.
            const QDBusArgument list = args.value(1).value<QDBusArgument>();
            QString id;
            QVariantMap properties;
            list.beginArray();
            list.beginStructure();
            list >> id >> properties;
            list.endStructure();
            list.endArray();
            entry += u' ' + args.value(0).value<QDBusObjectPath>().path() + u' ' + id + u' ' +
                     properties.value(QStringLiteral("description")).toString() + u' ' +
                     properties.value(QStringLiteral("preferred_trigger")).toString();
            code = refuse ? 1 : 0;
        } else if (m.member() == u"Close") {
            entry += u' ' + m.path();
            bus.send(m.createReply());
        }
        QMutexLocker lock(&m_lock);
        m_log << entry;
        if (m.member() == u"Get" || m.member() == u"Close")
            return true;
        if (m.member() != u"CreateSession" && m.member() != u"BindShortcuts")
            return false; // Register among them: an old portal has none
        // The call returns its Request's path; the answer follows as that Request's signal.
        QString sender = m.service().mid(1).replace(u'.', u'_');
        const QString request =
            kPath + QStringLiteral("/request/") + sender + u'/' +
            qdbus_cast<QVariantMap>(args.last()).value(QStringLiteral("handle_token")).toString();
        bus.send(m.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        bus.send(response << code << results);
        return true;
    }
    QStringList log()
    {
        QMutexLocker lock(&m_lock);
        return m_log;
    }
    QStringList logOf(const QString& member) { return log().filter(member); }

  private:
    QMutex m_lock;
    QStringList m_log;
};

class PortalTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "needs dbus-daemon";
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--address=unix:dir=") + folder.path(),
                      QStringLiteral("--print-address=1")});
        ASSERT_TRUE(TestUtil::waitUntil([&] { return daemon.canReadLine(); }, 5000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        portalBus = QDBusConnection::connectToBus(address, QStringLiteral("fake-portal"));
        clientBus = QDBusConnection::connectToBus(address, QStringLiteral("portal-client"));
        ASSERT_TRUE(portalBus.isConnected() && clientBus.isConnected());
    }
    void TearDown() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("portal-client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
        daemon.kill();
        daemon.waitForFinished();
    }
    void offerPortal()
    {
        ASSERT_TRUE(portalBus.registerVirtualObject(kPath, &portal, QDBusConnection::SubPath));
        ASSERT_TRUE(portalBus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }
    void activate(const QString& session, const QString& id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            kPath, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
            QStringLiteral("Activated"));
        portalBus.send(signal << QVariant::fromValue(QDBusObjectPath(session)) << id << quint64(1)
                              << QVariantMap());
    }
    static bool reaches(PortalShortcut& shortcut, PortalShortcut::State state)
    {
        return TestUtil::waitUntil([&] { return shortcut.state() == state; }, 5000);
    }

    QTemporaryDir folder;
    QProcess daemon;
    QDBusConnection portalBus{QString()}, clientBus{QString()};
    FakePortal portal;
};
} // namespace

// Registered once, then bound with the key as preferred trigger; only this session's press of
// this shortcut counts; a new key binds in a new session and closes the old; no key closes it.
TEST_F(PortalTest, BindsTheKeyHearsItsOwnPressAndRebindsOrCloses)
{
    offerPortal();
    PortalShortcut shortcut(clientBus, QStringLiteral("sel"), QStringLiteral("org.example.App"));
    QSignalSpy pressed(&shortcut, &PortalShortcut::activated);
    shortcut.SetKey(QKeySequence(QStringLiteral("Ctrl+Alt+Z")), QStringLiteral("Translate"));
    ASSERT_TRUE(reaches(shortcut, PortalShortcut::State::Bound));
    EXPECT_EQ(portal.log().value(0), u"Register");
    ASSERT_EQ(portal.logOf(QStringLiteral("Bind")).size(), 1);
    const QStringList first = portal.logOf(QStringLiteral("Bind")).first().split(u' ');
    EXPECT_EQ(first.mid(2), (QStringList{QStringLiteral("sel"), QStringLiteral("Translate"),
                                         QStringLiteral("CTRL+ALT+z")}));

    activate(first[1], QStringLiteral("other"));
    activate(kPath + QStringLiteral("/session/other"), QStringLiteral("sel"));
    activate(first[1], QStringLiteral("sel"));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return pressed.size() >= 1; }, 5000));
    TestUtil::waitUntil([] { return false; }, 200); // nothing else may follow
    EXPECT_EQ(pressed.size(), 1);

    shortcut.SetKey(QKeySequence(Qt::META | Qt::SHIFT | Qt::Key_Comma), QStringLiteral("T"));
    ASSERT_TRUE(TestUtil::waitUntil(
        [&] { return portal.logOf(QStringLiteral("Bind")).size() == 2; }, 5000));
    EXPECT_TRUE(reaches(shortcut, PortalShortcut::State::Bound));
    const QStringList second = portal.logOf(QStringLiteral("Bind")).last().split(u' ');
    EXPECT_EQ(second.value(4), u"SHIFT+LOGO+comma");
    EXPECT_NE(second.value(1), first[1]);
    EXPECT_EQ(portal.logOf(QStringLiteral("Close")), QStringList{u"Close " + first[1]});
    activate(first[1], QStringLiteral("sel"));
    activate(second.value(1), QStringLiteral("sel"));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return pressed.size() >= 2; }, 5000));
    TestUtil::waitUntil([] { return false; }, 200);
    EXPECT_EQ(pressed.size(), 2);

    shortcut.SetKey(QKeySequence(), QStringLiteral("T"));
    EXPECT_EQ(shortcut.state(), PortalShortcut::State::Off);
    EXPECT_TRUE(TestUtil::waitUntil(
        [&] { return portal.logOf(QStringLiteral("Close")).size() == 2; }, 5000));
    EXPECT_EQ(portal.logOf(QStringLiteral("Register")).size(), 1);
}

// A session the desktop closes (its portal restarted) is asked for again, and presses of the new
// one count.
TEST_F(PortalTest, ASessionThePortalClosesIsBoundAgain)
{
    offerPortal();
    PortalShortcut shortcut(clientBus, QStringLiteral("sel"));
    QSignalSpy pressed(&shortcut, &PortalShortcut::activated);
    shortcut.SetKey(QKeySequence(QStringLiteral("Ctrl+Alt+Z")), QStringLiteral("Translate"));
    ASSERT_TRUE(reaches(shortcut, PortalShortcut::State::Bound));
    const QString first = portal.logOf(QStringLiteral("Bind")).first().split(u' ').value(1);
    portalBus.send(QDBusMessage::createSignal(first, QStringLiteral("org.freedesktop.portal.Session"),
                                              QStringLiteral("Closed"))
                   << QVariantMap());
    ASSERT_TRUE(TestUtil::waitUntil(
        [&] { return portal.logOf(QStringLiteral("Bind")).size() == 2; }, 5000));
    EXPECT_TRUE(reaches(shortcut, PortalShortcut::State::Bound));
    const QString second = portal.logOf(QStringLiteral("Bind")).last().split(u' ').value(1);
    EXPECT_NE(second, first);
    activate(second, QStringLiteral("sel"));
    EXPECT_TRUE(TestUtil::waitUntil([&] { return pressed.size() == 1; }, 5000));
    EXPECT_TRUE(portal.logOf(QStringLiteral("Close")).isEmpty()); // it was closed already
}

// GNOME's portal has no such interface; a portal (or its user) may refuse the shortcut.
TEST_F(PortalTest, WithoutTheInterfaceOrWhenRefusedItIsUnavailable)
{
    PortalShortcut shortcut(clientBus, QStringLiteral("sel"));
    shortcut.SetKey(QKeySequence(QStringLiteral("Ctrl+Alt+Z")), QStringLiteral("T"));
    EXPECT_TRUE(reaches(shortcut, PortalShortcut::State::Unavailable));
    portal.refuse = true;
    offerPortal();
    shortcut.SetKey(QKeySequence(QStringLiteral("Ctrl+Alt+X")), QStringLiteral("T"));
    EXPECT_TRUE(reaches(shortcut, PortalShortcut::State::Unavailable));
    EXPECT_EQ(portal.logOf(QStringLiteral("Bind")).size(), 1);
}
