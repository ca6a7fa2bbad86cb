#pragma once

// Up and down arrows bound to a text field. A click reads the field's number
// (the last position when the text is no number), steps it by one within
// Min..Max without wrapping, and writes the new number into the field
// through the owner, so the field's change rule runs as for any edit.

#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;

class TUpDown : public QWidget {
    Q_OBJECT

public:
    TUpDown(QLineEdit* buddy, QWidget* parent = nullptr);

    int Min = 1;
    int Max = 9999;
    int Position = 100;

    // Writes the stepped number into the field.
    std::function<void(const QString&)> WriteText;

    void Step(int delta);

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

private:
    QLineEdit* buddy_;
    QToolButton* up_;
    QToolButton* down_;
};
