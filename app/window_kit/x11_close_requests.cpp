#include "app/window_kit/x11_close_requests.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>

// xcb's names clash with Qt's as Xlib's do, so they stay in this file.
#ifdef SKALOMI_HAVE_XCB
#include <cstdlib>

#include "app/window_kit/x11_connection.h"
#endif

namespace {

#ifdef SKALOMI_HAVE_XCB
// Whether `sequence` comes before `mark` in the server's order; the numbers
// wrap at 16 bits.
bool before(std::uint16_t sequence, std::uint16_t mark) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(sequence - mark)) < 0;
}
#endif

// The application's one filter, going with the application object.
class ApplicationCloseRequests : public QObject {
public:
    using QObject::QObject;
    HeldCloseRequests Held;
};

}  // namespace

void DropHeldCloseRequests() {
    static QPointer<ApplicationCloseRequests> requests;
    if (requests.isNull()) {
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) return;
        requests = new ApplicationCloseRequests(app);
    }
    requests->Held.DropThoseMadeUntilNow();
}

HeldCloseRequests::HeldCloseRequests() {
    if (auto* app = QCoreApplication::instance()) app->installNativeEventFilter(this);
}

HeldCloseRequests::~HeldCloseRequests() {
    if (auto* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
}

void HeldCloseRequests::DropThoseMadeUntilNow() {
#ifdef SKALOMI_HAVE_XCB
    xcb_connection_t* c = X11Connection();
    if (!c) return;
    if (protocolsAtom_ == 0) {
        protocolsAtom_ = X11Atom(c, "WM_PROTOCOLS");
        deleteWindowAtom_ = X11Atom(c, "WM_DELETE_WINDOW");
    }
    // Any request answers; its number is the mark, and waiting for the
    // answer makes sure the server has handled it.
    const xcb_get_input_focus_cookie_t cookie = xcb_get_input_focus(c);
    std::free(xcb_get_input_focus_reply(c, cookie, nullptr));
    mark_ = static_cast<std::uint16_t>(cookie.sequence);
    armed_ = true;
#endif
}

bool HeldCloseRequests::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
#ifdef SKALOMI_HAVE_XCB
    if (!armed_ || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) == 0) return false;  // an error, carrying another numbering
    if (!before(event->sequence, mark_)) {
        // Events come through in the server's order, so everything made
        // before the mark is through too (input held back by a later run
        // waits on, but that run sets a new mark when it ends).
        armed_ = false;
        return false;
    }
    if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    return client->format == 32 && client->type == protocolsAtom_ &&
           client->data.data32[0] == deleteWindowAtom_;
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
    return false;
#endif
}
