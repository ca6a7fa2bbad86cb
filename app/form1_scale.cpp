#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>
#include <atomic>
#include <cstdint>
#include <new>
#include <utility>

#include "app/form1.h"
#include "app/window_kit/background_work.h"
#include "app/window_kit/image_view.h"
#include "app/window_kit/texts.h"
#include "output/progress_window.h"

namespace {

// Whether the error being handled is a lack of memory or graphics resources.
bool isLackOfResources() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return true;
    } catch (const EOutOfMemory&) {
        return true;
    } catch (const EOutOfResources&) {
        return true;
    } catch (...) {
        return false;
    }
}

// The progress bar's range and position as the run reports them on its
// worker thread, read by the window's thread: one word, so the two always
// belong together.
class ReportedProgress {
public:
    // Both on the worker thread.
    void PassStarted(int maximum) { Store(maximum, Read().second); }
    void Position(int position) { Store(Read().first, position); }

    // The maximum and the position (-1 before the first report).
    std::pair<int, int> Read() const {
        const std::uint64_t word = word_.load(std::memory_order_acquire);
        return {static_cast<std::int32_t>(word >> 32), static_cast<std::int32_t>(word)};
    }

private:
    void Store(int maximum, int position) {
        word_.store((std::uint64_t(std::uint32_t(maximum)) << 32) | std::uint32_t(position),
                    std::memory_order_release);
    }

    std::atomic<std::uint64_t> word_{~std::uint64_t(0)};
};

}  // namespace

bool TForm1::ToolButton10Click() {
    const ScaleSettings settings = CurrentScaleSettings();
    const SelectionRect selection = CurrentSelection();
    ScalePlan plan;
    // Every refusal comes before anything changes: no view switch, cursor,
    // progress window or window order, and ScaledDIB stays as it was.
    ScaleRefusal refusal = ScaleRefusal::None;
    try {
        refusal = PlanScale(settings, selection, plan);
    } catch (const EOutOfMemory&) {
        // A result this machine could not hold, found before anything
        // changed: the warning, and everything stays as it was.
        platform_.ShowMessage(this, texts::TooLargeText, texts::WarningTitle, MessageIcon::Error,
                              MessageButtons::Ok);
        return false;
    }
    switch (refusal) {
        case ScaleRefusal::ZeroValue:
        case ScaleRefusal::TargetTooSmall:
            platform_.ShowMessage(this, texts::BadScaleText, texts::WarningTitle,
                                  MessageIcon::Error, MessageButtons::Ok);
            return false;
        case ScaleRefusal::NothingToScale:
            return false;
        case ScaleRefusal::None:
            break;
    }

    // The run keeps its own handle on the source, and the window refuses to
    // close or take a drop until the run is over.
    const TDIB source(SourceDIB);
    scaleRunning_ = true;
    // A close request made during the run waits for its end like any input;
    // it was refused when it was made, so it is not carried out afterwards.
    struct RunningFlag {
        bool& flag;
        Platform& platform;
        ~RunningFlag() {
            platform.DiscardWaitingCloseRequests();
            flag = false;
        }
    } running{scaleRunning_, platform_};

    platform_.SetBusyCursor(true);
    ToolButton6->setEnabled(true);
    ToolButton6->setChecked(true);
    ToolButton6Click();
    copy1->setEnabled(true);
    ToolBar1->setFocus(Qt::OtherFocusReason);
    ToolBar1->repaint();
    Image2->resize(plan.TargetWidth, plan.TargetHeight);

    platform_.SetTopmost(this, false);
    if (Form2) Form2->ShowCentred();

    const auto endRun = [this] {
        platform_.SetBusyCursor(false);
        if (Form2) Form2->hide();
        platform_.SetTopmost(this, CheckBox2->isChecked());
    };

    // The run and the scaled view's picture are made on a worker thread
    // while the window keeps painting; the window leaves ScaledDIB and the
    // tables alone until it is done.
    bool resultMade = false;
    try {
        ReportedProgress reported;
        ScaleProgress progress;
        progress.PassStarted = [&](int maximum) { reported.PassStarted(maximum); };
        progress.Position = [&](int position) { reported.Position(position); };
        std::pair<int, int> shown{-1, -1};
        const auto showProgress = [&] {
            const std::pair<int, int> now = reported.Read();
            if (!Form2 || now == shown) return;
            if (now.first != shown.first) {
                Form2->ProgressBar1->setMaximum(now.first);
                Form2->ProgressBar1->setMinimum(0);
            }
            if (now.second >= 0) Form2->ProgressBar1->setValue(now.second);
            shown = now;
        };
        const int screenColors = ScreenColors;
        SourceView view;
        RunInBackground(
            [&] {
                RunScale(source, selection, settings, plan, ScaledDIB, Tables, progress);
                resultMade = true;
                view = MakeScaledView(ScaledDIB, screenColors);
            },
            showProgress);

        Image2->resize(ScaledDIB.Width(), ScaledDIB.Height());
        Image2->SetPicture(view.Picture);
        UpdateViewRange();
    } catch (...) {
        // The scaled view takes the size of what the run made, as it would
        // have before its picture was asked for.
        if (resultMade) Image2->resize(ScaledDIB.Width(), ScaledDIB.Height());
        if (!isLackOfResources()) {
            // Anything else goes to the general error box, but not before
            // the cursor, the progress window and the window order are back.
            endRun();
            throw;
        }
        // A result too large for this machine: the work buffer, the result
        // or the view's picture could not be had.
        platform_.ShowMessage(this, texts::TooLargeText, texts::WarningTitle, MessageIcon::Error,
                              MessageButtons::Ok);
        endRun();
        ToolButton5Click();
        ToolButton5->setChecked(true);
        FocusView();
        return false;
    }

    endRun();
    FormTitleSet(DisplayName, texts::KindScaled, Image2->width(), Image2->height());
    FocusView();
    return true;
}
