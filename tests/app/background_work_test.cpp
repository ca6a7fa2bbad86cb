// Work off the user-interface thread: the work runs on a worker while the
// event loop goes on, its errors come back as themselves, actions wait for
// its end; and the window's commands that use it take no close request and
// no drop while they work.

#include "app/window_kit/background_work.h"

#include <QTimer>
#include <atomic>
#include <thread>

#include "picture/system/system_errors.h"
#include "tests/app/window_fixture.h"
#include "tests/support/qt_waiting.h"

namespace {

// Waits on a worker thread, without an event loop, until `done` holds or
// the limit has passed.
bool waitOnWorker(const std::atomic<bool>& done) {
    for (int i = 0; i < 5000 && !done; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done;
}

TEST(BackgroundWork, RunsOnAWorkerWhileTheEventLoopGoesOn) {
    const std::thread::id interfaceThread = std::this_thread::get_id();
    std::thread::id workThread;
    std::atomic<bool> eventHandled{false};
    std::atomic<int> steps{0};
    bool runningSeen = false;
    int stepsSeenLast = -1;
    // A posted call that only the event loop can deliver; the work waits
    // for it, so it ends only if the loop ran meanwhile.
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            runningSeen = BackgroundWorkRunning();
            eventHandled = true;
        },
        Qt::QueuedConnection);

    bool seenByWork = false;
    RunInBackground(
        [&] {
            workThread = std::this_thread::get_id();
            seenByWork = waitOnWorker(eventHandled);
            steps = 3;
        },
        [&] { stepsSeenLast = steps; });

    EXPECT_NE(workThread, interfaceThread);
    EXPECT_TRUE(seenByWork) << "the event loop did not run during the work";
    EXPECT_TRUE(runningSeen);
    EXPECT_FALSE(BackgroundWorkRunning());
    EXPECT_EQ(stepsSeenLast, 3) << "the last look came before the end of the work";
}

TEST(BackgroundWork, ErrorsComeBackAsThemselves) {
    EXPECT_THROW(RunInBackground([] { throw EOutOfMemory("A picture"); }), EOutOfMemory);
    EXPECT_THROW(RunInBackground([] { throw 7; }), int);
    EXPECT_FALSE(BackgroundWorkRunning());
}

TEST(BackgroundWork, ActionsWaitForTheCommandToReturnToTheEventLoop) {
    int ran = 0;
    QObject context;
    {
        QObject gone;
        RunInBackground([] {},
                        [&] {
                            WhenNoBackgroundWork(&context, [&] { ++ran; });
                            WhenNoBackgroundWork(&gone, [&] { ran += 100; });
                        });
    }
    EXPECT_EQ(ran, 0) << "an action ran inside the command";
    EXPECT_TRUE(WaitUntil([&] { return ran > 0; }, 2000));
    EXPECT_EQ(ran, 1) << "each waiting action runs once, and not when its object is gone";
    WhenNoBackgroundWork(&context, [&] { ran = 10; });
    EXPECT_EQ(ran, 10) << "without work an action runs at once";
}

// The window's commands that work in the background: a close request and a
// drop that arrive meanwhile are refused, and the command ends as usual.
enum class Command { Load, Scale, Save, Copy, Paste };

struct CommandCase {
    const char* name;
    Command command;
    const char* title;  // what the title names after the command
};

class CommandsInTheBackground : public WindowTest,
                                public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandsInTheBackground, RefuseCloseRequestsAndDropsWhileTheyWork) {
    OpenThroughDialog(WritePatternBmp(temp_, "first.bmp", 40, 30));
    const std::string second = WritePatternBmp(temp_, "second.bmp", 30, 20);
    const std::string dropped = WritePatternBmp(temp_, "dropped.bmp", 12, 8);
    platform_.Clipboard.PackedDIB = PatternPicture(20, 10).SaveToClipboardFormat();
    platform_.ClearRecords();
    // Both arrive while the command works, as the platform delivers them.
    bool duringWork = false, closed = true;
    std::atomic<bool> sent{false};
    QTimer::singleShot(0, [&] {
        duringWork = BackgroundWorkRunning();
        DropFiles(form().ScrollBox1->viewport(), {QString::fromStdString(dropped)});
        closed = form().close();
        sent = true;
    });
    // The work waits for them: a small picture's would otherwise be over
    // before the event loop turns on a busy machine.
    SetBeforeBackgroundWorkForTesting([&] { waitOnWorker(sent); });

    switch (GetParam().command) {
        case Command::Load:
            form().OpenPictureFile(QString::fromStdString(second));
            break;
        case Command::Scale:
            form().ToolButton10Click();
            break;
        case Command::Save:
            form().SavePictureFile(QString::fromStdString(temp_.file("saved.bmp")));
            break;
        case Command::Copy:
            form().Copy0Click();
            break;
        case Command::Paste:
            form().Paste1Click();
            break;
    }
    SetBeforeBackgroundWorkForTesting(nullptr);
    EXPECT_TRUE(duringWork);
    EXPECT_TRUE(platform_.BroughtToFront.empty()) << "the drop was taken";
    EXPECT_FALSE(closed);
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： ") + QString::fromUtf8(GetParam().title));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandsInTheBackground,
    ::testing::Values(CommandCase{"Load", Command::Load, "second.bmp  元画像（30×20）"},
                      CommandCase{"Scale", Command::Scale, "first.bmp  拡縮画像（40×30）"},
                      CommandCase{"Save", Command::Save, "saved.bmp  元画像（40×30）"},
                      CommandCase{"Copy", Command::Copy, "first.bmp  元画像（40×30）"},
                      CommandCase{"Paste", Command::Paste, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ無題  元画像（20×10）"}),
    NameOfParam());

}  // namespace
