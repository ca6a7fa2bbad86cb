#pragma once

// A picture control of the image view: shows its picture at one picture
// pixel per screen pixel from its top-left corner. The source view also
// carries the selection frame, inverted into the displayed copy of the
// picture, so that inverting the same outline again restores every pixel.

#include <QImage>
#include <QRect>
#include <QWidget>
#include <functional>

#include "picture/system/memory_budget.h"

class TImage : public QWidget {
    Q_OBJECT

public:
    explicit TImage(QWidget* parent = nullptr);

    // Shows `picture`; an auto-sizing control takes the picture's size.
    // `memory` is the picture's reservation against the memory budget,
    // held while it is shown.
    void SetPicture(const QImage& picture, MemoryReservation memory = {});
    const QImage& Picture() const { return displayed_; }
    void SetAutoSize(bool autoSize) { autoSize_ = autoSize; }

    // Inverts the one-pixel outline of the pixels left..right x top..bottom
    // (inclusive, in any order), each outline pixel exactly once.
    void InvertOutline(int left, int top, int right, int bottom);

    // Mouse handlers of the owner.
    std::function<void(Qt::MouseButton, int, int)> OnMouseDown;
    std::function<void(Qt::MouseButtons, int, int)> OnMouseMove;
    std::function<void(Qt::MouseButton, int, int)> OnMouseUp;
    std::function<void()> OnDblClick;
    std::function<void()> OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void invertPixel(int x, int y);

    QImage displayed_;
    MemoryReservation memory_;
    bool autoSize_ = true;
};
