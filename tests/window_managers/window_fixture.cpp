#include "tests/window_managers/window_fixture.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <sstream>

#include "app/window_kit/general_error.h"

DesktopSession& Desktop() {
    static DesktopSession session;
    return session;
}

bool HasKeyboard(QWidget* window) {
    return window->isVisible() && window->isActiveWindow() &&
           xtest::FocusedWindow() == window->winId();
}

bool SettleDesktop() {
    QGuiApplication::sync();
    const bool answered = xtest::RoundTripThroughWindowManager();
    QGuiApplication::sync();
    return answered;
}

// ----------------------------------------------------------------- dialogs

DialogScript::DialogScript(std::vector<Step> steps, int limitMilliseconds)
    : steps_(std::move(steps)), timer_(std::make_unique<QTimer>()), limit_(limitMilliseconds) {
    // A timer, because the dialogs run their own event loops inside the
    // commands: it fires in those loops too.
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { Poll(); });
    timer_->start(25);
}

DialogScript::~DialogScript() = default;

void DialogScript::Poll() {
    elapsed_ += 25;
    QWidget* modal = QApplication::activeModalWidget();
    if (elapsed_ > limit_) {
        if (failure_.empty()) {
            std::ostringstream text;
            if (Finished())
                text << "a dialog was still open after the last answer";
            else
                text << "dialog " << next_ + 1 << " of " << steps_.size()
                     << " did not come up with the keyboard in time";
            failure_ = text.str();
        }
        // Close whatever is left so the command returns.
        if (modal) modal->close();
        if (!modal) timer_->stop();
        return;
    }
    // An answered dialog takes a moment to handle its key and go.
    if (answered_ && answered_->isVisible()) return;
    if (Finished() || !modal) return;
    const Step& step = steps_[next_];
    const bool kindMatches = step.kind == Kind::AnyDialog ? true
                             : step.kind == Kind::FileDialog
                                 ? qobject_cast<QFileDialog*>(modal) != nullptr
                                 : qobject_cast<QMessageBox*>(modal) != nullptr;
    if (!kindMatches) {
        failure_ = "an unexpected dialog came up: " + modal->windowTitle().toStdString();
        elapsed_ = limit_ + 1;
        return;
    }
    if (!HasKeyboard(modal)) return;
    ++next_;
    answered_ = modal;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        // Emitted once the dialog is hidden, just before its call returns.
        QObject::connect(dialog, &QDialog::finished, timer_.get(),
                         [this] { activeWhenDone_.push_back(QApplication::activeWindow()); });
    }
    step.answer(modal);
}

DialogScript::Step CancelFileDialog() {
    return {DialogScript::Kind::FileDialog, [](QWidget*) { xtest::Key("Escape"); }};
}

DialogScript::Step CancelAnyDialog() {
    return {DialogScript::Kind::AnyDialog, [](QWidget*) { xtest::Key("Escape"); }};
}

DialogScript::Step ChooseFile(const std::string& path) {
    return {DialogScript::Kind::FileDialog, [path](QWidget* dialog) {
                // Typed into the name field, which Enter then confirms.
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                if (!name) return;
                name->setText(QString::fromStdString(path));
                name->setFocus(Qt::OtherFocusReason);
                xtest::Key("Return");
            }};
}

DialogScript::Step PressEnterOnMessage() {
    return {DialogScript::Kind::MessageBox, [](QWidget*) { xtest::Key("Return"); }};
}

// ----------------------------------------------------------------- windows

void DesktopWindowTest::StartWindows(const std::string& windowManager) {
    if (!ProgramExists("Xvfb"))
        GTEST_SKIP() << "Xvfb is not installed (tools/install-deps test installs it)";
    ASSERT_TRUE(Desktop().Problem.empty())
        << "no X server for the window manager tests: " << Desktop().Problem;
    // tools/install-deps installs the window managers; a machine without one skips.
    if (!ProgramExists(windowManager))
        GTEST_SKIP() << "the window manager " << windowManager << " is not installed";
    const std::string problem = Desktop().Manager->Use(windowManager);
    ASSERT_TRUE(problem.empty()) << problem;
    if (auto* app = TApplication::Instance()) app->SetPlatform(&platform_);
    windows_ = std::make_unique<TApplicationWindows>(platform_);
    windows_->ShowMainWindow();
    ASSERT_TRUE(WaitUntil([this] { return HasKeyboard(&form()); }, 10000))
        << "the main window did not get the keyboard under " << windowManager;
}

void DesktopWindowTest::TearDown() {
    const bool shown = windows_ != nullptr;
    windows_.reset();
    if (auto* app = TApplication::Instance()) app->SetPlatform(nullptr);
    // The window manager has seen the windows go before the next test.
    if (shown) {
        EXPECT_TRUE(SettleDesktop()) << "the window manager did not answer";
    }
}

namespace {

// Counts the keys pressed in the program, whichever window they reach (a
// key let go of in a window a dialog has since blocked never does).
class KeyPresses : public QObject {
public:
    KeyPresses() { qApp->installEventFilter(this); }
    int Count() const { return count_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(event)->isAutoRepeat())
            ++count_;
        return false;
    }

private:
    int count_ = 0;
};

}  // namespace

void DesktopWindowTest::Type(const std::string& keys) {
    KeyPresses pressed;
    std::istringstream words(keys);
    std::string key;
    while (words >> key) {
        const int before = pressed.Count();
        xtest::Key(key);
        // Each key is handled before the next is sent, as a typist's would be.
        EXPECT_TRUE(WaitUntil([&] { return pressed.Count() > before; }, 10000))
            << "the key " << key << " did not reach the program";
    }
}
