#pragma once

// TForm2, the progress window of a scale run: a fixed dialog frame without
// system menu or close box, caption "処理中", client area 289 x 46, centred on
// the screen. The scale command shows it, sets the bar's range and position
// and repaints it; the batch run shows Label2 with its own caption.

#include <QWidget>

class QLabel;
class QProgressBar;

class TForm2 : public QWidget {
    Q_OBJECT

public:
    TForm2();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    // Shows the window centred on the screen without activating a loop.
    void ShowCentred();
};
