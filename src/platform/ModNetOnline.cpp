#include "ModNetOnline.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QNetworkInterface>

#include <optional>

namespace ModNetOnline {
namespace {

// NetworkManager's own state over the system bus, as Qt's backend for it reads it. Not through
// QNetworkInformation: that opens every backend plugin to find one, and the glib one keeps GIO
// (3 MB) and a thread of its own loaded for the rest of the day.
std::optional<bool> networkManagerSays()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.NetworkManager"),
        QStringLiteral("/org/freedesktop/NetworkManager"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.NetworkManager") << QStringLiteral("State");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 1000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    bool isNumber = false;
    const uint state =
        qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toUInt(&isNumber);
    if (!isNumber)
        return std::nullopt;
    switch (state) {
    case 60: // connected to a site
    case 70: // connected globally
        return true;
    case 10: // asleep
    case 20: // disconnected
    case 30: // disconnecting
    case 50: // connected to the local network only
        return false;
    default: // unknown or connecting
        return std::nullopt;
    }
}

bool anyInterfaceUp()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        if (!iface.addressEntries().isEmpty())
            return true;
    }
    return false;
}

} // namespace

bool IsOnline()
{
    if (const std::optional<bool> said = networkManagerSays())
        return *said;
    return anyInterfaceUp();
}

} // namespace ModNetOnline
