#include "PromoTick.h"

PromoTick::Action PromoTick::Timer3_Timer(bool online, const std::function<QString()>& fetchList)
{
    Action action;
    if (!online) {
        action.kind = Action::Kind::ShowOffline;
        return action;
    }

    if (nListAge == kListTicks) {
        sAdList = fetchList ? fetchList() : QString();
        if (!IsListText(sAdList))
            sAdList.clear();
        if (sAdList.isEmpty()) {
            nListAge = 0;
            action.kind = Action::Kind::ShowOffline;
            return action;
        }
        aAdEntries = SplitList(sAdList);
        nAdLast = static_cast<int>(aAdEntries.size()) - 1;
        nListAge = 0;
    }

    if (nAdIndex > nAdLast)
        nAdIndex = 0;
    if (nAdIndex >= 0 && nAdIndex < aAdEntries.size())
        sAdCurrent = aAdEntries.at(nAdIndex);

    if (nShowAge == kShowTicks) {
        if (!sAdList.isEmpty()) {
            if (const auto url = NavigableEntry(sAdCurrent)) {
                action.kind = Action::Kind::Navigate;
                action.url = *url;
            }
        }
        ++nAdIndex;
        nShowAge = 0;
    }

    ++nListAge;
    ++nShowAge;
    return action;
}

QStringList PromoTick::SplitList(const QString& list)
{
    return list.split(QStringLiteral("<|"), Qt::KeepEmptyParts);
}

bool PromoTick::IsListText(const QString& list)
{
    return list.contains(QStringLiteral("http://"));
}

std::optional<QUrl> PromoTick::NavigableEntry(const QString& entry)
{
    // Lists are often written one entry a line; the line breaks are not part of the address.
    const QUrl url(entry.trimmed());
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return std::nullopt;
    return url;
}
