// The promotion banner's tick as plain logic: when to fetch the list, which entry to show,
// when to fall back to the offline banner. The caller applies the returned action.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

class PromoTick final
{
  public:
    static constexpr int kListTicks = 180; // 45 minutes at 15 s a tick
    static constexpr int kShowTicks = 20;  // 5 minutes

    struct Action
    {
        enum class Kind { Nothing, ShowOffline, Navigate };
        Kind kind = Kind::Nothing;
        QUrl url; // for Navigate
    };

    // fetchList is called only on ticks that fetch; it returns the list text, "" on failure.
    Action Timer3_Timer(bool online, const std::function<QString()>& fetchList);

    // The list split at "<|"; line breaks stay inside the entries.
    static QStringList SplitList(const QString& list);
    // A list counts only when it names a web address at all.
    static bool IsListText(const QString& list);
    // Only http and https entries are shown; anything else is skipped like a missing entry.
    static std::optional<QUrl> NavigableEntry(const QString& entry);

    // The banner state; the main window's load starts the ages at their limits.
    QString sAdList;
    QStringList aAdEntries;
    int nAdLast = -1;
    int nAdIndex = 0;
    QString sAdCurrent;
    int nListAge = kListTicks;
    int nShowAge = kShowTicks;
};
