#include "GlobalShortcut.h"

#include "X11Connection.h"

#include <QCoreApplication>

#include <cstdlib>
#include <xcb/xcb.h>

namespace {
// NumLock is Mod2 and CapsLock is Lock on every usual layout; a grab is exact about modifiers,
// so each of their combinations is grabbed too.
constexpr quint16 kLockVariants[] = {0, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK,
                                     XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK};

// The X keysym of a Qt key: letters, digits, function keys and a few others.
quint32 KeySym(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return quint32(key - Qt::Key_A + 'a');
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Space)
        return quint32(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return quint32(0xffbe + key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Insert:
        return 0xff63;
    case Qt::Key_Pause:
        return 0xff13;
    case Qt::Key_Print:
        return 0xff61;
    case Qt::Key_Home:
        return 0xff50;
    case Qt::Key_End:
        return 0xff57;
    default:
        return 0;
    }
}

quint8 KeyCode(xcb_connection_t* c, quint32 keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, quint8(count)), nullptr);
    if (!map)
        return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    quint8 found = 0;
    for (int i = 0; i < count * map->keysyms_per_keycode && !found; ++i) {
        if (syms[i] == keysym)
            found = quint8(setup->min_keycode + i / map->keysyms_per_keycode);
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
    m_keycode = KeyCode(c, KeySym(combination.key()));
    if (!m_keycode)
        return false;
    const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    m_modifiers = quint16((mods & Qt::ShiftModifier ? XCB_MOD_MASK_SHIFT : 0) |
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
