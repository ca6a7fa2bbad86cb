#include "app/window_kit/x11_dialog_frame.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#ifdef SKALOMI_HAVE_XCB
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/window_kit/x11_connection.h"
#endif

namespace {

#ifdef SKALOMI_HAVE_XCB
// The Motif window manager hints: which fields count, the functions the
// window manager may offer, the decorations it may draw.
constexpr std::uint32_t kFunctionsGiven = 1u << 0;
constexpr std::uint32_t kDecorationsGiven = 1u << 1;
constexpr std::uint32_t kMove = 1u << 2;
constexpr std::uint32_t kClose = 1u << 5;
constexpr std::uint32_t kBorder = 1u << 1;
constexpr std::uint32_t kTitle = 1u << 3;
constexpr std::uint32_t kMenu = 1u << 4;

void offerMoveAndCloseOnly(QWidget& dialog) {
    xcb_connection_t* c = X11Connection();
    if (!c) return;
    const std::uint32_t atom = X11Atom(c, "_MOTIF_WM_HINTS");
    if (atom == 0) return;
    const std::uint32_t hints[5] = {kFunctionsGiven | kDecorationsGiven, kMove | kClose,
                                    kBorder | kTitle | kMenu, 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(dialog.winId()), atom,
                        atom, 32, 5, hints);
    xcb_flush(c);
}

// The value of a window's property as bytes; empty when it has none.
std::string propertyOf(xcb_connection_t* c, xcb_window_t window, std::uint32_t property,
                       std::uint32_t type) {
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 256), nullptr);
    if (!reply) return {};
    // The length is in bytes, whatever the format.
    const std::string value(static_cast<const char*>(xcb_get_property_value(reply)),
                            static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return value;
}

// The name the window manager gives itself (_NET_SUPPORTING_WM_CHECK);
// empty when none is running or it gives none.
std::string windowManagerName(xcb_connection_t* c) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const std::uint32_t check = X11Atom(c, "_NET_SUPPORTING_WM_CHECK");
    if (!screen || check == 0) return {};
    const std::string window = propertyOf(c, screen->root, check, XCB_ATOM_WINDOW);
    if (window.size() != sizeof(xcb_window_t)) return {};
    xcb_window_t manager = 0;
    std::memcpy(&manager, window.data(), sizeof manager);
    return propertyOf(c, manager, X11Atom(c, "_NET_WM_NAME"), X11Atom(c, "UTF8_STRING"));
}

// openbox reads no Motif hint that withdraws iconifying: it offers it to
// every window except those it counts as tool bars or menus (and those it
// does not frame at all). There, and only there, the dialog is typed a tool
// bar first; openbox still frames it with a title and a close box.
bool offerNoIconifyUnderOpenbox(QWidget& dialog) {
    xcb_connection_t* c = X11Connection();
    if (!c || windowManagerName(c) != "Openbox") return false;
    const std::uint32_t property = X11Atom(c, "_NET_WM_WINDOW_TYPE");
    const std::uint32_t types[3] = {X11Atom(c, "_NET_WM_WINDOW_TYPE_TOOLBAR"),
                                    X11Atom(c, "_NET_WM_WINDOW_TYPE_DIALOG"),
                                    X11Atom(c, "_NET_WM_WINDOW_TYPE_NORMAL")};
    if (property == 0 || types[0] == 0) return false;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(dialog.winId()),
                        property, XCB_ATOM_ATOM, 32, 3, types);
    xcb_flush(c);
    return true;
}
#endif

// A dialog without a parent belongs to the window that was active when it
// came: window managers keep it above that one and iconify the two together.
void keepWithActiveWindow(QWidget& dialog) {
    QWindow* own = dialog.windowHandle();
    const QWidget* active = QApplication::activeWindow();
    if (!own || own->transientParent() || !active || active == &dialog) return;
    if (QWindow* owner = active->windowHandle()) own->setTransientParent(owner);
}

}  // namespace

FixedDialogFrame::FixedDialogFrame(QWidget* dialog) : QObject(dialog) {
    dialog->installEventFilter(this);
}

bool FixedDialogFrame::eventFilter(QObject* watched, QEvent* event) {
    // Sent before the window is mapped, which is when window managers read
    // the hints.
    if (event->type() == QEvent::Show && watched == parent() && watched->isWidgetType()) {
        auto* dialog = static_cast<QWidget*>(watched);
        keepWithActiveWindow(*dialog);
#ifdef SKALOMI_HAVE_XCB
        offerMoveAndCloseOnly(*dialog);
        // openbox gives a tool bar the keyboard for no click inside it: the
        // dialog asks for it when one comes, as any window's click would.
        if (offerNoIconifyUnderOpenbox(*dialog) && dialog->windowHandle())
            dialog->windowHandle()->installEventFilter(this);
#endif
    } else if (event->type() == QEvent::MouseButtonPress && watched != parent()) {
        // Asked each time: Qt may not yet know that another program has the
        // keyboard.
        static_cast<QWidget*>(parent())->activateWindow();
    }
    return QObject::eventFilter(watched, event);
}
