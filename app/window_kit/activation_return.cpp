#include "app/window_kit/activation_return.h"

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <optional>

namespace {

// Windows that take part: ordinary windows and dialogs, not the pop-ups,
// tool tips and the like that come and go inside them.
// A window that never takes the activation (the progress window) has none
// to hand back.
bool isReturnableWindow(const QWidget* widget) {
    if (!widget || !widget->isWindow()) return false;
    if (widget->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus)) return false;
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

// Whether the program is still the active application: where the window
// system can say, it is asked, since the user may have gone to another
// program while the window was up and Qt may not have heard of it yet.
bool programStillActive() {
    if (const std::optional<bool> active = X11ProgramIsActive()) return *active;
    return true;
}

void makeActive(QWidget* window) {
    // QWidget::activateWindow only asks the window system, which answers
    // later; the application's own active window has to change now.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setActiveWindow(window);
    QT_WARNING_POP
    // Straight to the server: waiting for the window manager, Qt would take
    // the program for inactive in the meantime and activate it once more.
    FocusOwnWindow(window->windowHandle());
}

}  // namespace

ActivationReturn::ActivationReturn(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

bool ActivationReturn::eventFilter(QObject* watched, QEvent* event) {
    // Only the program's own show() and hide() count; a window iconified or
    // restored by the window manager is not going away.
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && !event->spontaneous() &&
        watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (isReturnableWindow(widget)) {
            if (event->type() == QEvent::Show)
                Shown(widget);
            else
                Hidden(widget);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ActivationReturn::Shown(QWidget* window) {
    returnTo_.erase(std::remove_if(returnTo_.begin(), returnTo_.end(),
                                   [window](const auto& entry) {
                                       return entry.first.isNull() || entry.first == window;
                                   }),
                    returnTo_.end());
    QWidget* active = QApplication::activeWindow();
    if (active && active != window) returnTo_.emplace_back(window, active);
}

void ActivationReturn::Hidden(QWidget* window) {
    const auto entry = std::find_if(returnTo_.begin(), returnTo_.end(),
                                    [window](const auto& e) { return e.first == window; });
    if (entry == returnTo_.end()) return;
    const QPointer<QWidget> target = entry->second;
    returnTo_.erase(entry);

    // When another window of the program has become the active one, it stays
    // so; a window that is hidden or still blocked by a dialog is left alone.
    QWidget* active = QApplication::activeWindow();
    if (active != nullptr && active != window) return;
    if (target.isNull() || !target->isVisible() || target == window) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != target) return;
    // Nothing is taken from another program the user has gone to.
    if (!programStillActive()) return;
    makeActive(target);
}
