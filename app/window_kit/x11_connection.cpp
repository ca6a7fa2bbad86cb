#include <QGuiApplication>

#ifdef SKALOMI_HAVE_XCB
#include <cstdlib>
#include <cstring>

#include "app/window_kit/x11_connection.h"

xcb_connection_t* X11Connection() {
    auto* app = qGuiApp;
    if (!app) return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

std::uint32_t X11Atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    if (!reply) return 0;
    const std::uint32_t atom = reply->atom;
    std::free(reply);
    return atom;
}
#endif
