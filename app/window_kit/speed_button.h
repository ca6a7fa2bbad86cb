#pragma once

// A flat push button whose caption stands at the left with a margin, in the
// button's own text colour; it never takes the keyboard focus. Text beyond
// the button's width is cut off.

#include <QAbstractButton>

class TSpeedButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit TSpeedButton(QWidget* parent = nullptr);

    // Sets the caption; an "&" marks the mnemonic letter, which is shown
    // underlined but is handled by the window's key layers, not by Qt.
    void SetCaption(const QString& caption);
    QString Caption() const { return text(); }

    int Margin() const { return margin_; }
    void SetMargin(int margin);

    QColor FontColor() const;
    void SetFontColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int margin_ = 4;
};

// Sets a button's caption and drops the Alt shortcut that Qt would register
// for its "&" letter: the window's key layers handle mnemonics themselves.
void SetCaptionWithoutShortcut(QAbstractButton* button, const QString& caption);
