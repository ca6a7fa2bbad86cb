// The window alive while it works, under openbox and icewm: during a long
// load, scale, save and batch run the main window answers the window manager's pings,
// repaints an area another window uncovers, carries out no close request,
// and leaves the keyboard with another program the user went to meanwhile;
// afterwards the window is in the state the command leaves.

#include <QFileInfo>
#include <atomic>
#include <thread>

#include "output/batch_destination_dialog.h"
#include "output/progress_window.h"
#include "picture/picture_saver.h"
#include "shell/shell_tree_view.h"
#include "tests/support/picture_builders.h"
#include "tests/window_managers/window_fixture.h"
#include "tests/window_managers/x_keyboard.h"
#include "tests/window_managers/x_other_program.h"

namespace {

using std::chrono::milliseconds;

// A picture large enough that each command takes a good while: 60
// megapixels, as a camera's.
constexpr int kWidth = 9000, kHeight = 6700;
constexpr unsigned kCoverColour = 0xFF00FF;
// Far beyond a quick answer, well within a window manager's patience.
constexpr milliseconds kPingLimit(1500);

const std::string& largeJpeg() {
    static TempDir folder;
    static const std::string path = [] {
        const std::string file = folder.file("camera.jpg");
        SavePictureToFile(MakePicture24(kWidth, kHeight,
                                        [](int x, int y) {
                                            return ((x / 7) & 0xFF) | (((y / 5) & 0xFF) << 8) |
                                                   (((x + y) / 11 & 0xFF) << 16);
                                        }),
                          file);
        return file;
    }();
    return path;
}

enum class Command { Load, Scale, Save, Batch };

struct LiveCase {
    const char* name;
    const char* windowManager;
    Command command;
    const char* title;  // the title the command leaves
};

const LiveCase kCases[] = {
    {"OpenboxLoad", "openbox", Command::Load, "camera.jpg  元画像（9000×6700）"},
    {"OpenboxScale", "openbox", Command::Scale, "camera.jpg  拡縮画像（9000×6700）"},
    {"OpenboxSave", "openbox", Command::Save, "saved.jpg  元画像（9000×6700）"},
    {"OpenboxBatch", "openbox", Command::Batch, "camera_ks.jpg  拡縮画像（9000×6700）"},
    {"IcewmLoad", "icewm", Command::Load, "camera.jpg  元画像（9000×6700）"},
    {"IcewmScale", "icewm", Command::Scale, "camera.jpg  拡縮画像（9000×6700）"},
    {"IcewmSave", "icewm", Command::Save, "saved.jpg  元画像（9000×6700）"},
    {"IcewmBatch", "icewm", Command::Batch, "camera_ks.jpg  拡縮画像（9000×6700）"},
};

// The batch run's dialogs answered with Enter, the picture chosen and the
// test's folder as the destination.
std::vector<DialogScript::Step> batchOfOne(const std::string& picture, const std::string& folder) {
    return {PressEnterOnMessage(),
            ChooseFile(picture),
            {DialogScript::Kind::AnyDialog,
             [folder](QWidget* dialog) {
                 static_cast<TForm4*>(dialog)->ShellTreeView1->SelectPath(
                     QString::fromStdString(folder));
                 xtest::Key("Return");
             }},
            PressEnterOnMessage()};
}

// Sets a flag, from the program's own thread, when a window shows: the
// batch run is under way once its progress window is up.
class ShownFlag : public QObject {
public:
    explicit ShownFlag(std::atomic<bool>& flag) : flag_(flag) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) flag_ = true;
        return false;
    }

private:
    std::atomic<bool>& flag_;
};

void PrintTo(const LiveCase& c, std::ostream* out) {
    *out << c.name;
}

// What another program and the window manager saw while the command ran.
// An answer or a repaint counts as made during the work when the command
// was still at it then; the last ones may come just after it.
struct Observations {
    bool switched = false;  // the other program's window got the keyboard
    int answeredDuring = 0, unanswered = 0;
    int repaintedDuring = 0, notRepainted = 0;
};

class LiveWindow : public DesktopWindowTest, public ::testing::WithParamInterface<LiveCase> {};

TEST_P(LiveWindow, AnswersRepaintsAndLeavesTheFocusWhereTheUserPutIt) {
    const LiveCase& c = GetParam();
    const std::string& picture = largeJpeg();
    START_WINDOWS(c.windowManager);
    XOtherProgram other;
    XKeyboard closer;
    ASSERT_TRUE(other.Usable() && closer.Usable());
    if (c.command != Command::Load) {
        ASSERT_TRUE(form().OpenPictureFile(QString::fromStdString(picture)));
    }

    // The other program's window beside the main window; the main window
    // has the keyboard when the command starts, as after a key typed there.
    ASSERT_TRUE(other.OpenWindow(QRect(10, 10, 160, 120)));
    form().activateWindow();
    ASSERT_TRUE(WaitUntil([this] { return HasKeyboard(&form()); }, 5000));
    const unsigned long mainWindow = form().winId();
    const QRect exposed(form().mapToGlobal(QPoint(0, 0)), QSize(form().width(), 40));

    // The user goes to the other program, the window manager pings and asks
    // the main window to close, another window comes and goes over it, again
    // and again as long as the command works.
    std::atomic<bool> working{false}, observed{false};
    Observations seen;
    std::thread observer([&] {
        if (PollUntil([&] { return working.load(); }, milliseconds(5000))) {
            seen.switched = other.Activate(milliseconds(5000));
            closer.RequestClose(mainWindow);
            while (working) {
                if (other.Ping(mainWindow, kPingLimit))
                    seen.answeredDuring += working ? 1 : 0;
                else
                    ++seen.unanswered;
                if (!other.Cover(exposed, kCoverColour)) continue;
                other.Uncover();
                if (PollUntil([&] { return !other.AreaShows(exposed, kCoverColour); },
                              milliseconds(3000)))
                    seen.repaintedDuring += working ? 1 : 0;
                else
                    ++seen.notRepainted;
            }
        }
        observed = true;
    });

    working = c.command != Command::Batch;
    switch (c.command) {
        case Command::Load:
            form().OpenPictureFile(QString::fromStdString(picture));
            break;
        case Command::Scale:
            form().ToolButton10Click();
            break;
        case Command::Save:
            form().SavePictureFile(QString::fromStdString(temp_.file("saved.jpg")));
            break;
        case Command::Batch: {
            const DialogScript answers(batchOfOne(picture, temp_.path()));
            ShownFlag runStarted(working);
            windows().Form2().installEventFilter(&runStarted);
            form().ToolButton12Click();
            EXPECT_TRUE(answers.Finished()) << answers.Failure();
            break;
        }
    }
    working = false;
    // The close request made during the work comes through meanwhile and is dropped.
    const bool over = WaitUntil([&] { return observed.load(); }, 20000);
    observer.join();
    ASSERT_TRUE(over);

    EXPECT_TRUE(seen.switched) << "the other program's window did not get the keyboard";
    EXPECT_GE(seen.answeredDuring, 1) << "no ping was answered during the work";
    EXPECT_EQ(seen.unanswered, 0);
    EXPECT_GE(seen.repaintedDuring, 1) << "no uncovered area was painted again during the work";
    EXPECT_EQ(seen.notRepainted, 0);
    EXPECT_TRUE(form().isVisible()) << "a close request made during the work closed the window";
    // Nothing takes the keyboard back from the other program.
    xtest::Sync();
    EXPECT_FALSE(WaitUntil([&] { return other.FocusedWindow() != other.OwnWindow(); }, 300))
        << "the keyboard left the other program's window";
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： ") + QString::fromUtf8(c.title));
    if (c.command == Command::Save || c.command == Command::Batch) {
        const char* written = c.command == Command::Save ? "saved.jpg" : "camera_ks.jpg";
        EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(temp_.file(written))));
    }
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, LiveWindow, ::testing::ValuesIn(kCases), NameOfParam());

}  // namespace
