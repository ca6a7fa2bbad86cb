#include "app/window_kit/x11_keys.h"

#include <QGuiApplication>

// Xlib's macros clash with Qt's names, so it stays in this file alone.
#ifdef SKALOMI_HAVE_X11
#include <X11/Xlib.h>
#include <X11/keysym.h>
#endif

std::optional<bool> X11EscapeHeld() {
#ifdef SKALOMI_HAVE_X11
    auto* app = qGuiApp;
    if (!app) return std::nullopt;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return std::nullopt;
    Display* display = x11->display();
    if (!display) return std::nullopt;
    char keys[32] = {};
    XQueryKeymap(display, keys);
    const KeyCode code = XKeysymToKeycode(display, XK_Escape);
    return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
#else
    return std::nullopt;
#endif
}
