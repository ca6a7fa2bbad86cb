#pragma once

// Pictures of the main window's controls for the manual, taken from a set of
// the same controls (TMainControls) in a window that never appears on the
// screen, laid out as on the main window, with every command enabled.

#include <QPixmap>
#include <memory>

#include "app/window_kit/main_controls.h"
#include "help/manual_pictures.h"

class QWidget;

class TControlModel {
public:
    TControlModel();
    ~TControlModel();
    TControlModel(const TControlModel&) = delete;
    TControlModel& operator=(const TControlModel&) = delete;

    // The controls, to be changed before rendering (tests do).
    TMainControls Controls;

    // The picture of a button, box, field pair, bar or the menu, at its
    // size, from the controls as they are now; a null pixmap for the
    // pictures of the view and of the batch run's windows.
    QPixmap Render(ManualPicture picture);

private:
    QPixmap renderArea(QWidget* first, QWidget* last, ManualPicture picture);

    std::unique_ptr<QWidget> host_;
};

// The view with a selection being dragged on a source image, and a picture
// file being dropped onto the view; each at the size of its picture.
QPixmap DragSelectionPicture();
QPixmap FileDropPicture();
