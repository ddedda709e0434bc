// The session-wide key against a real X server: a press reaches us whichever window has the
// focus, with NumLock on too; a key another client holds is reported as not active.
#include "GlobalShortcut.h"
#include "TestUtil.h"

#include <QGuiApplication>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace {
bool CanRun()
{
    return QGuiApplication::platformName() == QLatin1String("xcb") &&
           !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}
} // namespace

TEST(GlobalShortcut, APressAnywhereActivatesItAndAHeldKeyIsReported)
{
    if (!CanRun())
        GTEST_SKIP() << "needs an X display and xdotool";
    GlobalShortcut shortcut;
    int pressed = 0;
    QObject::connect(&shortcut, &GlobalShortcut::activated, &shortcut, [&] { ++pressed; });
    ASSERT_TRUE(shortcut.SetKey(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z)));
    EXPECT_TRUE(shortcut.IsActive());

    TestUtil::runTool(QStringLiteral("xdotool"),
                      {QStringLiteral("key"), QStringLiteral("ctrl+alt+z")});
    EXPECT_TRUE(TestUtil::waitUntil([&] { return pressed == 1; }, 3000));
    // Another key, or the same one with another modifier, is not ours.
    TestUtil::runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+z")});
    TestUtil::runTool(QStringLiteral("xdotool"),
                      {QStringLiteral("key"), QStringLiteral("Num_Lock"),
                       QStringLiteral("ctrl+alt+z"), QStringLiteral("Num_Lock")});
    EXPECT_TRUE(TestUtil::waitUntil([&] { return pressed == 2; }, 3000));
    QThread::msleep(200);
    QCoreApplication::processEvents();
    EXPECT_EQ(pressed, 2);

    EXPECT_FALSE(shortcut.SetKey(QKeySequence()));
    EXPECT_FALSE(shortcut.IsActive());

    // Another client holds Ctrl+Alt+F11 first.
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(other));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    GlobalShortcut probe;
    ASSERT_TRUE(probe.SetKey(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F11)));
    probe.SetKey({});
    // The key code of F11 as the probe found it is grabbed with every modifier by the other.
    xcb_generic_error_t* error = xcb_request_check(
        other, xcb_grab_key_checked(other, true, root, XCB_MOD_MASK_ANY, XCB_GRAB_ANY,
                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    ASSERT_EQ(error, nullptr);
    EXPECT_FALSE(shortcut.SetKey(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F11)));
    EXPECT_FALSE(shortcut.IsActive());
    xcb_disconnect(other);
    QThread::msleep(200);
    EXPECT_TRUE(shortcut.SetKey(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F11)));
}
