// The popup's motion over twips: rising, resting, closing, fading, slots and click rules.
#include "MsgMotion.h"
#include "PopupPaint.h"
#include "PopupSlots.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

constexpr int kScreen = 600 * 15; // screen height in twips
constexpr int kWork = 560 * 15;   // work area bottom (a 40 px panel below)
constexpr int kHeight = 257 * 15; // window height

// Ticks until the window has arrived (bAtRest), or -1.
int ticksToRest(MsgMotion& m, int limit = 10000)
{
    for (int i = 1; i <= limit; ++i) {
        m.Tick();
        if (m.AtRest())
            return i;
    }
    return -1;
}

} // namespace

TEST(MsgMotion, SlotOneRisesFiftyTwipsATickAndRestsOnTheWorkAreaBottom)
{
    MsgMotion m;
    m.Load(kWork, kScreen, 1, kHeight);
    EXPECT_EQ(m.Top(), kWork); // waits just below the work area
    m.Configure(-1, false);
    EXPECT_EQ(m.Step(), 50);

    auto fx = m.Tick();
    EXPECT_TRUE(fx.moved);
    EXPECT_FALSE(fx.makeTopmost);
    EXPECT_EQ(m.Top(), kWork - 50);

    const int ticks = ticksToRest(m);
    // 3855 twips at 50 a tick: 78 moves overshoot by 45, then one tick snaps to the rest.
    EXPECT_EQ(ticks + 1, 79);
    EXPECT_EQ(m.Top(), kWork - kHeight);
    EXPECT_EQ(m.RestingTop(), kWork - kHeight);
}

TEST(MsgMotion, ArrivalMakesTopmostOnceAndHigherSlotsMoveHundredTwips)
{
    MsgMotion m;
    m.Load(kWork, kScreen, 2, kHeight);
    m.Configure(-1, false);
    EXPECT_EQ(m.Step(), 100);
    int topmost = 0;
    for (int i = 0; i < 200; ++i)
        topmost += m.Tick().makeTopmost ? 1 : 0;
    EXPECT_EQ(topmost, 1);
    EXPECT_EQ(m.Top(), kWork - 2 * kHeight); // one window height above slot 1
}

TEST(MsgMotion, RestingTopAboveTheScreenStopsAtZero)
{
    MsgMotion m;
    m.Load(kWork, kScreen, 3, kHeight); // 8400 - 3 * 3855 < 0
    m.Configure(-1, false);
    ASSERT_LT(m.RestingTop(), 0);
    ASSERT_GT(ticksToRest(m), 0);
    EXPECT_EQ(m.Top(), 0);
    for (int i = 0; i < 50; ++i)
        m.Tick();
    EXPECT_EQ(m.Top(), 0);
}

TEST(MsgMotion, CloseUndoesTopmostSinksBelowTheScreenAndUnloads)
{
    MsgMotion m;
    m.Load(kWork, kScreen, 1, kHeight);
    m.Configure(-1, false);
    ticksToRest(m);
    for (int i = 0; i < 500; ++i)
        m.Tick();
    EXPECT_TRUE(m.AtRest()); // -1 never counts down

    m.CloseActivate();
    auto fx = m.Tick();
    EXPECT_TRUE(fx.undoTopmost);
    EXPECT_FALSE(m.AtRest());
    EXPECT_EQ(m.Top(), kWork - kHeight + 50);

    int ticks = 1;
    bool unloaded = false;
    while (!unloaded && ticks < 1000) {
        fx = m.Tick();
        EXPECT_FALSE(fx.undoTopmost);
        unloaded = fx.unload;
        ++ticks;
    }
    ASSERT_TRUE(unloaded);
    EXPECT_GT(m.Top(), kScreen); // below the screen's bottom, not just the work area's
    // From 4545 down past 9000 at 50 a tick: 90 moves, then the unloading tick.
    EXPECT_EQ(ticks, 91);
}

TEST(MsgMotion, TimedPopupRestsDisplaySecondsTimesHundredTicks)
{
    MsgMotion m;
    m.Load(kWork, kScreen, 1, kHeight);
    m.Configure(3, false);
    EXPECT_EQ(m.TicksLeft(), 300);
    EXPECT_FALSE(m.NoTimeout());
    ticksToRest(m);
    // The arriving tick counts as the first of the 300.
    EXPECT_EQ(m.TicksLeft(), 299);
    for (int i = 0; i < 299; ++i) {
        EXPECT_FALSE(m.Tick().undoTopmost);
    }
    EXPECT_EQ(m.TicksLeft(), 0);
    EXPECT_TRUE(m.Tick().undoTopmost); // the next tick starts leaving
}

namespace {

// What a window sees of a showing: each tick that moves, fades or changes topmost, by tick number.
struct Seen
{
    int tick, top, step;
    bool topmost, undoTopmost, unload;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> showing(int slot, int seconds, bool fade, bool restInOneGo)
{
    MsgMotion m;
    m.Load(kWork, kScreen, slot, kHeight);
    m.Configure(seconds, fade);
    std::vector<Seen> seen;
    for (int tick = 1; tick < 100000;) {
        if (const int rest = m.RestTicks(); restInOneGo && rest > 0) {
            m.Rest(rest);
            tick += rest;
            continue;
        }
        const auto fx = m.Tick();
        if (fx.moved || fx.transparency || fx.makeTopmost || fx.undoTopmost || fx.unload)
            seen.push_back({tick, m.Top(), m.Step(), fx.makeTopmost, fx.undoTopmost, fx.unload});
        if (fx.unload)
            break;
        ++tick;
    }
    return seen;
}

} // namespace

TEST(MsgMotion, RestingInOneGoLeavesAtTheSameTickAsTickingThrough)
{
    for (const bool fade : {false, true}) {
        for (const int slot : {1, 2}) {
            for (const int seconds : {1, 3}) {
                const auto ticked = showing(slot, seconds, fade, false);
                ASSERT_FALSE(ticked.empty());
                EXPECT_TRUE(ticked.back().unload);
                EXPECT_EQ(showing(slot, seconds, fade, true), ticked)
                    << "fade " << fade << " slot " << slot << " seconds " << seconds;
            }
        }
    }
}

TEST(MsgMotion, RestTicksWhileMovingAtRestAndWithoutCountdown)
{
    MsgMotion m;
    m.Load(kWork, kScreen, 1, kHeight);
    m.Configure(-1, false);
    EXPECT_EQ(m.RestTicks(), 0); // rising
    ticksToRest(m);
    EXPECT_EQ(m.RestTicks(), MsgMotion::kRestsForever);
    m.Rest(1000);
    EXPECT_EQ(m.TicksLeft(), 1);
    m.CloseActivate();
    EXPECT_EQ(m.RestTicks(), 0); // leaving

    MsgMotion timed;
    timed.Load(kWork, kScreen, 1, kHeight);
    timed.Configure(2, false);
    ticksToRest(timed);
    EXPECT_EQ(timed.RestTicks(), 199);
    timed.Rest(1000); // never counts past zero
    EXPECT_EQ(timed.TicksLeft(), 0);
    EXPECT_EQ(timed.RestTicks(), 0);
}

TEST(MsgMotion, OverflowingDisplaySecondsIsClamped)
{
    EXPECT_EQ(MsgMotion::TicksForSeconds(21474836), 2147483600);
    EXPECT_EQ(MsgMotion::TicksForSeconds(21474837), std::numeric_limits<int>::max());
    EXPECT_EQ(MsgMotion::TicksForSeconds(std::numeric_limits<int>::max()),
              std::numeric_limits<int>::max());
    MsgMotion m;
    m.Load(kWork, kScreen, 1, kHeight);
    m.Configure(std::numeric_limits<int>::max(), false);
    EXPECT_EQ(m.TicksLeft(), std::numeric_limits<int>::max());
    EXPECT_FALSE(m.NoTimeout());
}

TEST(MsgMotion, ClickRulesForTheThreeDisplaySecondsCases)
{
    MsgMotion timed;
    timed.Load(kWork, kScreen, 1, kHeight);
    timed.Configure(5, false);
    timed.Click();
    EXPECT_EQ(timed.TicksLeft(), 0);

    MsgMotion untilClicked;
    untilClicked.Load(kWork, kScreen, 1, kHeight);
    untilClicked.Configure(0, false);
    EXPECT_TRUE(untilClicked.NoTimeout());
    EXPECT_FALSE(untilClicked.NoClickClose());
    EXPECT_EQ(untilClicked.TicksLeft(), 1);
    untilClicked.Click();
    EXPECT_EQ(untilClicked.TicksLeft(), 0);

    MsgMotion closeButtonOnly;
    closeButtonOnly.Load(kWork, kScreen, 1, kHeight);
    closeButtonOnly.Configure(-1, false);
    EXPECT_TRUE(closeButtonOnly.NoClickClose());
    closeButtonOnly.Click();
    EXPECT_EQ(closeButtonOnly.TicksLeft(), 1);
    closeButtonOnly.CloseActivate();
    EXPECT_EQ(closeButtonOnly.TicksLeft(), 0);
}

TEST(MsgMotion, ASecondShowingDoesNotKeepTheFirstOnesRules)
{
    MsgMotion m;
    m.Load(kWork, kScreen, 1, kHeight);
    m.Configure(-1, false);
    m.Configure(2, false);
    EXPECT_FALSE(m.NoTimeout());
    EXPECT_FALSE(m.NoClickClose());
    EXPECT_EQ(m.TicksLeft(), 200);
}

TEST(MsgMotion, FadeStartsAtRestInvisibleAndStepsTwoPercent)
{
    MsgMotion m;
    m.Load(kWork, kScreen, 1, kHeight);
    const auto start = m.Configure(1, true);
    EXPECT_TRUE(start.moved);
    EXPECT_TRUE(start.makeTopmost);
    EXPECT_EQ(start.transparency, 100);
    EXPECT_EQ(m.Top(), kWork - kHeight);

    EXPECT_EQ(m.Tick().transparency, 98);
    for (int i = 0; i < 48; ++i)
        m.Tick();
    EXPECT_EQ(m.Tick().transparency, 0);
    EXPECT_EQ(m.TicksLeft(), 100);
    // Fully shown: 100 ticks of counting down.
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(m.Tick().transparency.has_value());
    EXPECT_EQ(m.TicksLeft(), 0);
    // Leaving: 2, 4, ... 102, then unload.
    int ticks = 0;
    MsgMotion::Effects fx;
    do {
        fx = m.Tick();
        ++ticks;
    } while (!fx.unload && ticks < 200);
    EXPECT_EQ(ticks, 52);
    EXPECT_EQ(m.Step(), 102);
    EXPECT_EQ(m.Top(), kWork - kHeight); // fading never moves the window
}

TEST(PopupSlots, SevenSlotsThenEveryLaterPopupSharesSlotEight)
{
    quint8 mask = 0;
    for (int expected = 1; expected <= 8; ++expected)
        EXPECT_EQ(PopupSlots::TakeSlot(mask), expected);
    EXPECT_EQ(mask, 0xFF);
    EXPECT_EQ(PopupSlots::TakeSlot(mask), 8);
    EXPECT_EQ(PopupSlots::TakeSlot(mask), 8);

    PopupSlots::FreeSlot(mask, 3);
    EXPECT_EQ(mask, 0xFB);
    EXPECT_EQ(PopupSlots::TakeSlot(mask), 3); // the lowest free slot comes back first
    PopupSlots::FreeSlot(mask, 1);
    PopupSlots::FreeSlot(mask, 2);
    EXPECT_EQ(PopupSlots::TakeSlot(mask), 1);
}

TEST(PopupPaint, ColoursGradientsAndAlpha)
{
    const QColor c = PopupPaint::ColorFromRgbInt(30 | (178 << 8) | (239 << 16));
    EXPECT_EQ(c, QColor(30, 178, 239));

    const QImage tube = PopupPaint::TubeGradient(QSize(10, 257), c);
    EXPECT_EQ(tube.pixelColor(5, 0), c);
    EXPECT_EQ(tube.pixelColor(5, 128), QColor(Qt::white)); // 257 / 2
    EXPECT_EQ(tube.pixelColor(5, 256), c);

    const QImage diag = PopupPaint::DiagonalGradient(QSize(348, 257), c);
    EXPECT_EQ(diag.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(diag.pixelColor(347, 0), QColor(Qt::white));
    EXPECT_EQ(diag.pixelColor(0, 256), QColor(Qt::white));
    EXPECT_EQ(diag.pixelColor(347, 256), c);

    EXPECT_EQ(PopupPaint::AlphaForTransparency(100), 0);
    EXPECT_EQ(PopupPaint::AlphaForTransparency(0), 255);
    EXPECT_EQ(PopupPaint::AlphaForTransparency(50), 128); // 127.5 rounds to even
    EXPECT_EQ(PopupPaint::AlphaForTransparency(70), 76);  // 76.5 rounds to even
    EXPECT_FALSE(PopupPaint::AlphaForTransparency(102).has_value());
    EXPECT_TRUE(PopupPaint::TubeGradient(QSize(0, 0), c).isNull());
}
