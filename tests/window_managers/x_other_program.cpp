#include "tests/window_managers/x_other_program.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <thread>

using Clock = std::chrono::steady_clock;

bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

namespace {

// Waits until the server reports `window` mapped.
bool waitMapped(Display* display, Window window) {
    return PollUntil(
        [&] {
            XWindowAttributes attributes{};
            return XGetWindowAttributes(display, window, &attributes) != 0 &&
                   attributes.map_state == IsViewable;
        },
        std::chrono::milliseconds(5000));
}

}  // namespace

XOtherProgram::XOtherProgram() {
    display_ = XOpenDisplay(nullptr);
    // The window manager's pings come back to the root window, where every
    // client that asks for the structure of the root's children sees them.
    if (display_)
        XSelectInput(display_, DefaultRootWindow(display_),
                     StructureNotifyMask | SubstructureNotifyMask);
}

XOtherProgram::~XOtherProgram() {
    if (display_) XCloseDisplay(display_);
}

bool XOtherProgram::OpenWindow(const QRect& area) {
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), area.x(), area.y(),
                                  static_cast<unsigned>(area.width()),
                                  static_cast<unsigned>(area.height()), 0,
                                  BlackPixel(display_, screen), WhitePixel(display_, screen));
    XStoreName(display_, window_, "another program");
    XMapWindow(display_, window_);
    XSync(display_, False);
    return waitMapped(display_, window_);
}

bool XOtherProgram::Activate(std::chrono::milliseconds limit) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window_;
    event.xclient.message_type = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // from a pager: the user's own choice
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, DefaultRootWindow(display_), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_);
    return PollUntil([&] { return FocusedWindow() == window_; }, limit);
}

unsigned long XOtherProgram::FocusedWindow() {
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus;
}

bool XOtherProgram::Cover(const QRect& area, unsigned colour) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = colour;  // a TrueColor screen of 24 bits
    cover_ = XCreateWindow(display_, DefaultRootWindow(display_), area.x(), area.y(),
                           static_cast<unsigned>(area.width()),
                           static_cast<unsigned>(area.height()), 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(display_, cover_);
    XSync(display_, False);
    return waitMapped(display_, cover_);
}

void XOtherProgram::Uncover() {
    if (cover_ == 0) return;
    XDestroyWindow(display_, cover_);
    XSync(display_, False);
    cover_ = 0;
}

bool XOtherProgram::AreaShows(const QRect& area, unsigned colour) {
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), area.x(), area.y(),
                              static_cast<unsigned>(area.width()),
                              static_cast<unsigned>(area.height()), AllPlanes, ZPixmap);
    if (!image) return false;
    bool found = false;
    for (int y = 0; y < area.height() && !found; ++y)
        for (int x = 0; x < area.width() && !found; ++x)
            found = (XGetPixel(image, x, y) & 0xFFFFFF) == colour;
    XDestroyImage(image);
    return found;
}

std::optional<std::chrono::milliseconds> XOtherProgram::Ping(unsigned long window,
                                                             std::chrono::milliseconds limit) {
    const Atom protocols = XInternAtom(display_, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display_, "_NET_WM_PING", False);
    const long stamp = ++pingStamp_;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = stamp;
    event.xclient.data.l[2] = static_cast<long>(window);
    const auto sent = Clock::now();
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
    // The answer is the same message, sent to the root window.
    bool answered = false;
    PollUntil(
        [&] {
            while (!answered && XPending(display_) > 0) {
                XEvent next;
                XNextEvent(display_, &next);
                answered = next.type == ClientMessage && next.xclient.message_type == protocols &&
                           static_cast<Atom>(next.xclient.data.l[0]) == ping &&
                           next.xclient.data.l[1] == stamp;
            }
            return answered;
        },
        limit);
    if (!answered) return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
}
