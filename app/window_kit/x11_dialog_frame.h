#pragma once

// A fixed-size dialog's frame: moved and closed, nothing else, and the
// dialog kept with its window.
//
// Qt tells X11 window managers through the Motif hints that every framed
// window may be resized, whatever its size limits; a window manager that
// trusts the hints (icewm) then draws a resizable frame around a fixed-size
// dialog and offers to resize it. Each time the dialog is shown, before the
// window manager takes it in, the hints are replaced by ones that allow
// moving and closing only, with a border, a title and its menu. Without an
// X server this does nothing.
//
// A dialog without a parent is also made to belong to the window that was
// active when it came, so that window managers keep it above that window and
// iconify the two together: a modal dialog iconified alone (openbox offers
// that for every framed dialog) would leave a window that takes no input.

#include <QObject>

class QWidget;

class FixedDialogFrame : public QObject {
public:
    // Serves `dialog`, which owns it.
    explicit FixedDialogFrame(QWidget* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
