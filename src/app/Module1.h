// Start-up: the command line and the updater left behind by an update.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Module1 {

enum class StartMode {
    Normal,
    Mini,
    Up,
    Show,
    TranslateSelection,
    TranslateClipboard,
    TranslateText,
    // Started by the session bus for a call to come: hidden until the call says what to do.
    BusActivated
};

// The text after the program path, compared exactly: "mini", "UP", "--show",
// "--translate-selection", "--translate-clipboard", "--dbus-activated", or "--translate" and a
// text; anything else is normal.
StartMode ParseCommandLine(const QStringList& arguments);
// The text of "--translate TEXT": the arguments after it, joined by blanks.
QString TextToTranslate(const QStringList& arguments);

// The Qt platform to run on: "xcb" in a Wayland session that also has an X display (XWayland),
// where other programs' copies are seen in the background and a tray works; otherwise the
// user's choice (QT_QPA_PLATFORM), which may be empty (Qt decides).
QByteArray PlatformToUse(const QByteArray& chosen, const QByteArray& waylandDisplay,
                         const QByteArray& xDisplay);

// Deletes "patchwell" in the program folder unless started with "UP". A file that cannot be
// deleted is left; start-up goes on.
void RemoveLeftoverUpdater(const QString& programFolder, StartMode mode);

} // namespace Module1
