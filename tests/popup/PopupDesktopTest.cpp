// The popup on a real X server with its real 10 ms timer: it rises, rests and leaves.
#include "FormMsg.h"

#include "TestUtil.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

constexpr int kBlue = 30 | (178 << 8) | (239 << 16);

} // namespace

TEST(PopupDesktop, RisesOnItsTimerAndLeavesByTheCross)
{
    quint8 mask = 0;
    FormMsg::Options options;
    options.slotMask = &mask;
    QPointer<FormMsg> popup = new FormMsg(options);
    EXPECT_EQ(popup->Timer1().interval(), 10);
    popup->DisplayMessage(QStringLiteral("每日一句学英语"), -1, false, false, true, kBlue, true);
    ASSERT_TRUE(TestUtil::waitUntil([&] { return popup->Motion().AtRest(); }, 20000));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
    const QRect work = popup->screen()->availableGeometry();
    EXPECT_EQ(popup->frameGeometry().bottom(), work.bottom());
    EXPECT_EQ(popup->frameGeometry().right(), work.right());
    EXPECT_TRUE(popup->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    // No taskbar entry: the states say so to any panel.
    EXPECT_TRUE(TestUtil::runTool(QStringLiteral("xprop"),
                                  {QStringLiteral("-id"), QString::number(popup->winId()),
                                   QStringLiteral("_NET_WM_STATE")})
                    .contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")));

    QTest::mouseClick(popup->Image1(), Qt::LeftButton, {}, QPoint(9, 9));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return popup.isNull(); }, 20000));
    EXPECT_EQ(mask, 0);
}

TEST(PopupDesktop, TimedPopupClosesByItself)
{
    quint8 mask = 0;
    FormMsg::Options options;
    options.slotMask = &mask;
    QPointer<FormMsg> popup = new FormMsg(options);
    popup->DisplayMessage(QStringLiteral("Saved"), 1, false, true, false, kBlue, false);
    ASSERT_TRUE(TestUtil::waitUntil([&] { return popup.isNull(); }, 30000));
    EXPECT_EQ(mask, 0);
}
