#include "SysTray.h"
#include "TestUtil.h"
#include "TrayBalloon.h"

#include <QDialog>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
struct TrayFixture
{
    QWidget window;
    QMenu* menuSYS = new QMenu(&window);
    QAction* menuSYS1 = menuSYS->addAction(QStringLiteral("Open Translate Tool"));
    SysTray* tray = nullptr;

    explicit TrayFixture(const QString& language)
    {
        menuSYS->addAction(QStringLiteral("Exit"));
        tray = new SysTray(&window, menuSYS, menuSYS1, language);
        tray->SetTrayAvailable([] { return true; });
        tray->SetIconDocked([] { return true; });
        window.resize(200, 100);
        window.show();
    }
    bool settled()
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return true;
    }
};
} // namespace

TEST(SysTray, AddingGreetsInTheInterfaceLanguage)
{
    TrayFixture f(QStringLiteral("3"));
    f.tray->AddTrayIcon();
    EXPECT_TRUE(f.tray->Icon()->isVisible());
    EXPECT_EQ(f.tray->Icon()->toolTip(), QString::fromUtf8("Verbalto正在運行中..."));
    EXPECT_EQ(f.tray->BalloonCount(), 1);
    EXPECT_EQ(f.tray->LastBalloon().szInfoTitle, u"Verbalto");
    EXPECT_EQ(f.tray->LastBalloon().szInfo,
              QString::fromUtf8("歡迎使用Verbalto " VERBALTO_VERSION));
    EXPECT_EQ(f.menuSYS->defaultAction(), f.menuSYS1);
    EXPECT_EQ(f.tray->Icon()->contextMenu(), f.menuSYS);
    EXPECT_FALSE(f.tray->Icon()->icon().isNull());
}

TEST(SysTray, MinimisingHidesWithoutGreetingAgainAndTheTipFollowsTheLanguage)
{
    TrayFixture f(QStringLiteral("1"));
    f.tray->AddTrayIcon();
    for (int i = 0; i < 5; ++i) {
        f.window.showMinimized();
        f.settled();
        EXPECT_FALSE(f.window.isVisible());
        EXPECT_TRUE(f.tray->IsInTray());
        f.tray->RestoreWindow();
    }
    EXPECT_EQ(f.tray->BalloonCount(), 1);
    EXPECT_EQ(f.tray->LastBalloon().szInfo, u"Welcome to use Verbalto " VERBALTO_VERSION);

    f.tray->SetLanguageIndex(QStringLiteral("2"));
    f.window.setWindowState(Qt::WindowMinimized);
    f.settled();
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_EQ(f.tray->BalloonCount(), 1);
    EXPECT_EQ(f.tray->Icon()->toolTip(), QString::fromUtf8("Verbalto正在运行中..."));
}

TEST(SysTray, WithoutANotificationAreaMinimisingKeepsTheWindowFindable)
{
    TrayFixture f(QStringLiteral("1"));
    f.tray->SetTrayAvailable([] { return false; });
    f.tray->AddTrayIcon();
    f.window.showMinimized();
    f.settled();
    EXPECT_TRUE(f.window.isVisible());
    EXPECT_TRUE(f.window.isMinimized());
}

TEST(SysTray, LeftClickTogglesAndRestoresTheNormalState)
{
    TrayFixture f(QStringLiteral("1"));
    f.tray->AddTrayIcon();
    f.window.showMaximized();
    f.settled();

    emit f.tray->Icon()->activated(QSystemTrayIcon::Trigger);
    f.settled();
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_EQ(f.tray->BalloonCount(), 1); // the welcome of the start only

    emit f.tray->Icon()->activated(QSystemTrayIcon::Trigger);
    f.settled();
    EXPECT_TRUE(f.window.isVisible());
    EXPECT_EQ(f.window.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized),
              Qt::WindowNoState);

    // Other activations (double click, context, middle) do not toggle.
    emit f.tray->Icon()->activated(QSystemTrayIcon::DoubleClick);
    emit f.tray->Icon()->activated(QSystemTrayIcon::Context);
    f.settled();
    EXPECT_TRUE(f.window.isVisible());
}

TEST(SysTray, ActivatingWhileADialogIsOpenRaisesTheDialog)
{
    TrayFixture f(QStringLiteral("1"));
    f.tray->AddTrayIcon();
    QDialog options(&f.window);
    bool windowStayed = false;
    QTimer::singleShot(0, &options, [&] {
        emit f.tray->Icon()->activated(QSystemTrayIcon::Trigger);
        f.settled();
        windowStayed = f.window.isVisible();
        options.reject();
    });
    options.exec();
    EXPECT_TRUE(windowStayed);
}

TEST(SysTray, StartHiddenLeavesOnlyTheIcon)
{
    TrayFixture f(QStringLiteral("1"));
    f.tray->AddTrayIcon();
    f.tray->MinimiseToTray();
    f.settled();
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_TRUE(f.tray->Icon()->isVisible());
    f.tray->RemoveTrayIcon();
    EXPECT_FALSE(f.tray->Icon()->isVisible());
}

TEST(SysTray, TheBalloonWaitsForTheIconsPlaceAndGreetsAgainAfterTheHostReturns)
{
    TrayFixture f(QStringLiteral("1"));
    bool docked = false;
    f.tray->SetIconDocked([&] { return docked; });
    f.tray->AddTrayIcon();
    f.window.showMinimized(); // hidden meanwhile: no balloon pointing at nothing
    f.settled();
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_EQ(f.tray->BalloonCount(), 0);

    docked = true;
    ASSERT_TRUE(TestUtil::waitUntil([&] { return f.tray->BalloonCount() == 1; }));
    EXPECT_FALSE(f.tray->Waiting()) << "docked: nothing polls";
    docked = false; // the tray host ends ...
    emit f.tray->Hosts()->changed();
    docked = true; // ... and starts again
    emit f.tray->Hosts()->changed();
    EXPECT_EQ(f.tray->BalloonCount(), 2);
    EXPECT_FALSE(f.tray->Waiting());
}

TEST(SysTray, TheIconIsMadeWhenAHostAppearsAndNothingWaitsWithoutOne)
{
    TrayFixture f(QStringLiteral("1"));
    bool host = false;
    f.tray->SetTrayAvailable([&] { return host; });
    f.tray->AddTrayIcon();
    EXPECT_EQ(f.tray->Icon(), nullptr);
    EXPECT_FALSE(f.tray->Waiting());
    f.window.showMinimized(); // no notification area: stays in the taskbar
    f.settled();
    EXPECT_TRUE(f.window.isMinimized());

    host = true;
    emit f.tray->Hosts()->changed();
    ASSERT_NE(f.tray->Icon(), nullptr);
    EXPECT_TRUE(f.tray->Icon()->isVisible());
    EXPECT_EQ(f.tray->Icon()->contextMenu(), f.menuSYS);
    EXPECT_EQ(f.tray->BalloonCount(), 1);
    EXPECT_FALSE(f.tray->Waiting());
}

TEST(TrayBalloon, StandsBesideTheIconOnTheSideWithRoomAndStaysOnTheScreen)
{
    const QRect screen(0, 0, 1280, 1024);
    const QSize size(240, 60);
    // A tray at the bottom right: above the icon, its right end at the icon's.
    const QRect low = TrayBalloon::BodyFor(size, QRect(1250, 1000, 24, 24), screen);
    EXPECT_EQ(low.bottom(), 999);
    EXPECT_EQ(low.right(), 1273);
    // A tray at the top left: below the icon, and not off the screen's left edge.
    const QRect high = TrayBalloon::BodyFor(size, QRect(4, 0, 24, 24), screen);
    EXPECT_EQ(high.top(), 24);
    EXPECT_EQ(high.left(), 0);
    EXPECT_TRUE(screen.contains(low) && screen.contains(high));
}

TEST(TrayBalloon, GoesWhollyAfterItsTime)
{
    // A hidden one would keep its window and pixels all day.
    const QPointer<TrayBalloon> balloon = new TrayBalloon;
    balloon->Show(QStringLiteral("Verbalto"), QStringLiteral("Welcome"), QPixmap(),
                  QRect(1250, 1000, 24, 24), QRect(0, 0, 1280, 1024), 50);
    EXPECT_TRUE(balloon->isVisible());
    EXPECT_TRUE(TestUtil::waitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return balloon.isNull();
    }));
}
