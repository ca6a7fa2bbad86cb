#include "app/window_kit/image_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "app/window_kit/picture_conversion.h"
#include "picture/errors.h"

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    resize(0, 0);
}

void TImage::SetPicture(const TDIB& picture) {
    picture_ = PlainDIB(picture);
    hasPicture_ = true;
    outlines_.clear();
    if (autoSize_) resize(pictureSize());
    update();
}

namespace {

// Inverts the pixels of `outline` (picture coordinates) that lie in `image`,
// which shows the picture from `origin`.
void invertOutline(QImage& image, const QPoint& origin, const QRect& outline) {
    const QRect shown(origin, image.size());
    const auto invert = [&](int x, int y) {
        if (!shown.contains(x, y)) return;
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y - origin.y()));
        row[x - origin.x()] ^= 0x00FFFFFFu;
    };
    const int left = outline.left(), right = outline.right();
    const int top = outline.top(), bottom = outline.bottom();
    // Only the stretch of each edge that is shown is walked.
    for (int x = std::max(left, shown.left()); x <= std::min(right, shown.right()); ++x) {
        invert(x, top);
        if (bottom != top) invert(x, bottom);
    }
    for (int y = std::max(top + 1, shown.top()); y <= std::min(bottom - 1, shown.bottom()); ++y) {
        invert(left, y);
        if (right != left) invert(right, y);
    }
}

}  // namespace

QImage TImage::Rendered(const QRect& area) const {
    const QRect part = area & QRect(QPoint(0, 0), pictureSize());
    if (part.isEmpty()) return QImage();
    QImage image(part.size(), QImage::Format_RGB32);
    if (image.isNull()) throw EOutOfMemory();
    DrawDIBArea(picture_, part, image);
    for (const QRect& outline : outlines_) invertOutline(image, part.topLeft(), outline);
    return image;
}

void TImage::InvertOutline(int left, int top, int right, int bottom) {
    if (!hasPicture_) return;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const QRect outline(QPoint(left, top), QPoint(right, bottom));
    const auto same = std::find(outlines_.begin(), outlines_.end(), outline);
    if (same != outlines_.end())
        outlines_.erase(same);
    else
        outlines_.push_back(outline);
    update(outline.adjusted(0, 0, 1, 1));
}

void TImage::paintEvent(QPaintEvent* event) {
    // Only what is exposed is converted, a strip at a time, so painting a
    // large view takes no memory beyond a strip of the screen.
    constexpr int kStripRows = 64;
    const QRect area = event->rect() & QRect(QPoint(0, 0), pictureSize());
    if (area.isEmpty()) return;
    QPainter painter(this);
    for (int top = area.top(); top <= area.bottom(); top += kStripRows) {
        const QRect strip(area.left(), top, area.width(),
                          std::min(kStripRows, area.bottom() + 1 - top));
        try {
            painter.drawImage(strip.topLeft(), Rendered(strip));
        } catch (const EOutOfMemory&) {
            // Not even a strip could be had: that strip stays unpainted
            // until the next repaint rather than the program ending.
        }
    }
}

void TImage::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (OnMouseDown) OnMouseDown(event->button(), p.x(), p.y());
}

void TImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (OnMouseMove) OnMouseMove(event->buttons(), p.x(), p.y());
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && OnClick) OnClick();
    if (OnMouseUp) OnMouseUp(event->button(), p.x(), p.y());
}

void TImage::mouseDoubleClickEvent(QMouseEvent* event) {
    // The double click comes first, then the second press is handled as a
    // press of its own.
    if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick();
    mousePressEvent(event);
}
