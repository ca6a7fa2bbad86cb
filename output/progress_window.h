#pragma once

// TForm2, the progress window of a scale run: a fixed dialog frame without
// system menu or close box, caption "処理中", client area 289 x 46, centred on
// the screen. The scale command shows it, sets the bar's range and position
// and repaints it; the batch run shows Label2 and sets the caption.
//
// The frame and the caption bar are drawn by the window itself. Window
// managers give a titled window a close button whatever it asks for (some
// a minimise and a maximise button too); a window of the splash kind they
// leave undecorated and offer no closing, iconifying or maximising for. The
// window takes no keyboard focus either, so the main window stays the active
// one during a run, and a close request that reaches it anyway is refused:
// the run hides it when it is done.

#include <QWidget>

class QLabel;
class QProgressBar;

class TForm2 : public QWidget {
    Q_OBJECT

public:
    TForm2();

    // The area inside the frame and below the caption bar, 289 x 46; the
    // controls sit on it at their places.
    QWidget* ClientArea = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    // Shows the window centred on the screen without activating a loop.
    void ShowCentred();

    // The caption bar's rectangle, in the window's coordinates.
    QRect CaptionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
