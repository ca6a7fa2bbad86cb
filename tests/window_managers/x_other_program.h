#pragma once

// Another program on the test's X server, with a connection of its own, so
// that it can be worked from another thread while the program under test is
// busy: a window of its own the user switches to, a patch of colour over
// part of the screen that is taken away again (what it covered is exposed),
// the window manager's liveness ping (_NET_WM_PING) sent to a window and
// timed, and a look at the screen's pixels. Every wait has a limit.

#include <QRect>
#include <chrono>
#include <functional>
#include <optional>

struct _XDisplay;

// Polls `done` until it holds or `limit` has passed, for a thread without an
// event loop of its own; whether it holds.
bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

class XOtherProgram {
public:
    XOtherProgram();
    ~XOtherProgram();
    XOtherProgram(const XOtherProgram&) = delete;
    XOtherProgram& operator=(const XOtherProgram&) = delete;

    bool Usable() const { return display_ != nullptr; }

    // Shows a framed window of this program at `area` (not yet asked to be
    // the active one); false when it did not come up.
    bool OpenWindow(const QRect& area);
    unsigned long OwnWindow() const { return window_; }
    // Asks the window manager to make the window the active one, as a click
    // on it would, and waits until it has the keyboard focus.
    bool Activate(std::chrono::milliseconds limit);
    unsigned long FocusedWindow();

    // A window without frame in one colour (0xRRGGBB) over `area`, up until
    // Uncover; false when it did not come up.
    bool Cover(const QRect& area, unsigned colour);
    void Uncover();
    // Whether any pixel of the screen's `area` has the colour.
    bool AreaShows(const QRect& area, unsigned colour);

    // Pings `window` as a window manager does; how long the answer took, or
    // nothing when none came within `limit`.
    std::optional<std::chrono::milliseconds> Ping(unsigned long window,
                                                  std::chrono::milliseconds limit);

private:
    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    unsigned long cover_ = 0;
    long pingStamp_ = 1;
};
