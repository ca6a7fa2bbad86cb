#pragma once

// A fixed-size dialog's frame: moved and closed, nothing else.
//
// Qt tells X11 window managers through the Motif hints that every framed
// window may be resized, whatever its size limits; a window manager that
// trusts the hints (icewm) then draws a resizable frame around a fixed-size
// dialog and offers to resize it. Each time the dialog is shown, before the
// window manager takes it in, the hints are replaced by ones that allow
// moving and closing only, with a border, a title and its menu. Without an
// X server this does nothing.

#include <QObject>

class QWidget;

class FixedDialogFrame : public QObject {
public:
    // Serves `dialog`, which owns it.
    explicit FixedDialogFrame(QWidget* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
