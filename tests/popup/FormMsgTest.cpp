// The popup window offscreen: its layout, where it waits, rises and rests, and how it closes.
#include "FormMsg.h"
#include "HtmlView.h"
#include "PopupPaint.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kBlue = 30 | (178 << 8) | (239 << 16);

struct Popup
{
    quint8 slotMask = 0;
    QPointer<FormMsg> make(int tickMs = 60000) // by default the tests tick by hand
    {
        FormMsg::Options options;
        options.tickMs = tickMs;
        options.slotMask = &slotMask;
        return new FormMsg(options);
    }
};

void tick(FormMsg* popup, int n)
{
    for (int i = 0; i < n && popup; ++i)
        popup->Timer1_Timer();
}

QRect work()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

TEST(FormMsg, LayoutMatchesTheDesign)
{
    Popup p;
    QPointer<FormMsg> popup = p.make();
    EXPECT_EQ(popup->size(), QSize(348, 257));
    EXPECT_TRUE(popup->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(popup->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ((popup->windowFlags() & Qt::WindowType_Mask), Qt::Tool);
    EXPECT_EQ(popup->Image1()->geometry(), QRect(322, 2, 18, 18));
    EXPECT_EQ(popup->Image1()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(popup->Picture1()->geometry(), QRect(4, 20, 340, 231));
    EXPECT_EQ(popup->WebBrowser1()->geometry(), QRect(-646, -12, 1006, 244));
    EXPECT_EQ(popup->WebBrowser1()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(popup->lblMessage()->text(), QStringLiteral("每日一句学英语"));
    EXPECT_FALSE(popup->Picture1()->isVisibleTo(popup)); // no page, no frame
    // Waiting just below the work area, at its right-hand edge.
    EXPECT_EQ(popup->geometry().right(), work().right());
    EXPECT_EQ(popup->y(), work().bottom() + 1);
    EXPECT_FALSE(popup->CloseActivate());
    delete popup;
    EXPECT_EQ(p.slotMask, 0);
}

TEST(FormMsg, TheTubeFillsTheWholeWidth)
{
    Popup p;
    QPointer<FormMsg> popup = p.make();
    popup->DisplayMessage(QStringLiteral("每日一句学英语"), -1, false, false, true, kBlue, true);
    const QImage shot = popup->grab().toImage();
    const QImage tube = PopupPaint::TubeGradient(QSize(1, popup->height()),
                                                 PopupPaint::ColorFromRgbInt(kBlue));
    for (int y : {40, popup->height() / 2, popup->height() - 20})
        for (int x : {30, popup->width() / 2, popup->width() - 30})
            EXPECT_EQ(shot.pixel(x, y), tube.pixel(0, y)) << x << "," << y;
    delete popup;
}

TEST(FormMsg, DailySentenceRisesRestsIgnoresBodyClicksAndLeavesByTheCross)
{
    Popup p;
    QPointer<FormMsg> popup = p.make();
    QSignalSpy unloaded(popup.data(), &FormMsg::unloaded);
    popup->DisplayMessage(QStringLiteral("每日一句学英语"), -1, false, false, true, kBlue, true);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(popup->Timer1().isActive());
    EXPECT_EQ(popup->lblMessage()->geometry().topLeft(), QPoint(5, 5));
    EXPECT_EQ(popup->lblMessage()->width(), 338);

    tick(popup, 79);
    ASSERT_TRUE(popup->Motion().AtRest());
    EXPECT_EQ(popup->geometry().bottom(), work().bottom());
    EXPECT_EQ(popup->geometry().right(), work().right());

    QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(100, 8));
    tick(popup, 50);
    EXPECT_TRUE(popup->Motion().AtRest());

    QTest::mouseMove(popup->Image1(), QPoint(9, 9));
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(popup->Image1(), &enter);
    EXPECT_TRUE(popup->IsHoverPicture());
    QTest::mouseClick(popup->Image1(), Qt::LeftButton, {}, QPoint(9, 9));
    tick(popup, 1);
    EXPECT_FALSE(popup->Motion().AtRest());
    tick(popup, 200);
    ASSERT_EQ(unloaded.size(), 1);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(p.slotMask, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(popup.isNull());
}

TEST(FormMsg, ClickToClosePopupSaysSoAndClosesOnABodyClick)
{
    Popup p;
    QPointer<FormMsg> popup = p.make();
    popup->DisplayMessage(QStringLiteral("Hi"), 0, false, true, false, kBlue, false);
    EXPECT_EQ(popup->lblMessage()->text(), QStringLiteral("(click here to close)\nHi"));
    // Autofit: just the message, which now takes two lines.
    EXPECT_EQ(popup->height(), 5 + popup->lblMessage()->height() + 15);
    EXPECT_GT(popup->lblMessage()->height(), 13);
    EXPECT_FALSE(popup->IsSquare());
    EXPECT_FALSE(popup->mask().isEmpty());
    tick(popup, 40);
    ASSERT_TRUE(popup->Motion().AtRest());
    QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(popup->Motion().TicksLeft(), 0);
    tick(popup, 300);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(popup.isNull());
}

TEST(FormMsg, TimedPopupMovesItsLabelAndClosesByItself)
{
    Popup p;
    QPointer<FormMsg> popup = p.make();
    popup->DisplayMessage(QStringLiteral("Saved"), 1, false, false, true, kBlue, true);
    EXPECT_EQ(popup->lblMessage()->y(), 10);
    tick(popup, 79 + 99);
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->Motion().AtRest());
    tick(popup, 1);
    EXPECT_EQ(popup->Motion().TicksLeft(), 0);
    tick(popup, 500);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(popup.isNull());
}

TEST(FormMsg, SecondPopupStacksOneHeightHigherAndTheSlotIsFreedAfterwards)
{
    Popup p;
    QPointer<FormMsg> first = p.make();
    QPointer<FormMsg> second = p.make();
    EXPECT_EQ(first->Motion().Slot(), 1);
    EXPECT_EQ(second->Motion().Slot(), 2);
    first->DisplayMessage(QStringLiteral("one"), -1, false, false, true, kBlue, true);
    second->DisplayMessage(QStringLiteral("two"), -1, false, false, true, kBlue, true);
    EXPECT_EQ(second->Motion().Step(), 100);
    tick(first, 100);
    tick(second, 100);
    EXPECT_EQ(first->geometry().bottom(), work().bottom());
    EXPECT_EQ(second->geometry().bottom(), first->geometry().top() - 1);
    delete first;
    EXPECT_EQ(p.slotMask, 0x02);
    QPointer<FormMsg> third = p.make();
    EXPECT_EQ(third->Motion().Slot(), 1);
    delete second;
    delete third;
    EXPECT_EQ(p.slotMask, 0);
}

TEST(FormMsg, FadeModeShowsAtRestAndFadesOut)
{
    Popup p;
    QPointer<FormMsg> popup = p.make();
    popup->DisplayMessage(QStringLiteral("fade"), 1, true, false, true, kBlue, false);
    EXPECT_EQ(popup->geometry().bottom(), work().bottom());
    tick(popup, 50);
    EXPECT_EQ(popup->Motion().Step(), 0);
    EXPECT_EQ(popup->geometry().bottom(), work().bottom());
    tick(popup, 100 + 52);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(popup.isNull());
}

TEST(FormMsg, ARestingPopupDoesNotTickAndItsCountdownStillEndsIt)
{
    Popup p;
    QPointer<FormMsg> daily = p.make();
    daily->DisplayMessage(QStringLiteral("daily"), -1, false, false, true, kBlue, true);
    tick(daily, 79);
    ASSERT_TRUE(daily->Motion().AtRest());
    EXPECT_FALSE(daily->Timer1().isActive());
    EXPECT_FALSE(daily->RestTimer().isActive());
    QTest::mouseClick(daily->Image1(), Qt::LeftButton, {}, QPoint(9, 9));
    EXPECT_TRUE(daily->Timer1().isActive());
    delete daily;

    // Real timers: 79 ticks up, then 99 more ticks' time in one wait, then it leaves.
    QPointer<FormMsg> timed = p.make(2);
    timed->DisplayMessage(QStringLiteral("timed"), 1, false, false, true, kBlue, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return timed->Motion().AtRest(); }, 5000));
    EXPECT_FALSE(timed->Timer1().isActive());
    ASSERT_TRUE(timed->RestTimer().isActive());
    EXPECT_EQ(timed->RestTimer().interval(), 99 * 2);
    QSignalSpy ticks(&timed->Timer1(), &QTimer::timeout);
    QElapsedTimer rest;
    rest.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !timed->Motion().AtRest(); }, 5000));
    EXPECT_GE(rest.elapsed(), 99 * 2 - 2);
    EXPECT_EQ(ticks.size(), 1); // the tick that starts it leaving
    ASSERT_TRUE(QTest::qWaitFor([&] { return timed.isNull(); }, 5000));
}
