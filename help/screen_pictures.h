#pragma once

// Pictures of the batch run's windows for the manual, each rendered from a
// fresh instance of the window the run shows (the program's own message
// box, open dialog, destination dialog TForm4 and progress window TForm2)
// with the texts of a sample run, framed by a drawn title bar that carries
// the window's caption (the progress window draws its own), and reduced to
// the size of its picture.

#include <QImage>
#include <QPixmap>

#include "help/manual_pictures.h"

class QWidget;

// The pictures SettingsConfirmation, OpenDialog, DestinationDialog,
// FinalConfirmation and ProgressWindow; a null pixmap for any other.
QPixmap RenderScreenPicture(ManualPicture picture);

// A window as the desktop shows it: its client area rendered without
// appearing on the screen, under a title bar with its caption (and a close
// box when it has one), in a thin frame.
QImage WindowPicture(QWidget& window, bool closeBox);

// A window rendered as it is, without appearing on the screen: for one that
// draws its own frame and caption, and the client area of the others.
QImage UnshownWindowPicture(QWidget& window);
