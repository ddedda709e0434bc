#include "UpdateList.h"

#include "UpdateVersion.h"

#include <QStringList>

std::optional<UpdateList> UpdateList::Parse(const QString& text)
{
    const QStringList fields = text.split(QLatin1Char('|'));
    if (fields.size() < 4 || !UpdateVersion::ParseVersion(fields[0]))
        return std::nullopt;
    return UpdateList{fields[0].trimmed(), fields[1], fields[2].trimmed(), fields[3]};
}

bool UpdateList::OffersUpdate(const QString& text, const QString& currentVersion)
{
    const std::optional<UpdateList> list = Parse(text);
    return list && UpdateVersion::IsNewer(list->version, currentVersion);
}
