// The portal client against a stand-in portal on a private bus: it speaks the documented
// GlobalShortcuts interface (version, CreateSession, BindShortcuts, Session.Close, the Request
// Response and the Activated signal), records what it was asked and can refuse.
#include "PortalShortcut.h"
#include "TestUtil.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

struct Bind
{
    QString session, id, description, trigger;
};

class FakePortal final : public QDBusVirtualObject
{
  public:
    bool refuse = false;

    QString introspect(const QString&) const override { return {}; }

    // Called on the bus's own thread: what it records is read under the lock.
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override
    {
        const QList<QVariant> args = m.arguments();
        {
            QMutexLocker lock(&m_lock);
            m_members << m.member();
        }
        QString sender = m.service().mid(1);
        sender.replace(u'.', u'_');
        if (m.member() == u"Get") {
            bus.send(m.createReply(QVariant::fromValue(QDBusVariant(2u))));
        } else if (m.member() == u"CreateSession") {
            const QVariantMap options = qdbus_cast<QVariantMap>(args.value(0));
            const QString session =
                kPath + QStringLiteral("/session/") + sender + u'/' +
                options.value(QStringLiteral("session_handle_token")).toString();
            respond(m, bus, sender, 0, {{QStringLiteral("session_handle"), session}});
        } else if (m.member() == u"BindShortcuts") {
            const QDBusArgument list = args.value(1).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                QString id;
                QVariantMap properties;
                list.beginStructure();
                list >> id >> properties;
                list.endStructure();
                QMutexLocker lock(&m_lock);
                m_binds.append({args.value(0).value<QDBusObjectPath>().path(), id,
                                properties.value(QStringLiteral("description")).toString(),
                                properties.value(QStringLiteral("preferred_trigger")).toString()});
            }
            list.endArray();
            respond(m, bus, sender, refuse ? 1 : 0, {});
        } else if (m.member() == u"Close") {
            QMutexLocker lock(&m_lock);
            m_closed << m.path();
            bus.send(m.createReply());
        } else {
            return false;
        }
        return true;
    }

    QList<Bind> binds()
    {
        QMutexLocker lock(&m_lock);
        return m_binds;
    }
    QStringList members()
    {
        QMutexLocker lock(&m_lock);
        return m_members;
    }
    QStringList closed()
    {
        QMutexLocker lock(&m_lock);
        return m_closed;
    }

  private:
    // The call returns its Request's path; the answer follows as that Request's signal.
    static void respond(const QDBusMessage& m, const QDBusConnection& bus, const QString& sender,
                        uint code, const QVariantMap& results)
    {
        const QVariantMap options = qdbus_cast<QVariantMap>(m.arguments().last());
        const QString request = kPath + QStringLiteral("/request/") + sender + u'/' +
                                options.value(QStringLiteral("handle_token")).toString();
        bus.send(m.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response << code << results;
        bus.send(response);
    }

    QMutex m_lock;
    QList<Bind> m_binds;
    QStringList m_closed;
    QStringList m_members;
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
        portalBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("fake-portal")));
        clientBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("portal-client")));
        ASSERT_TRUE(portalBus->isConnected() && clientBus->isConnected());
    }
    void TearDown() override
    {
        clientBus.reset();
        portalBus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("portal-client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
        daemon.kill();
        daemon.waitForFinished();
    }
    void offerPortal()
    {
        ASSERT_TRUE(portalBus->registerVirtualObject(kPath, &portal, QDBusConnection::SubPath));
        ASSERT_TRUE(portalBus->registerService(kService));
    }
    void activate(const QString& session, const QString& id)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << quint64(1)
               << QVariantMap();
        portalBus->send(signal);
    }
    static bool reaches(PortalShortcut& shortcut, PortalShortcut::State state)
    {
        return TestUtil::waitUntil([&] { return shortcut.state() == state; }, 5000);
    }

    QTemporaryDir folder;
    QProcess daemon;
    std::unique_ptr<QDBusConnection> portalBus, clientBus;
    FakePortal portal;
};
} // namespace

// Bound with the key as its preferred trigger; only this session's press of this shortcut
// counts; a new key binds in a new session and closes the old; no key closes it.
TEST_F(PortalTest, BindsTheKeyHearsItsOwnPressAndRebindsOrCloses)
{
    offerPortal();
    PortalShortcut shortcut(*clientBus, QStringLiteral("translate-selection"),
                            QStringLiteral("org.example.App"));
    QSignalSpy pressed(&shortcut, &PortalShortcut::activated);
    shortcut.SetKey(QKeySequence(QStringLiteral("Ctrl+Alt+Z")), QStringLiteral("Translate it"));
    ASSERT_TRUE(reaches(shortcut, PortalShortcut::State::Bound));
    ASSERT_EQ(portal.binds().size(), 1);
    const Bind first = portal.binds().first();
    EXPECT_EQ(first.id, u"translate-selection");
    EXPECT_EQ(first.description, u"Translate it");
    EXPECT_EQ(first.trigger, u"CTRL+ALT+z");
    // The application registers before anything else, once.
    EXPECT_EQ(portal.members().value(0), u"Register");

    activate(first.session, QStringLiteral("something-else"));
    activate(kPath + QStringLiteral("/session/other/s"), QStringLiteral("translate-selection"));
    activate(first.session, QStringLiteral("translate-selection"));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return pressed.size() >= 1; }, 5000));
    TestUtil::waitUntil([] { return false; }, 300);
    EXPECT_EQ(pressed.size(), 1);

    shortcut.SetKey(QKeySequence(Qt::META | Qt::SHIFT | Qt::Key_Comma), QStringLiteral("T"));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return portal.binds().size() == 2; }, 5000));
    EXPECT_TRUE(reaches(shortcut, PortalShortcut::State::Bound));
    EXPECT_EQ(portal.binds().last().trigger, u"SHIFT+LOGO+comma");
    EXPECT_NE(portal.binds().last().session, first.session);
    EXPECT_TRUE(TestUtil::waitUntil([&] { return portal.closed() == QStringList{first.session}; }));
    activate(first.session, QStringLiteral("translate-selection"));
    activate(portal.binds().last().session, QStringLiteral("translate-selection"));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return pressed.size() >= 2; }, 5000));
    TestUtil::waitUntil([] { return false; }, 300);
    EXPECT_EQ(pressed.size(), 2);

    shortcut.SetKey(QKeySequence(), QStringLiteral("T"));
    EXPECT_EQ(shortcut.state(), PortalShortcut::State::Off);
    EXPECT_TRUE(TestUtil::waitUntil([&] { return portal.closed().size() == 2; }));
    EXPECT_EQ(portal.members().count(QStringLiteral("Register")), 1);
}

// GNOME's portal has no such interface; a portal (or its user) may refuse the shortcut.
TEST_F(PortalTest, WithoutTheInterfaceOrWhenRefusedItIsUnavailable)
{
    PortalShortcut shortcut(*clientBus, QStringLiteral("translate-selection"));
    shortcut.SetKey(QKeySequence(QStringLiteral("Ctrl+Alt+Z")), QStringLiteral("T"));
    EXPECT_TRUE(reaches(shortcut, PortalShortcut::State::Unavailable));

    portal.refuse = true;
    offerPortal();
    shortcut.SetKey(QKeySequence(QStringLiteral("Ctrl+Alt+X")), QStringLiteral("T"));
    EXPECT_TRUE(reaches(shortcut, PortalShortcut::State::Unavailable));
    EXPECT_EQ(portal.binds().size(), 1);
}
