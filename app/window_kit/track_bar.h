#pragma once

// A horizontal track bar with a highlighted range, painted inside the groove
// between SelStart and SelEnd, and a tick at every step below the bar.

#include <QSlider>

class TTrackBar : public QSlider {
    Q_OBJECT

public:
    explicit TTrackBar(QWidget* parent = nullptr);

    void SetSelection(int start, int end);
    int SelStart() const { return selStart_; }
    int SelEnd() const { return selEnd_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int selStart_ = 0;
    int selEnd_ = 0;
};
