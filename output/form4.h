#pragma once

// TForm4, the batch destination dialog: created hidden at start-up and shown
// modally by the batch run. Its folder tree, file list and fields come with
// the batch run.

#include <QDialog>

class TForm4 : public QDialog {
    Q_OBJECT

public:
    TForm4();

protected:
    // Centred on the screen when first shown; later showings keep the place.
    void showEvent(QShowEvent* event) override;

private:
    bool placed_ = false;
};
