#pragma once

// A text that acts as a link: a hand pointer over it, and a click (press
// and release of the left button on it) runs OnClick.

#include <QLabel>
#include <functional>

class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);

    std::function<void()> OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};
