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
// Nor is it iconified: a modal dialog iconified takes its main window
// along, and with no task bar nothing is left on the screen to bring them
// back. icewm reads that from the Motif hints too; openbox reads no hint
// that withdraws iconifying, and offers it to every window but tool bars
// and menus, so under openbox the dialog's window type names a tool bar
// first.
//
// A dialog without a parent is also made to belong to the window that was
// active when it came, so that window managers keep it above that window and
// iconify the two together.

#include <QObject>

class QWidget;

class FixedDialogFrame : public QObject {
public:
    // Serves `dialog`, which owns it.
    explicit FixedDialogFrame(QWidget* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
