// SPDX-License-Identifier: MIT
#include "platform/linux/XcbSupport.h"

#include <QGuiApplication>

#include <cstring>

namespace tarnquill::xcb {

xcb_connection_t* connection()
{
    if (qGuiApp != nullptr) {
        // A Qt program on another platform (Wayland, offscreen) has no X
        // server of its own to act on.
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return nullptr;
        const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        return x11 != nullptr ? x11->connection() : nullptr;
    }
    // Kept for the life of the process: window states, grabs and the hidden
    // cursor live as long as the connection that made them.
    static xcb_connection_t* const own = [] {
        if (std::getenv("DISPLAY") == nullptr)
            return static_cast<xcb_connection_t*>(nullptr);
        xcb_connection_t* opened = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(opened)) {
            xcb_disconnect(opened);
            return static_cast<xcb_connection_t*>(nullptr);
        }
        return opened;
    }();
    return own;
}

xcb_window_t root(xcb_connection_t* connection)
{
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return screen != nullptr ? screen->root : 0;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace tarnquill::xcb
