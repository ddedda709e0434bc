// Against a real X server: keys of each kind a key-sequence field records are grabbed and heard
// when xdotool presses them; a key with no keysym grabs nothing.
#include "GlobalShortcut.h"
#include "TestUtil.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(GlobalShortcutX, KeysOfEveryKindAreHeardAndAKeyWithoutSymbolGrabsNothing)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs an X display and xdotool";
    GlobalShortcut shortcut;
    QSignalSpy heard(&shortcut, &GlobalShortcut::activated);
    // As the Options field stores them, and as xdotool names the keys.
    const std::pair<const char*, const char*> keys[] = {
        // Not Ctrl+Alt+F9: the X server keeps that for switching consoles.
        {"Ctrl+Shift+F9", "ctrl+shift+F9"},
        {"Ctrl+Alt+,", "ctrl+alt+comma"},
        // Recorded without Shift, typed with it.
        {"Ctrl+Alt+!", "ctrl+alt+shift+1"},
        {"Meta+Print", "super+Print"},
        {"Ctrl+PgDown", "ctrl+Next"},
        {"Ctrl+Alt+Del", "ctrl+alt+Delete"},
        {"Ctrl+Volume Up", "ctrl+XF86AudioRaiseVolume"},
        {"Shift+Media Play", "shift+XF86AudioPlay"},
    };
    for (const auto& [sequence, pressed] : keys) {
        ASSERT_TRUE(shortcut.SetKey(QKeySequence::fromString(QLatin1String(sequence)))) << sequence;
        const qsizetype before = heard.size();
        TestUtil::runTool(QStringLiteral("xdotool"),
                          {QStringLiteral("key"), QLatin1String(pressed)});
        EXPECT_TRUE(TestUtil::waitUntil([&] { return heard.size() > before; }, 3000)) << sequence;
    }
    // Before, NoSymbol matched an empty place of the keyboard map and grabbed some other key.
    EXPECT_FALSE(shortcut.SetKey(QKeySequence(Qt::CTRL | Qt::Key_CapsLock)));
    EXPECT_FALSE(shortcut.IsActive());
}
