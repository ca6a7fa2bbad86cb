// The destination dialog and the message boxes as window managers frame
// them: a fixed-size dialog frame with a title and a close box, which can be
// moved and closed but neither resized, maximised nor iconified, the same
// again each time the dialog comes back. Iconified all the same (a request
// from elsewhere), the dialog takes the main window along; and a click inside
// it takes the keyboard back from another program.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QMessageBox>
#include <algorithm>
#include <functional>

#include "output/batch_destination_dialog.h"
#include "tests/window_managers/window_fixture.h"

namespace {

enum class Dialog { Destination, MessageBox };

struct FrameCase {
    const char* name;
    const char* manager;
    Dialog dialog;
};

const char* const kNotOffered[] = {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                                   "_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_MINIMIZE"};

const FrameCase kFrames[] = {
    {"openbox_DestinationDialog", "openbox", Dialog::Destination},
    {"openbox_MessageBox", "openbox", Dialog::MessageBox},
    {"icewm_DestinationDialog", "icewm", Dialog::Destination},
    {"icewm_MessageBox", "icewm", Dialog::MessageBox},
};

void PrintTo(const FrameCase& c, std::ostream* out) {
    *out << c.name;
}

class DialogFrame : public DesktopWindowTest, public ::testing::WithParamInterface<FrameCase> {
protected:
    // What the window manager offers for `window` once it has taken it in.
    std::vector<std::string> offered(QWidget& window) {
        const XWindowId id = window.winId();
        EXPECT_TRUE(WaitUntil([&] { return xtest::IsManaged(id); }, 5000))
            << GetParam().manager << " did not take the dialog in";
        // The list follows the window's hints, which the manager reads as it
        // frames the window.
        EXPECT_TRUE(SettleDesktop()) << GetParam().manager << " did not answer";
        return xtest::AllowedActions(id);
    }

    // The dialog of the case; a message box is made in `box`.
    QWidget* makeDialog(std::unique_ptr<QMessageBox>& box) {
        if (GetParam().dialog == Dialog::Destination) return &windows().Form4();
        box = QtPlatform::MakeMessageBox(&form(), QStringLiteral("保存しますか？"),
                                         QStringLiteral("確認"), MessageIcon::Warning,
                                         MessageButtons::YesNoCancel);
        return box.get();
    }

    void expectDialogFrame(QWidget& window, const char* showing) {
        const std::vector<std::string> actions = offered(window);
        const auto has = [&](const char* action) {
            return std::find(actions.begin(), actions.end(), action) != actions.end();
        };
        EXPECT_TRUE(has("_NET_WM_ACTION_CLOSE")) << showing;
        EXPECT_TRUE(has("_NET_WM_ACTION_MOVE")) << showing;
        for (const char* action : kNotOffered)
            EXPECT_FALSE(has(action)) << showing << ": " << action << " is offered";
        // A title bar, which holds the close box.
        const std::vector<long> frame = xtest::FrameExtents(window.winId());
        ASSERT_EQ(frame.size(), 4u) << showing;
        EXPECT_GT(frame[2], frame[0]) << showing << ": no title bar";
    }
};

TEST_P(DialogFrame, FixedSizeWithACloseBox) {
    START_WINDOWS(GetParam().manager);
    std::unique_ptr<QMessageBox> box;
    QWidget* dialog = makeDialog(box);
    dialog->show();
    expectDialogFrame(*dialog, "first showing");
    const QSize size = dialog->size();

    // Shown again, as each batch run shows the destination dialog.
    dialog->hide();
    ASSERT_TRUE(WaitUntil([&] { return !xtest::IsManaged(dialog->winId()); }, 5000));
    dialog->show();
    expectDialogFrame(*dialog, "second showing");
    EXPECT_EQ(dialog->size(), size);
    dialog->hide();
}

// Iconified by a request from elsewhere, the modal dialog takes the main
// window with it: the main window, which takes no input while the dialog is up, is
// never left alone on the screen.
TEST_P(DialogFrame, IconifiedItTakesTheMainWindowAlong) {
    START_WINDOWS(GetParam().manager);
    std::unique_ptr<QMessageBox> box;
    QWidget* dialog = makeDialog(box);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    const XWindowId id = dialog->winId();
    ASSERT_TRUE(WaitUntil([&] { return xtest::IsManaged(id) && HasKeyboard(dialog); }, 5000));

    xtest::Iconify(id);
    // The manager has iconified the dialog or refused to; then the main
    // window follows an iconified one.
    ASSERT_TRUE(SettleDesktop()) << GetParam().manager << " did not answer";
    EXPECT_TRUE(
        WaitUntil([&] { return !xtest::IsIconic(id) || xtest::IsIconic(form().winId()); }, 5000))
        << "the main window was left without its dialog under " << GetParam().manager;
    dialog->hide();
    dialog->setWindowModality(Qt::NonModal);
}

// Another program, xmessage, on the screen while it runs; it takes the
// keyboard as it comes.
class OtherProgram {
public:
    OtherProgram() {
        char* const argv[] = {const_cast<char*>("xmessage"), const_cast<char*>("-geometry"),
                              const_cast<char*>("+700+500"), const_cast<char*>("other"), nullptr};
        if (posix_spawnp(&pid_, "xmessage", nullptr, nullptr, argv, environ) != 0) pid_ = 0;
    }
    ~OtherProgram() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    bool Started() const { return pid_ > 0; }

private:
    pid_t pid_ = 0;
};

// openbox gives the keyboard for a click inside a window only to the kinds
// of windows it may iconify: the dialog, which it may not, asks for it.
TEST_P(DialogFrame, AClickInsideTakesTheKeyboardBackFromAnotherProgram) {
    START_WINDOWS(GetParam().manager);
    std::unique_ptr<QMessageBox> box;
    QWidget* dialog = makeDialog(box);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    ASSERT_TRUE(
        WaitUntil([&] { return xtest::IsManaged(dialog->winId()) && HasKeyboard(dialog); }, 5000));
    {
        OtherProgram other;
        ASSERT_TRUE(other.Started()) << "xmessage (x11-utils) is missing";
        ASSERT_TRUE(WaitUntil([&] { return !HasKeyboard(dialog); }, 5000));
        // In the dialog's margin, where a click reaches no button: a short
        // message box has its buttons across its lower half.
        const QPoint inside = dialog->mapToGlobal(QPoint(4, 4));
        xtest::Click(inside.x(), inside.y());
        EXPECT_TRUE(WaitUntil([&] { return HasKeyboard(dialog); }, 3000))
            << "the dialog did not take the keyboard back under " << GetParam().manager;
    }
    dialog->hide();
    dialog->setWindowModality(Qt::NonModal);
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, DialogFrame, ::testing::ValuesIn(kFrames), NameOfParam());

}  // namespace
