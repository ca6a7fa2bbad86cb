#pragma once

// The program's windows on a real X server under a real window manager, with
// the Qt platform layer that the program itself uses (real dialogs), keys
// and clicks sent through the X server, and dialogs answered as a user would
// once they are up and have the keyboard.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/startup.h"
#include "app/window_kit/qt_platform.h"
#include "tests/support/qt_waiting.h"
#include "tests/support/test_support.h"
#include "tests/window_managers/x_session.h"

class QTimer;

// The server and the window manager of the whole run (set up by main).
struct DesktopSession {
    XServerSession* Server = nullptr;
    WindowManagerSession* Manager = nullptr;
    std::string Problem;  // why there is no desktop, when there is none
};
DesktopSession& Desktop();

// Whether `window` is up, active and has the keyboard on the X server.
bool HasKeyboard(QWidget* window);

// Waits until the X server, the window manager and then the program have
// handled everything sent so far: the program's requests and the test's,
// what the window manager did about them, and the events that came of it.
// False when the window manager did not answer in time.
bool SettleDesktop();

// The program's own platform layer, which also counts the times the
// program asked about the Esc key and found it held.
class WatchedPlatform : public QtPlatform {
public:
    bool IsEscapeHeld() override {
        const bool held = QtPlatform::IsEscapeHeld();
        if (held) ++EscapeFoundHeld;
        return held;
    }
    std::atomic<int> EscapeFoundHeld{0};
};

// A user answering the modal dialogs that come up, one after the other, each
// once it is shown, active and has the keyboard. A dialog that does not come
// within the time limit, or one still open past it, fails the script and is
// closed, so that a broken command cannot hang the test.
class DialogScript {
public:
    enum class Kind { FileDialog, MessageBox, AnyDialog };
    struct Step {
        Kind kind;
        std::function<void(QWidget* dialog)> answer;
    };

    explicit DialogScript(std::vector<Step> steps, int limitMilliseconds = 15000);
    ~DialogScript();

    bool Finished() const { return next_ >= steps_.size(); }
    const std::string& Failure() const { return failure_; }

    // Records, as each answered dialog is done, which window was active
    // then: the command goes on at that moment.
    const std::vector<QWidget*>& ActiveWhenDone() const { return activeWhenDone_; }

private:
    void Poll();

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QPointer<QWidget> answered_;  // the last dialog answered, until it goes
    std::vector<QWidget*> activeWhenDone_;
    std::string failure_;
    std::unique_ptr<QTimer> timer_;
    int limit_;
    int elapsed_ = 0;
};

// Answers: press Esc; press Enter; choose a file and press Enter.
DialogScript::Step CancelFileDialog();
DialogScript::Step CancelAnyDialog();
DialogScript::Step ChooseFile(const std::string& path);
DialogScript::Step PressEnterOnMessage();

#define START_WINDOWS(windowManager)                          \
    do {                                                      \
        ASSERT_NO_FATAL_FAILURE(StartWindows(windowManager)); \
        if (IsSkipped()) return;                              \
    } while (0)

class DesktopWindowTest : public ::testing::Test {
protected:
    void TearDown() override;

    // Brings up the program's windows under `windowManager` and waits until
    // the main window has the keyboard. Skips the test when the programs are
    // not installed, fails it fatally when they do not work; call it through
    // START_WINDOWS.
    void StartWindows(const std::string& windowManager);

    TForm1& form() { return windows_->Form1(); }
    TApplicationWindows& windows() { return *windows_; }

    // Types keys by their keysym names, separated by spaces ("v s").
    void Type(const std::string& keys);

    WatchedPlatform platform_;
    TempDir temp_;

private:
    std::unique_ptr<TApplicationWindows> windows_;
};
