#pragma once

// A picture control of the image view: shows its picture at one picture
// pixel per screen pixel from its top-left corner. The control shares the
// picture's pixel buffer and converts only the part being painted, so a
// picture larger than the screen is held once, not again as a full-size
// 32-bit copy. The source view also carries the selection frame: outlines
// inverted over the picture, where inverting the same outline again
// restores every pixel.

#include <QImage>
#include <QRect>
#include <QWidget>
#include <functional>
#include <vector>

#include "picture/dib.h"

class TImage : public QWidget {
    Q_OBJECT

public:
    explicit TImage(QWidget* parent = nullptr);

    // Shows `picture`, sharing its pixels (an RLE picture is decoded first);
    // an auto-sizing control takes the picture's size. Inverted outlines
    // are dropped with the picture they were drawn on.
    void SetPicture(const TDIB& picture);
    bool HasPicture() const { return hasPicture_; }
    // What the control shows of `area` (clipped to the picture), outlines
    // included, as an opaque 32-bit image; a null image without a picture.
    QImage Rendered(const QRect& area) const;
    QImage Rendered() const { return Rendered(QRect(QPoint(0, 0), pictureSize())); }
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
    QSize pictureSize() const {
        return hasPicture_ ? QSize(picture_.Width(), picture_.Height()) : QSize();
    }

    TDIB picture_;
    bool hasPicture_ = false;
    // Each outline stands inverted once; one inverted twice is gone again.
    std::vector<QRect> outlines_;
    bool autoSize_ = true;
};
