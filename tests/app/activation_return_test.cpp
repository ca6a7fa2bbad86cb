// The activation handed back when a window goes: at once, to the window that
// was active when it came, and only when it was still the active one.

#include "app/window_kit/activation_return.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>

#include "tests/support/test_support.h"

namespace {

// Counts the activations a window receives and records whether it was
// already active when the code that hid another window went on.
class Watched : public QWidget {
public:
    int Activations = 0;

protected:
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::ActivationChange && isActiveWindow()) ++Activations;
        QWidget::changeEvent(event);
    }
};

void activate(QWidget* window) {
    window->activateWindow();
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setActiveWindow(window);
    QT_WARNING_POP
    QCoreApplication::processEvents();
}

struct ReturnCase {
    const char* name;
    bool modalChild;            // a dialog of the main window, else a window of its own
    bool otherWindowActivated;  // another window became active before it went
    bool expectReturn;
};

const ReturnCase kCases[] = {
    {"ModalDialogOfTheWindow", true, false, true},
    {"SeparateWindowShownOverIt", false, false, true},
    {"NotWhenAnotherWindowTookOver", true, true, false},
};

class ActivationReturnTest : public ::testing::TestWithParam<ReturnCase> {};

TEST_P(ActivationReturnTest, ActiveAgainBeforeHideReturns) {
    const ReturnCase& c = GetParam();
    ActivationReturn activationReturn;
    Watched main;
    main.setGeometry(100, 100, 300, 200);
    main.show();
    activate(&main);
    ASSERT_TRUE(main.isActiveWindow());

    QDialog dialog(c.modalChild ? &main : nullptr);
    dialog.setModal(c.modalChild);
    dialog.show();
    activate(&dialog);
    ASSERT_TRUE(dialog.isActiveWindow());
    QWidget other;
    if (c.otherWindowActivated) {
        other.show();
        activate(&other);
    }
    // The window system has not said anything yet when the command goes on.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    if (!c.otherWindowActivated) QApplication::setActiveWindow(nullptr);
    QT_WARNING_POP
    const int before = main.Activations;

    dialog.hide();
    EXPECT_EQ(main.isActiveWindow(), c.expectReturn);
    EXPECT_EQ(main.Activations - before, c.expectReturn ? 1 : 0);
    // The window system's own activation later changes nothing more.
    QCoreApplication::processEvents();
    if (c.expectReturn) {
        EXPECT_EQ(main.Activations - before, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, ActivationReturnTest, ::testing::ValuesIn(kCases), NameOfParam());

TEST(ActivationReturn, WindowsAndPopupsShownWithoutAnActiveWindowAreLeftAlone) {
    ActivationReturn activationReturn;
    Watched main;
    main.show();
    activate(&main);
    QWidget popup(nullptr, Qt::Popup);
    popup.show();
    popup.hide();
    // A pop-up is not a window that hands anything back.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setActiveWindow(nullptr);
    QT_WARNING_POP
    QWidget late;
    late.show();  // nothing was active when it came
    late.hide();
    EXPECT_FALSE(main.isActiveWindow());
}

}  // namespace
