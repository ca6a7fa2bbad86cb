#pragma once

// TForm3, the help window: created hidden at start-up, shown without being
// modal by the help command. Its manual page comes with its own work.

#include <QWidget>

class TForm3 : public QWidget {
    Q_OBJECT

public:
    TForm3();

protected:
    // Centred on the screen when first shown; later showings keep the place.
    void showEvent(QShowEvent* event) override;

private:
    bool placed_ = false;
};
