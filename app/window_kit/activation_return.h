#pragma once

// Hands the activation back at once when a window of this program goes away.
//
// The commands count on the order a modal dialog ends in on the desktop the
// program was made for: the window that was active before the dialog is
// active again before the call that ran the dialog returns. The main
// window's activation step (the stay-on-top box applied again, the focus to
// the view) therefore runs first, and whatever the command does next wins,
// such as the character layer giving the focus back to the size field the
// key was typed in. On X11 the window manager activates that window again
// only after a round trip, when the command has long moved the focus; the
// late activation step would then take the focus to the view.
//
// So when a window is hidden while it is the active one (or while no window
// of the program is active, as after a dialog's own deactivation), the
// window that was active when it was shown becomes the application's active
// window there and then, and the X server's focus is moved to it at once.
// When the window manager's activation arrives later it finds that window
// active already, and Qt sends no second activation for it.
//
// Only while the program is still the active application: when the user has
// gone to another program while the window was up, the focus stays there.
// A window that takes no focus (the progress window) hands nothing back.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <utility>
#include <vector>

#include "app/window_kit/x11_focus.h"

class ActivationReturn : public QObject {
public:
    // Watches every window of the application from now on.
    explicit ActivationReturn(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Shown(QWidget* window);
    void Hidden(QWidget* window);

    StaleFocusFilter staleFocus_;
    // Each shown window with the window that was active when it appeared.
    std::vector<std::pair<QPointer<QWidget>, QPointer<QWidget>>> returnTo_;
};
