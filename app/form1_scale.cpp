#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>
#include <new>
#include <utility>

#include "app/form1.h"
#include "app/window_kit/image_view.h"
#include "app/window_kit/picture_conversion.h"
#include "app/window_kit/texts.h"
#include "output/progress_window.h"

namespace {

// Lets the progress window paint without taking any input: the run answers
// no keys or clicks until it ends, as a command that holds the window.
void paintPending() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

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
    if (Form2) {
        Form2->ShowCentred();
        paintPending();
    }

    const auto endRun = [this] {
        platform_.SetBusyCursor(false);
        if (Form2) Form2->hide();
        platform_.SetTopmost(this, CheckBox2->isChecked());
    };

    try {
        ScaleProgress progress;
        int shownPercent = -1;
        int maximum = 0;
        progress.PassStarted = [&](int passMaximum) {
            maximum = passMaximum;
            shownPercent = -1;
            if (!Form2) return;
            Form2->ProgressBar1->setMaximum(passMaximum);
            Form2->ProgressBar1->setMinimum(0);
            Form2->repaint();
            paintPending();
        };
        progress.Position = [&](int position) {
            if (!Form2) return;
            Form2->ProgressBar1->setValue(position);
            const int percent = maximum > 0 ? static_cast<int>(100LL * position / maximum) : 100;
            if (percent != shownPercent) {
                shownPercent = percent;
                paintPending();
            }
        };
        RunScale(source, selection, settings, plan, ScaledDIB, Tables, progress);

        Image2->resize(ScaledDIB.Width(), ScaledDIB.Height());
        MemoryReservation viewMemory;
        if (ScreenColors == 256) {
            TDIB reduced(ScaledDIB);
            reduced.SetPixelFormat(PixelFormat8Bit);
            const QImage view = ImageFromDIB(reduced, &viewMemory);
            Image2->SetPicture(view, std::move(viewMemory));
        } else {
            const QImage view = ImageFromDIB(ScaledDIB, &viewMemory);
            Image2->SetPicture(view, std::move(viewMemory));
        }
        UpdateViewRange();
    } catch (...) {
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
