#include "tests/window_managers/x_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = folders.find(':', start);
        const std::string folder =
            folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

bool waitForExit(int pid, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        int status = 0;
        const int got = waitpid(pid, &status, WNOHANG);
        if (got == pid || got < 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

// ------------------------------------------------------------- processes

ChildProcess::~ChildProcess() {
    Stop();
}

bool ProgramExists(const std::string& program) {
    return !findOnPath(program).empty();
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment, int keepFd) {
    Stop();
    const std::string path = findOnPath(program);
    if (path.empty()) return false;

    // Everything the child needs is made before fork: after it, only calls
    // that are safe in a copy of a threaded process.
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string key = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& added : environment)
            if (added.substr(0, added.find('=')) == key) replaced = true;
        if (!replaced) envStrings.push_back(entry);
    }
    envStrings.insert(envStrings.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    const int parent = getpid();

    const int pid = fork();
    if (pid < 0) {
        if (devNull >= 0) close(devNull);
        return false;
    }
    if (pid == 0) {
        // Dies with the test process, even when that one is killed.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        if (keepFd >= 0) fcntl(keepFd, F_SETFD, 0);
        setpgid(0, 0);
        execve(path.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    if (devNull >= 0) close(devNull);
    pid_ = pid;
    return true;
}

void ChildProcess::Stop() {
    if (pid_ <= 0) return;
    // The whole group: a window manager may have started helpers.
    kill(-pid_, SIGTERM);
    kill(pid_, SIGTERM);
    if (!waitForExit(pid_, std::chrono::seconds(3))) {
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        waitForExit(pid_, std::chrono::seconds(3));
    }
    pid_ = -1;
}

bool ChildProcess::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- server

std::string XServerSession::Start() {
    if (!ProgramExists("Xvfb")) return "Xvfb is not installed";
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return "no pipe";
    // Xvfb picks the first free display itself and writes its number here;
    // it never starts afresh when its last client goes (-noreset).
    const bool started = server_.Start("Xvfb",
                                       {"-displayfd", std::to_string(fds[1]), "-screen", "0",
                                        "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                                       {}, fds[1]);
    close(fds[1]);
    if (!started) {
        close(fds[0]);
        return "Xvfb could not be started";
    }
    std::string number;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 200) > 0) {
            char buffer[16];
            const ssize_t got = read(fds[0], buffer, sizeof buffer);
            if (got <= 0) break;
            number.append(buffer, static_cast<std::size_t>(got));
            if (number.find('\n') != std::string::npos) break;
        }
        if (!server_.Running()) break;
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
    if (number.empty()) {
        server_.Stop();
        return "Xvfb did not report its display";
    }
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
    return {};
}

// -------------------------------------------------------- window manager

WindowManagerSession::~WindowManagerSession() {
    manager_.Stop();
    std::error_code ignored;
    if (!home_.empty()) std::filesystem::remove_all(home_, ignored);
}

std::string WindowManagerSession::Use(const std::string& name) {
    if (name == name_ && manager_.Running()) return {};
    manager_.Stop();
    name_.clear();
    if (!ProgramExists(name)) return name + " is not installed";
    if (!xtest::Open()) return "no connection to the X server";
    xtest::ForgetWindowManager();
    if (home_.empty()) {
        // The window managers read and write settings in their home folder.
        char pattern[] = "/tmp/skalomi-wm-XXXXXX";
        if (char* made = mkdtemp(pattern)) home_ = made;
    }
    if (!manager_.Start(name, {}, {"HOME=" + home_})) return name + " could not be started";
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
        if (xtest::SupportingWindowManager() != 0) {
            // Announced; once it answers, it has taken over the screen.
            if (!xtest::RoundTripThroughWindowManager())
                return name + " does not answer requests for frame extents";
            name_ = name;
            return {};
        }
        if (!manager_.Running()) return name + " ended at start";
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    manager_.Stop();
    return name + " did not announce itself";
}

// ------------------------------------------------------------ connection

namespace xtest {

namespace {

::Display* display = nullptr;

Atom atom(const char* name) {
    return XInternAtom(display, name, False);
}

std::vector<unsigned long> windowProperty(Window window, const char* name, Atom type,
                                          bool* present) {
    std::vector<unsigned long> values;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (present) *present = false;
    if (XGetWindowProperty(display, window, atom(name), 0, 1024, False, type, &actualType, &format,
                           &count, &after, &data) == Success &&
        actualType != None) {
        if (present) *present = true;
        if (format == 32 && data)
            for (unsigned long i = 0; i < count; ++i)
                values.push_back(reinterpret_cast<unsigned long*>(data)[i]);
    }
    if (data) XFree(data);
    return values;
}

int ignoreErrors(::Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

bool Open() {
    if (display) return true;
    display = XOpenDisplay(nullptr);
    if (display) XSetErrorHandler(ignoreErrors);  // windows may vanish while looked at
    return display != nullptr;
}

XWindowId FocusedWindow() {
    if (!Open()) return 0;
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus == PointerRoot ? 0 : focus;
}

std::vector<std::string> AllowedActions(XWindowId window, bool* present) {
    std::vector<std::string> names;
    if (!Open()) return names;
    for (unsigned long value :
         windowProperty(window, "_NET_WM_ALLOWED_ACTIONS", XA_ATOM, present)) {
        char* name = XGetAtomName(display, value);
        if (name) {
            names.emplace_back(name);
            XFree(name);
        }
    }
    return names;
}

bool IsManaged(XWindowId window) {
    if (!Open()) return false;
    bool present = false;
    windowProperty(window, "WM_STATE", AnyPropertyType, &present);
    return present;
}

bool IsIconic(XWindowId window) {
    if (!Open()) return false;
    const auto state = windowProperty(window, "WM_STATE", AnyPropertyType, nullptr);
    return !state.empty() && state.front() == IconicState;
}

void Iconify(XWindowId window) {
    if (!Open()) return;
    XIconifyWindow(display, window, DefaultScreen(display));
    XFlush(display);
}

std::vector<long> FrameExtents(XWindowId window) {
    std::vector<long> extents;
    if (!Open()) return extents;
    for (unsigned long v : windowProperty(window, "_NET_FRAME_EXTENTS", XA_CARDINAL, nullptr))
        extents.push_back(static_cast<long>(v));
    return extents;
}

XWindowId SupportingWindowManager() {
    if (!Open()) return 0;
    const auto root =
        windowProperty(DefaultRootWindow(display), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, nullptr);
    if (root.empty()) return 0;
    // The identification window names itself, which a stale one cannot.
    const auto self = windowProperty(root.front(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, nullptr);
    return !self.empty() && self.front() == root.front() ? root.front() : 0;
}

void ForgetWindowManager() {
    if (!Open()) return;
    XDeleteProperty(display, DefaultRootWindow(display), atom("_NET_SUPPORTING_WM_CHECK"));
    XSync(display, False);
}

void Key(const std::string& keysym, const std::vector<std::string>& modifiers) {
    if (!Open()) return;
    std::vector<KeyCode> held;
    for (const std::string& m : modifiers) {
        const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(m.c_str()));
        if (code == 0) continue;
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        held.push_back(code);
    }
    const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keysym.c_str()));
    if (code != 0) {
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
    }
    for (auto it = held.rbegin(); it != held.rend(); ++it)
        XTestFakeKeyEvent(display, *it, False, CurrentTime);
    XFlush(display);
}

void Click(int x, int y) {
    if (!Open()) return;
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
}

void SendDeleteWindow(XWindowId window) {
    if (!Open()) return;
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(atom("WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

void Sync() {
    if (Open()) XSync(display, False);
}

bool RoundTripThroughWindowManager(int milliseconds) {
    if (!Open()) return false;
    const Window root = DefaultRootWindow(display);
    const Window probe = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, probe, PropertyChangeMask);
    XEvent request;
    std::memset(&request, 0, sizeof request);
    request.xclient.type = ClientMessage;
    request.xclient.window = probe;
    request.xclient.message_type = atom("_NET_REQUEST_FRAME_EXTENTS");
    request.xclient.format = 32;

    const Atom answer = atom("_NET_FRAME_EXTENTS");
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    auto nextAsk = Clock::now();
    bool answered = false;
    while (!answered && Clock::now() < deadline) {
        // Asked again now and then: a manager that is still starting may
        // drop what came before it was ready.
        if (Clock::now() >= nextAsk) {
            XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                       &request);
            XFlush(display);
            nextAsk = Clock::now() + std::chrono::milliseconds(250);
        }
        XEvent event;
        while (!answered && XCheckTypedWindowEvent(display, probe, PropertyNotify, &event))
            answered = event.xproperty.atom == answer;
        if (answered) break;
        pollfd p{ConnectionNumber(display), POLLIN, 0};
        poll(&p, 1, 10);
    }
    XDestroyWindow(display, probe);
    XSync(display, False);
    return answered;
}

}  // namespace xtest
