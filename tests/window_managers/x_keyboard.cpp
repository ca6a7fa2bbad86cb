#include "tests/window_managers/x_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

XKeyboard::XKeyboard() {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) return;
    int event = 0, error = 0, major = 0, minor = 0;
    usable_ = XTestQueryExtension(display_, &event, &error, &major, &minor) != 0;
}

XKeyboard::~XKeyboard() {
    if (display_ != nullptr) XCloseDisplay(display_);
}

void XKeyboard::Press(KeySym key) {
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), True, CurrentTime);
    XFlush(display_);
}

void XKeyboard::Release(KeySym key) {
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), False, CurrentTime);
    XFlush(display_);
}

void XKeyboard::Tap(KeySym key) {
    Press(key);
    Release(key);
}

void XKeyboard::Type(const QString& text) {
    for (const QChar c : text) {
        // Printable ASCII characters are their own key symbols.
        const KeySym key = c == QLatin1Char(' ') ? XK_space : static_cast<KeySym>(c.unicode());
        const KeyCode code = XKeysymToKeycode(display_, key);
        const bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != key &&
                             XkbKeycodeToKeysym(display_, code, 0, 1) == key;
        if (shifted) Press(XK_Shift_L);
        Tap(key);
        if (shifted) Release(XK_Shift_L);
    }
}

void XKeyboard::RequestClose(unsigned long window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
}
