#include "KeySym.h"

#include <cstddef>
#include <xkbcommon/xkbcommon.h>

namespace {
struct Pair
{
    int key;
    quint32 keysym;
};

// Keys that a key-sequence field records and whose keysym is not their own code.
constexpr Pair kSpecial[] = {
    {Qt::Key_Escape, XKB_KEY_Escape},
    {Qt::Key_Tab, XKB_KEY_Tab},
    {Qt::Key_Backspace, XKB_KEY_BackSpace},
    {Qt::Key_Return, XKB_KEY_Return},
    {Qt::Key_Enter, XKB_KEY_KP_Enter},
    {Qt::Key_Insert, XKB_KEY_Insert},
    {Qt::Key_Delete, XKB_KEY_Delete},
    {Qt::Key_Pause, XKB_KEY_Pause},
    {Qt::Key_Print, XKB_KEY_Print},
    {Qt::Key_SysReq, XKB_KEY_Sys_Req},
    {Qt::Key_Clear, XKB_KEY_Clear},
    {Qt::Key_Home, XKB_KEY_Home},
    {Qt::Key_End, XKB_KEY_End},
    {Qt::Key_Left, XKB_KEY_Left},
    {Qt::Key_Up, XKB_KEY_Up},
    {Qt::Key_Right, XKB_KEY_Right},
    {Qt::Key_Down, XKB_KEY_Down},
    {Qt::Key_PageUp, XKB_KEY_Prior},
    {Qt::Key_PageDown, XKB_KEY_Next},
    {Qt::Key_ScrollLock, XKB_KEY_Scroll_Lock},
    {Qt::Key_Menu, XKB_KEY_Menu},
    {Qt::Key_Help, XKB_KEY_Help},
    {Qt::Key_VolumeDown, XKB_KEY_XF86AudioLowerVolume},
    {Qt::Key_VolumeMute, XKB_KEY_XF86AudioMute},
    {Qt::Key_VolumeUp, XKB_KEY_XF86AudioRaiseVolume},
    {Qt::Key_MediaPlay, XKB_KEY_XF86AudioPlay},
    {Qt::Key_MediaStop, XKB_KEY_XF86AudioStop},
    {Qt::Key_MediaPrevious, XKB_KEY_XF86AudioPrev},
    {Qt::Key_MediaNext, XKB_KEY_XF86AudioNext},
    {Qt::Key_MediaPause, XKB_KEY_XF86AudioPause},
    {Qt::Key_MediaTogglePlayPause, XKB_KEY_XF86AudioPlay},
    {Qt::Key_HomePage, XKB_KEY_XF86HomePage},
    {Qt::Key_LaunchMail, XKB_KEY_XF86Mail},
    {Qt::Key_Search, XKB_KEY_XF86Search},
    {Qt::Key_Calculator, XKB_KEY_XF86Calculator},
    {Qt::Key_Favorites, XKB_KEY_XF86Favorites},
    {Qt::Key_Back, XKB_KEY_XF86Back},
    {Qt::Key_Forward, XKB_KEY_XF86Forward},
    {Qt::Key_Refresh, XKB_KEY_XF86Refresh},
    {Qt::Key_Explorer, XKB_KEY_XF86Explorer},
    {Qt::Key_Tools, XKB_KEY_XF86Tools},
    {Qt::Key_Launch0, XKB_KEY_XF86Launch0},
    {Qt::Key_Launch1, XKB_KEY_XF86Launch1},
};

// With the keypad modifier, operators and Enter are the keypad's own keys.
constexpr Pair kKeypad[] = {
    {Qt::Key_Plus, XKB_KEY_KP_Add},          {Qt::Key_Minus, XKB_KEY_KP_Subtract},
    {Qt::Key_Asterisk, XKB_KEY_KP_Multiply}, {Qt::Key_Slash, XKB_KEY_KP_Divide},
    {Qt::Key_Period, XKB_KEY_KP_Decimal},    {Qt::Key_Comma, XKB_KEY_KP_Separator},
    {Qt::Key_Equal, XKB_KEY_KP_Equal},       {Qt::Key_Enter, XKB_KEY_KP_Enter},
    {Qt::Key_Return, XKB_KEY_KP_Enter},
};

template <std::size_t N> quint32 Find(const Pair (&table)[N], int key)
{
    for (const Pair& p : table) {
        if (p.key == key)
            return p.keysym;
    }
    return 0;
}
} // namespace

namespace KeySym {

quint32 Of(QKeyCombination combination)
{
    const int key = combination.key();
    if (combination.keyboardModifiers() & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return XKB_KEY_KP_0 + quint32(key - Qt::Key_0);
        if (const quint32 sym = Find(kKeypad, key))
            return sym;
    }
    // Qt names letters by their capital; a keysym of a letter key is its small letter.
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) ||
        (key >= Qt::Key_Agrave && key <= Qt::Key_THORN && key != Qt::Key_multiply))
        return quint32(key + 0x20);
    // Printable ASCII and Latin-1 are their own keysyms.
    if ((key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) ||
        (key >= Qt::Key_nobreakspace && key <= Qt::Key_ydiaeresis))
        return quint32(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return XKB_KEY_F1 + quint32(key - Qt::Key_F1);
    return Find(kSpecial, key);
}

QString Name(quint32 keysym)
{
    char name[64];
    if (keysym == 0 || xkb_keysym_get_name(keysym, name, sizeof name) <= 0)
        return {};
    return QString::fromLatin1(name);
}

} // namespace KeySym
