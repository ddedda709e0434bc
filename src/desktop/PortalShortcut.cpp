#include "PortalShortcut.h"

#include "KeySym.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

// One shortcut as BindShortcuts takes it: (sa{sv}).
struct PortalShortcutEntry
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcutEntry)

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcutEntry& entry)
{
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcutEntry& entry)
{
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");

QDBusMessage PortalCall(const QString& method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

// The session handle is documented as a string holding an object path; take either.
QString PathOf(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}
} // namespace

PortalShortcut::PortalShortcut(const QDBusConnection& bus, QString id, QString appId,
                               QObject* parent)
    : QObject(parent), m_bus(bus), m_id(std::move(id)), m_appId(std::move(appId))
{
    qDBusRegisterMetaType<PortalShortcutEntry>();
    qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusMessage)));
}

PortalShortcut::~PortalShortcut()
{
    CloseSession();
}

QString PortalShortcut::Trigger(const QKeySequence& key)
{
    if (key.isEmpty())
        return {};
    const QKeyCombination combination = key[0];
    const QString name = KeySym::Name(KeySym::Of(combination));
    if (name.isEmpty())
        return {};
    const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    QStringList parts;
    if (mods & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (mods & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (mods & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (mods & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << name;
    return parts.join(u'+');
}

void PortalShortcut::SetKey(const QKeySequence& key, const QString& description)
{
    if (key == m_key && description == m_description &&
        (m_state == State::Pending || m_state == State::Bound))
        return;
    m_key = key;
    m_description = description;
    m_reopened = 0;
    CloseSession();
    ++m_generation;
    if (key.isEmpty()) {
        SetState(State::Off);
        return;
    }
    SetState(State::Pending);
    CheckVersion();
}

void PortalShortcut::Call(const QDBusMessage& call,
                          const std::function<void(const QDBusMessage&)>& answered)
{
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const quint32 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, generation, answered] {
                watcher->deleteLater();
                if (generation != m_generation)
                    return;
                const QDBusMessage reply = watcher->reply();
                if (reply.type() == QDBusMessage::ErrorMessage)
                    Fail();
                else
                    answered(reply);
            });
}

void PortalShortcut::CheckVersion()
{
    // Before any other call to the portal, once; older portals lack it, which does no harm.
    if (!m_appId.isEmpty()) {
        QDBusMessage registration = QDBusMessage::createMethodCall(
            kService, kPath, QStringLiteral("org.freedesktop.host.portal.Registry"),
            QStringLiteral("Register"));
        registration << m_appId << QVariantMap();
        m_bus.send(registration);
        m_appId.clear();
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    // No portal, or one without this interface (GNOME's): an error or no version.
    Call(get, [this](const QDBusMessage& reply) {
        const QVariant version = reply.arguments().value(0).value<QDBusVariant>().variant();
        if (version.toUInt() < 1)
            Fail();
        else
            CreateSession();
    });
}

QString PortalShortcut::WatchRequest(const QString& token)
{
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString path = kPath + QStringLiteral("/request/") + sender + u'/' + token;
    Watch(path);
    return path;
}

void PortalShortcut::Watch(const QString& path)
{
    m_bus.connect(kService, path, kRequest, QStringLiteral("Response"), this,
                  SLOT(onResponse(QDBusMessage)));
    m_watched << path;
}

void PortalShortcut::CreateSession()
{
    const QString token = QStringLiteral("verbalto%1").arg(++m_tokens);
    m_sessionRequest = WatchRequest(token);
    QDBusMessage call = PortalCall(QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), token}};
    Call(call, [this](const QDBusMessage& reply) {
        // Older portals answer at a path of their own choosing.
        const QString handle = PathOf(reply.arguments().value(0));
        if (!m_sessionRequest.isEmpty() && !handle.isEmpty() && handle != m_sessionRequest) {
            m_sessionRequest = handle;
            Watch(handle);
        }
    });
}

void PortalShortcut::BindShortcut()
{
    const QString token = QStringLiteral("verbalto%1").arg(++m_tokens);
    m_bindRequest = WatchRequest(token);
    QVariantMap properties{{QStringLiteral("description"), m_description}};
    const QString trigger = Trigger(m_key);
    if (!trigger.isEmpty())
        properties.insert(QStringLiteral("preferred_trigger"), trigger);
    QDBusMessage call = PortalCall(QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session))
         << QVariant::fromValue(QList<PortalShortcutEntry>{{m_id, properties}}) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    Call(call, [](const QDBusMessage&) {});
}

void PortalShortcut::onResponse(const QDBusMessage& message)
{
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2)
        return;
    const quint32 response = args[0].toUInt();
    const QVariantMap results = qdbus_cast<QVariantMap>(args[1]);
    if (message.path() == m_sessionRequest) {
        m_sessionRequest.clear();
        m_session = PathOf(results.value(QStringLiteral("session_handle")));
        // 1: the user declined, 2: anything else that ended it.
        if (response != 0 || m_session.isEmpty()) {
            Fail();
        } else {
            m_bus.connect(kService, m_session, kSession, QStringLiteral("Closed"), this,
                          SLOT(onSessionClosed(QDBusMessage)));
            BindShortcut();
        }
    } else if (message.path() == m_bindRequest) {
        m_bindRequest.clear();
        if (response != 0)
            Fail();
        else
            SetState(State::Bound);
    }
}

void PortalShortcut::onActivated(const QDBusMessage& message)
{
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || m_session.isEmpty())
        return;
    if (PathOf(args[0]) == m_session && args[1].toString() == m_id)
        emit activated();
}

void PortalShortcut::onSessionClosed(const QDBusMessage& message)
{
    if (m_session.isEmpty() || message.path() != m_session)
        return;
    // The desktop ended the session (its portal restarted, or the user took the shortcut
    // away): nothing would arrive any more. Ask again, a few times, then give up.
    m_bus.disconnect(kService, m_session, kSession, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed(QDBusMessage)));
    m_session.clear();
    if (++m_reopened > 3) {
        Fail();
        return;
    }
    CloseSession();
    ++m_generation;
    SetState(State::Pending);
    CheckVersion();
}

void PortalShortcut::CloseSession()
{
    for (const QString& path : std::as_const(m_watched))
        m_bus.disconnect(kService, path, kRequest, QStringLiteral("Response"), this,
                         SLOT(onResponse(QDBusMessage)));
    m_watched.clear();
    m_sessionRequest.clear();
    m_bindRequest.clear();
    if (m_session.isEmpty())
        return;
    m_bus.disconnect(kService, m_session, kSession, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed(QDBusMessage)));
    m_bus.send(QDBusMessage::createMethodCall(kService, m_session, kSession,
                                              QStringLiteral("Close")));
    m_session.clear();
}

void PortalShortcut::Fail()
{
    CloseSession();
    SetState(State::Unavailable);
}

void PortalShortcut::SetState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}
