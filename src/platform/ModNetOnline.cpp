#include "ModNetOnline.h"

#include <QNetworkInformation>
#include <QNetworkInterface>

namespace ModNetOnline {
namespace {

bool anyInterfaceUp()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
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
    static const bool haveBackend =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    if (haveBackend) {
        if (auto* info = QNetworkInformation::instance()) {
            switch (info->reachability()) {
            case QNetworkInformation::Reachability::Online:
            case QNetworkInformation::Reachability::Site:
                return true;
            case QNetworkInformation::Reachability::Disconnected:
            case QNetworkInformation::Reachability::Local:
                return false;
            case QNetworkInformation::Reachability::Unknown:
                break;
            }
        }
    }
    return anyInterfaceUp();
}

} // namespace ModNetOnline
