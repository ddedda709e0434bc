// What the clipboard monitor does when the clipboard changes, apart from how it hears of it.
#pragma once

#include <QString>
#include <functional>

class QMimeData;

namespace ModmonClip {

// The main window's operations the monitor drives, in the order it drives them.
struct ClipActions
{
    std::function<void()> clearSource;             // empty the source box
    std::function<void()> paste;                   // Command5_Click
    std::function<void()> translate;               // Command1_Click
    std::function<bool()> translating;             // whether any translation runs now (none: never)
    std::function<void(const QString&)> setSource; // a text handed over instead of pasted
};

// The plain text on the clipboard; empty for no data, an image without text, a list of local
// files (file managers also offer the paths as text, which is not something to translate), or
// what a password manager marked as secret.
QString ClipboardText(const QMimeData* data);

// Whether the data carries a password manager's mark (x-kde-passwordManagerHint: secret).
bool IsMarkedSecret(const QMimeData& data);

// Whether the text holds anything but U+0020 blanks; tabs and line breaks count as text.
bool IsClipText(const QString& text);

// One change notification: clear, paste and translate when the text counts and the change is not
// our own Copy. The self-copy flag is spent by every notification. Returns whether it acted.
bool OnDrawClipboard(const QString& clipText, bool& bSelfCopy, const ClipActions& actions);

} // namespace ModmonClip
