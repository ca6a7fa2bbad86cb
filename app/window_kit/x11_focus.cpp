#include "app/window_kit/x11_focus.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

// xcb's names clash with Qt's, so they stay in this file.
#ifdef SKALOMI_HAVE_XCB
#include <cstdint>
#include <cstdlib>

#include "app/window_kit/x11_connection.h"
#endif

namespace {

#ifdef SKALOMI_HAVE_XCB
QNativeInterface::QX11Application* x11() {
    auto* app = qGuiApp;
    return app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
}

// The program's window with this X id, if it has been created.
QWindow* windowWithId(xcb_window_t id) {
    for (QWindow* window : QGuiApplication::allWindows())
        if (window->handle() && window->winId() == id) return window;
    return nullptr;
}

// The window the window manager names active; nothing when it says nothing.
std::optional<xcb_window_t> activeWindowOfManager(xcb_connection_t* c, xcb_window_t root) {
    const std::uint32_t atom = X11Atom(c, "_NET_ACTIVE_WINDOW");
    if (atom == 0) return std::nullopt;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
    if (!reply) return std::nullopt;
    std::optional<xcb_window_t> active;
    if (reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
        active = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return active;
}
#endif

}  // namespace

StaleFocusFilter::StaleFocusFilter() {
    if (auto* app = QCoreApplication::instance()) app->installNativeEventFilter(this);
#ifdef SKALOMI_HAVE_XCB
    if (auto* native = x11(); native && native->connection()) {
        xcb_connection_t* c = native->connection();
        static const char name[] = "_NET_ACTIVE_WINDOW";
        if (xcb_intern_atom_reply_t* reply =
                xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr)) {
            activeWindowAtom_ = reply->atom;
            std::free(reply);
        }
    }
#endif
}

StaleFocusFilter::~StaleFocusFilter() {
    if (auto* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
}

bool StaleFocusFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
#ifdef SKALOMI_HAVE_XCB
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
        case XCB_FOCUS_IN: {
            const QWindow* window =
                windowWithId(reinterpret_cast<const xcb_focus_in_event_t*>(event)->event);
            return window != nullptr && !window->isVisible();
        }
        case XCB_CLIENT_MESSAGE:
            // The program's own activation requests to the window manager
            // come back to it, and Qt takes them for activations of its own,
            // queued and delivered later, when the window may have gone. The
            // server's FocusIn that follows a granted request is the one that
            // counts.
            return activeWindowAtom_ != 0 &&
                   reinterpret_cast<const xcb_client_message_event_t*>(event)->type ==
                       activeWindowAtom_;
        default:
            return false;
    }
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
    return false;
#endif
}

void FocusOwnWindow(QWindow* window) {
#ifdef SKALOMI_HAVE_XCB
    auto* native = x11();
    if (!window || !native || !native->connection() || !window->handle()) return;
    xcb_connection_t* c = native->connection();
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(window->winId()),
                        XCB_CURRENT_TIME);
    xcb_flush(c);
#else
    Q_UNUSED(window);
#endif
}

std::optional<bool> X11ProgramIsActive() {
#ifdef SKALOMI_HAVE_XCB
    xcb_connection_t* c = X11Connection();
    if (!c) return std::nullopt;
    xcb_get_input_focus_reply_t* focusReply =
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    if (!focusReply) return std::nullopt;
    const xcb_window_t focus = focusReply->focus;
    std::free(focusReply);
    if (windowWithId(focus) != nullptr) return true;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::optional<xcb_window_t> active = activeWindowOfManager(c, root);
    if (active && *active != XCB_NONE) return windowWithId(*active) != nullptr;
    return focus == XCB_NONE || focus == XCB_INPUT_FOCUS_POINTER_ROOT || focus == root;
#else
    return std::nullopt;
#endif
}
