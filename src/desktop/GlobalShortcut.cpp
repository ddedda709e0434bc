#include "GlobalShortcut.h"

#include "KeySym.h"
#include "X11Connection.h"

#include <QCoreApplication>

#include <cstdlib>
#include <xcb/xcb.h>

namespace {
// NumLock is Mod2 and CapsLock is Lock on every usual layout; a grab is exact about modifiers,
// so each of their combinations is grabbed too.
constexpr quint16 kLockVariants[] = {0, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK,
                                     XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK};

struct Key
{
    quint8 code = 0;
    // The keysym sits on the shifted level ("!" over "1"): a key-sequence field records it
    // without Shift, but it is typed with it.
    bool shifted = false;
};

Key FindKey(xcb_connection_t* c, quint32 keysym)
{
    // NoSymbol fills the empty places of the map: it would pick some unrelated key.
    if (keysym == 0)
        return {};
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, quint8(count)), nullptr);
    if (!map)
        return {};
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    const int per = map->keysyms_per_keycode;
    Key found;
    for (int i = 0; i < count * per && !found.code; ++i) {
        if (syms[i] == keysym) {
            found.code = quint8(setup->min_keycode + i / per);
            // The keypad's second level comes with NumLock, whose variants are grabbed anyway.
            const bool keypad = keysym >= 0xff80 && keysym <= 0xffbd;
            found.shifted = i % per == 1 && !keypad;
        }
    }
    std::free(map);
    return found;
}

xcb_window_t Root(xcb_connection_t* c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}
} // namespace

GlobalShortcut::GlobalShortcut(QObject* parent) : QObject(parent)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

GlobalShortcut::~GlobalShortcut()
{
    Release();
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

void GlobalShortcut::Release()
{
    xcb_connection_t* c = X11Connection::Get();
    if (c && m_active) {
        for (quint16 lock : kLockVariants)
            xcb_ungrab_key(c, m_keycode, Root(c), m_modifiers | lock);
        xcb_flush(c);
    }
    m_active = false;
}

bool GlobalShortcut::SetKey(const QKeySequence& key)
{
    Release();
    xcb_connection_t* c = X11Connection::Get();
    if (!c || key.isEmpty())
        return false;
    const QKeyCombination combination = key[0];
    const Key found = FindKey(c, KeySym::Of(combination));
    m_keycode = found.code;
    if (!m_keycode)
        return false;
    const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    m_modifiers = quint16((mods & Qt::ShiftModifier || found.shifted ? XCB_MOD_MASK_SHIFT : 0) |
                          (mods & Qt::ControlModifier ? XCB_MOD_MASK_CONTROL : 0) |
                          (mods & Qt::AltModifier ? XCB_MOD_MASK_1 : 0) |
                          (mods & Qt::MetaModifier ? XCB_MOD_MASK_4 : 0));
    bool held = false;
    for (quint16 lock : kLockVariants) {
        xcb_generic_error_t* error = xcb_request_check(
            c, xcb_grab_key_checked(c, true, Root(c), m_modifiers | lock, m_keycode,
                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        // BadAccess: another client grabbed this combination first.
        held = held || error;
        std::free(error);
    }
    m_active = true;
    if (held)
        Release();
    return !held;
}

bool GlobalShortcut::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (!m_active || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto* press = static_cast<xcb_key_press_event_t*>(message);
    if (press->detail != m_keycode || press->event != Root(X11Connection::Get()) ||
        (press->state & ~(XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK)) != m_modifiers)
        return false;
    emit activated();
    return true;
}
