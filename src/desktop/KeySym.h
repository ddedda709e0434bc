// Qt's keys as keysyms, the names X11 and Wayland keyboards share: what a global key is grabbed
// or asked for by.
#pragma once

#include <QKeyCombination>
#include <QString>

namespace KeySym {
// The keysym of the combination's key (0 when it has none here): letters, digits, punctuation,
// Latin-1 letters, function keys, the keypad (with the keypad modifier), editing and cursor
// keys, Print, Pause and the common media and launch keys.
quint32 Of(QKeyCombination combination);

// The keysym's name ("z", "F7", "comma", "XF86AudioPlay"), or "" for 0.
QString Name(quint32 keysym);
} // namespace KeySym
