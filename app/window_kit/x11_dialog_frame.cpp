#include "app/window_kit/x11_dialog_frame.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#ifdef SKALOMI_HAVE_XCB
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
#endif
    }
    return QObject::eventFilter(watched, event);
}
