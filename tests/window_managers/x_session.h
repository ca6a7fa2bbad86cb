#pragma once

// The desktop the window tests run on: a private X server (Xvfb on the first
// free display), a window manager that can be swapped between suites, and a
// connection of the test's own to look at the server the way the window
// manager and the user see it (the input focus, the window manager's allowed
// actions, keys and clicks through the XTEST extension).
//
// Every child process is killed when the test process ends, however it ends,
// and every wait has a deadline, so a failure cannot leave a server behind or
// hang the run.

#include <string>
#include <vector>

// An X window id (XID) without the X headers, whose macros clash with Qt's.
using XWindowId = unsigned long;

// A child process that is stopped (SIGTERM, then SIGKILL) when the object
// goes and killed with the test process if that dies first.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` (searched on PATH) with `arguments` and `environment`
    // added to this process's own; its output goes nowhere. `keepFd` stays
    // open in the child. False when the program cannot be found or started.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment = {}, int keepFd = -1);
    void Stop();
    bool Running();

private:
    int pid_ = -1;
};

// Whether `program` is found on PATH.
bool ProgramExists(const std::string& program);

// The private X server. DISPLAY names it once Start has succeeded.
class XServerSession {
public:
    // Starts Xvfb (1280 x 1024, 24 bits) on a free display and sets DISPLAY;
    // an empty string on success, else why it could not.
    std::string Start();
    const std::string& Display() const { return display_; }

private:
    ChildProcess server_;
    std::string display_;
};

// The window manager on the private server; one at a time.
class WindowManagerSession {
public:
    WindowManagerSession() = default;
    ~WindowManagerSession();
    WindowManagerSession(const WindowManagerSession&) = delete;
    WindowManagerSession& operator=(const WindowManagerSession&) = delete;

    // Stops the running one (if another is asked for) and starts `name`
    // ("openbox", "icewm") with a home folder of its own, waiting until it
    // announces itself on the root window; an empty string on success.
    std::string Use(const std::string& name);
    const std::string& Name() const { return name_; }

private:
    ChildProcess manager_;
    std::string name_;
    std::string home_;
};

// The test's own connection to the server.
namespace xtest {

// Opens the connection to DISPLAY; false when there is none.
bool Open();

// The window that has the input focus (0 when none).
XWindowId FocusedWindow();

// The names of the window manager's allowed actions on `window`
// (_NET_WM_ALLOWED_ACTIONS), and whether the property is there at all.
std::vector<std::string> AllowedActions(XWindowId window, bool* present = nullptr);

// Whether the window manager has taken `window` in (it has a WM_STATE).
bool IsManaged(XWindowId window);

// Whether the window manager keeps `window` iconified (WM_STATE Iconic).
bool IsIconic(XWindowId window);
// Asks the window manager to iconify `window`, as its iconify button does.
void Iconify(XWindowId window);

// The window manager's frame around `window` (_NET_FRAME_EXTENTS): left,
// right, top, bottom; empty when not given.
std::vector<long> FrameExtents(XWindowId window);

// The window manager's identification window on the root, 0 when none.
XWindowId SupportingWindowManager();
// Removes a stale identification left by a window manager that was killed.
void ForgetWindowManager();

// Presses and releases a key given by its keysym name ("s", "6", "Escape",
// "Return", "F4"), with modifier keysym names held around it ("Alt_L").
void Key(const std::string& keysym, const std::vector<std::string>& modifiers = {});
// Moves the pointer to the screen position and clicks the left button.
void Click(int x, int y);

// Asks `window` to close, as a window manager does for its close button or
// Alt+F4 (WM_DELETE_WINDOW).
void SendDeleteWindow(XWindowId window);

// Waits until the server has handled every request sent so far.
void Sync();

// Asks the window manager for something it answers at once (the frame it
// would give a new window of the test's own), and waits for the answer.
// The manager handles what reaches it in order, so it has then handled all
// that came before: the requests of the program and of the test, and the
// events they caused. False when it gave no answer within `milliseconds`.
bool RoundTripThroughWindowManager(int milliseconds = 5000);

}  // namespace xtest
