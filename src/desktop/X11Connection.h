// The X connection Qt holds, for the few window-manager requests Qt has no call for.
#pragma once

#include <QByteArray>
#include <QGuiApplication>

#include <cstdlib>
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>

namespace X11Connection {

// Qt's connection under X11, else null (Wayland, offscreen).
inline xcb_connection_t* Get()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The atom of a name, or XCB_ATOM_NONE.
inline xcb_atom_t Atom(xcb_connection_t* c, const QByteArray& name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, false, quint16(name.size()), name.constData()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace X11Connection
