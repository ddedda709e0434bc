// The promotion tick: list ages, rotation, fall-backs and which entries are navigated to.
#include "PromoTick.h"

#include <gtest/gtest.h>

namespace {

using Kind = PromoTick::Action::Kind;

struct Ticker
{
    PromoTick tick;
    QString list; // what the next fetch returns
    int fetches = 0;

    PromoTick::Action step(bool online = true)
    {
        return tick.Timer3_Timer(online, [this] {
            ++fetches;
            return list;
        });
    }
    // Runs n ticks and returns the addresses navigated to, "offline" for the offline banner.
    QStringList steps(int n, bool online = true)
    {
        QStringList shown;
        for (int i = 0; i < n; ++i) {
            const auto a = step(online);
            if (a.kind == Kind::Navigate)
                shown << a.url.toString();
            else if (a.kind == Kind::ShowOffline)
                shown << QStringLiteral("offline");
        }
        return shown;
    }
};

const QString A = QStringLiteral("http://ads.example/a.htm");
const QString B = QStringLiteral("http://ads.example/b.htm");
const QString C = QStringLiteral("https://ads.example/c.htm");
const QString D = QStringLiteral("http://ads.example/d.htm");
const QString E = QStringLiteral("http://ads.example/e.htm");

} // namespace

TEST(PromoTick, FirstTickFetchesAndShowsTheFirstEntryThenRotatesEveryTwentyTicks)
{
    Ticker r;
    r.list = A + "<|" + B + "<|" + C;
    EXPECT_EQ(r.steps(1), QStringList{A});
    EXPECT_EQ(r.fetches, 1);
    EXPECT_EQ(r.tick.nAdLast, 2);
    EXPECT_TRUE(r.steps(19).isEmpty());
    EXPECT_EQ(r.steps(1), QStringList{B});
    EXPECT_EQ(r.steps(20), QStringList{C});
    EXPECT_EQ(r.steps(20), QStringList{A});
    EXPECT_EQ(r.fetches, 1);
}

TEST(PromoTick, ListIsFetchedAgainEvery180Ticks)
{
    Ticker r;
    r.list = A;
    r.steps(180);
    EXPECT_EQ(r.fetches, 1);
    r.steps(1);
    EXPECT_EQ(r.fetches, 2);
}

TEST(PromoTick, ShorterNewListWrapsTheIndexToTheFirstEntry)
{
    Ticker r;
    r.list = A + "<|" + B + "<|" + C + "<|" + D + "<|" + E;
    EXPECT_EQ(r.steps(180), (QStringList{A, B, C, D, E, A, B, C, D}));
    EXPECT_EQ(r.tick.nAdIndex, 4); // past the end of the list that comes next
    r.list = B + "<|" + A;
    EXPECT_EQ(r.steps(1), QStringList{B});
    EXPECT_EQ(r.fetches, 2);
    EXPECT_EQ(r.steps(40), (QStringList{A, B}));
}

TEST(PromoTick, ListWithoutHttpCountsAsNoListAndIsTriedAgainLater)
{
    Ticker r;
    r.list = QStringLiteral("<html>Service unavailable</html>");
    const auto a = r.step();
    EXPECT_EQ(a.kind, Kind::ShowOffline);
    EXPECT_EQ(r.tick.nListAge, 0); // not advanced on the failing tick
    EXPECT_EQ(r.tick.nShowAge, 20);
    EXPECT_TRUE(r.tick.sAdList.isEmpty());

    r.list = A;
    // The page-change ticks pass without navigating: there is no list.
    EXPECT_TRUE(r.steps(180).isEmpty());
    EXPECT_EQ(r.fetches, 1);
    EXPECT_EQ(r.steps(1), QStringList{A});
    EXPECT_EQ(r.fetches, 2);
}

TEST(PromoTick, FailedRefetchKeepsOldEntriesButShowsNothingFromThem)
{
    Ticker r;
    r.list = A + "<|" + B;
    r.steps(180);
    r.list.clear();
    EXPECT_EQ(r.steps(1), QStringList{QStringLiteral("offline")});
    EXPECT_EQ(r.tick.aAdEntries.size(), 2);
    EXPECT_TRUE(r.steps(100).isEmpty());
}

TEST(PromoTick, OfflineStretchShowsTheOfflineBannerAndFreezesTheCounters)
{
    Ticker r;
    r.list = A + "<|" + B;
    r.steps(5);
    const int listAge = r.tick.nListAge;
    const int showAge = r.tick.nShowAge;
    const int index = r.tick.nAdIndex;
    EXPECT_EQ(r.steps(30, false), QStringList(30, QStringLiteral("offline")));
    EXPECT_EQ(r.tick.nListAge, listAge);
    EXPECT_EQ(r.tick.nShowAge, showAge);
    EXPECT_EQ(r.tick.nAdIndex, index);
    EXPECT_EQ(r.fetches, 1);
    // Back online: B comes when the 20 ticks are complete, counting only online ticks.
    EXPECT_TRUE(r.steps(15).isEmpty());
    EXPECT_EQ(r.steps(1), QStringList{B});
}

TEST(PromoTick, OnlyHttpAndHttpsEntriesAreNavigated)
{
    Ticker r;
    r.list = QStringLiteral("javascript:alert(1)<|file:///etc/passwd<|\r\n") + A +
             QStringLiteral("\r\n<|");
    // A trailing "<|" leaves an empty last entry; like the others it is skipped, but each still
    // takes its 20 ticks.
    QStringList shown = r.steps(80);
    EXPECT_EQ(shown, QStringList{A});
    EXPECT_EQ(r.tick.nAdLast, 3);
    EXPECT_EQ(r.tick.nAdIndex, 0);         // wrapped on the tick after the last entry
    EXPECT_EQ(r.steps(20), QStringList{}); // the javascript entry again: skipped

    EXPECT_FALSE(PromoTick::NavigableEntry(QStringLiteral("http://")).has_value());
    EXPECT_FALSE(PromoTick::NavigableEntry(QStringLiteral("ftp://x.example/")).has_value());
    EXPECT_TRUE(PromoTick::NavigableEntry(QStringLiteral("HTTPS://x.example/")).has_value());
}

TEST(PromoTick, SplitKeepsLineBreaksAndEmptyEntries)
{
    EXPECT_EQ(PromoTick::SplitList(QStringLiteral("a\r\nb<|<|c<|")),
              (QStringList{QStringLiteral("a\r\nb"), QString(), QStringLiteral("c"), QString()}));
}
