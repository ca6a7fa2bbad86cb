#include "app/window_kit/image_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <utility>

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    resize(0, 0);
}

void TImage::SetPicture(const QImage& picture, MemoryReservation memory) {
    displayed_ = picture.format() == QImage::Format_RGB32
                     ? picture
                     : picture.convertToFormat(QImage::Format_RGB32);
    memory_ = std::move(memory);
    if (autoSize_) resize(displayed_.size());
    update();
}

void TImage::invertPixel(int x, int y) {
    if (x < 0 || y < 0 || x >= displayed_.width() || y >= displayed_.height()) return;
    auto* row = reinterpret_cast<QRgb*>(displayed_.scanLine(y));
    row[x] ^= 0x00FFFFFFu;
}

void TImage::InvertOutline(int left, int top, int right, int bottom) {
    if (displayed_.isNull()) return;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    for (int x = left; x <= right; ++x) {
        invertPixel(x, top);
        if (bottom != top) invertPixel(x, bottom);
    }
    for (int y = top + 1; y < bottom; ++y) {
        invertPixel(left, y);
        if (right != left) invertPixel(right, y);
    }
    update(QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(0, 0, 1, 1));
}

void TImage::paintEvent(QPaintEvent* event) {
    if (displayed_.isNull()) return;
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area.topLeft(), displayed_, area);
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
