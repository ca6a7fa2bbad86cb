// The progress window as window managers see it: nothing to close, iconify
// or maximise it with, no title bar of theirs to hold such buttons, never the
// keyboard; and no close request, from the keyboard or sent straight to it,
// ends it while a run shows it.

#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "output/progress_window.h"
#include "tests/support/picture_builders.h"
#include "tests/window_managers/window_fixture.h"

namespace {

const char* const kForbiddenActions[] = {
    "_NET_WM_ACTION_CLOSE", "_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
    "_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_FULLSCREEN"};

class ProgressWindowFrame : public DesktopWindowTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(ProgressWindowFrame, OffersNoWayToCloseIconifyOrMaximise) {
    START_WINDOWS(GetParam());
    TForm2& progress = windows().Form2();
    progress.ShowCentred();
    const XWindowId id = progress.winId();
    // Taken in when the window manager has given it its frame extents or
    // its allowed actions (a manager that offers none sets no list).
    ASSERT_TRUE(
        WaitUntil([&] { return xtest::IsManaged(id) || !xtest::FrameExtents(id).empty(); }, 5000))
        << GetParam() << " did not take the progress window in";
    ASSERT_TRUE(SettleDesktop()) << GetParam() << " did not answer";

    bool listed = false;
    const std::vector<std::string> actions = xtest::AllowedActions(id, &listed);
    for (const char* forbidden : kForbiddenActions)
        EXPECT_EQ(std::count(actions.begin(), actions.end(), forbidden), 0)
            << GetParam() << " offers " << forbidden;

    // No title bar of the window manager's, so no buttons on one.
    const std::vector<long> frame = xtest::FrameExtents(id);
    if (frame.size() == 4) {
        EXPECT_LE(frame[2], 4) << GetParam() << " gave it a title bar";
    }

    // It never takes the keyboard: the main window keeps it.
    EXPECT_NE(xtest::FocusedWindow(), id);
    EXPECT_TRUE(HasKeyboard(&form()));

    // A close request sent to it straight (what a close button would send).
    xtest::SendDeleteWindow(id);
    ASSERT_TRUE(SettleDesktop());
    EXPECT_TRUE(progress.isVisible());
    progress.hide();
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, ProgressWindowFrame, ::testing::Values("openbox", "icewm"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// Alt+F4 and close requests during a run: the run goes on to its end, with
// the progress window up until then and the main window still there after.
class CloseDuringRun : public DesktopWindowTest,
                       public ::testing::WithParamInterface<const char*> {};

TEST_P(CloseDuringRun, KeyboardAndCloseRequestsDoNothing) {
    START_WINDOWS(GetParam());
    const std::string path = temp_.file("big.bmp");
    MakePicture24(3000, 2000, [](int x, int y) { return x ^ (y << 8); }).SaveToFile(path);
    ASSERT_TRUE(form().OpenPictureFile(QString::fromStdString(path)));
    form().Edit1->setText(QStringLiteral("200"));
    ASSERT_TRUE(WaitUntil([this] { return HasKeyboard(&form()); }, 5000));

    TForm2& progress = windows().Form2();
    bool triedDuringRun = false, progressStayed = false, mainStayed = false;
    QTimer during;
    // The run lets timers fire while it repaints the progress window.
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (triedDuringRun || !progress.isVisible()) return;
        triedDuringRun = true;
        xtest::Key("F4", {"Alt_L"});
        xtest::SendDeleteWindow(progress.winId());
        xtest::SendDeleteWindow(form().winId());
        // The requests have reached the program, which holds them back with
        // other input while it runs: the server has handled the test's own
        // and the window manager has done what it does about Alt+F4.
        EXPECT_TRUE(xtest::RoundTripThroughWindowManager());
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        progressStayed = progress.isVisible();
        mainStayed = form().isVisible();
    });
    during.start(5);
    Type("Return");
    ASSERT_TRUE(WaitUntil([&] { return triedDuringRun && !progress.isVisible(); }, 60000));
    during.stop();
    ASSERT_TRUE(SettleDesktop());

    EXPECT_TRUE(progressStayed);
    EXPECT_TRUE(mainStayed);
    EXPECT_TRUE(form().isVisible());
    EXPECT_TRUE(form().ToolButton6->isChecked())
        << "the run did not end with the scaled view; " << form().windowTitle().toStdString();
    EXPECT_TRUE(form().windowTitle().contains(QStringLiteral("拡縮画像（6000×4000）")))
        << form().windowTitle().toStdString();

    // Only the requests made during the run were dropped: one made now closes.
    xtest::SendDeleteWindow(form().winId());
    EXPECT_TRUE(WaitUntil([&] { return !form().isVisible(); }, 5000))
        << "a close request after the run was lost";
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, CloseDuringRun, ::testing::Values("openbox", "icewm"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

}  // namespace
