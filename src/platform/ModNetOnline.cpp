#include "ModNetOnline.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <optional>

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

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

// An interface that is up and running, not the loopback, with an IP address of its own.
bool anyInterfaceUp()
{
    ifaddrs* all = nullptr;
    if (::getifaddrs(&all) != 0)
        return false;
    bool up = false;
    for (const ifaddrs* a = all; a && !up; a = a->ifa_next) {
        const unsigned flags = a->ifa_flags;
        up = (flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK) && a->ifa_addr &&
             (a->ifa_addr->sa_family == AF_INET || a->ifa_addr->sa_family == AF_INET6);
    }
    ::freeifaddrs(all);
    return up;
}

} // namespace

bool IsOnline()
{
    if (const std::optional<bool> said = networkManagerSays())
        return *said;
    return anyInterfaceUp();
}

} // namespace ModNetOnline
