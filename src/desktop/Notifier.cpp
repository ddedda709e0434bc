#include "Notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kDefaultAction = QStringLiteral("default");
} // namespace

Notifier::Notifier(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                SLOT(OnActionInvoked(uint, QString)));
    bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                SLOT(OnClosed(uint, uint)));
}

bool Notifier::ServerPresent() const
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusConnectionInterface* dbus = bus.interface();
    return dbus->isServiceRegistered(kService) ||
           dbus->activatableServiceNames().value().contains(kService);
}

bool Notifier::Notify(const QString& title, const QString& body, Urgency urgency, int timeoutMs)
{
    if (!ServerPresent())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(kDesktopEntry));
    // The notification protocol types urgency as a byte.
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(urgency)));
    call << QStringLiteral("Verbalto") << m_id << QString::fromLatin1(kDesktopEntry) << title
         << body << QStringList{kDefaultAction, title} << hints << qint32(timeoutMs);
    ++m_sent;
    auto* pending =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        w->deleteLater();
        if (!reply.isError())
            m_id = reply.value();
    });
    return true;
}

void Notifier::OnActionInvoked(uint id, const QString& action)
{
    if (id == m_id && action == kDefaultAction)
        emit activated();
}

void Notifier::OnClosed(uint id, uint)
{
    if (id == m_id)
        m_id = 0;
}
