#include "app/window_kit/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

const QColor kOutline(40, 40, 40);

void drawFloppy(QPainter& p, const QColor& body) {
    p.setPen(kOutline);
    p.setBrush(body);
    QPolygon disk;
    disk << QPoint(1, 1) << QPoint(13, 1) << QPoint(14, 2) << QPoint(14, 14) << QPoint(1, 14);
    p.drawPolygon(disk);
    p.setBrush(QColor(235, 235, 235));
    p.drawRect(4, 1, 7, 5);  // shutter label
    p.setBrush(QColor(90, 90, 90));
    p.setPen(Qt::NoPen);
    p.drawRect(8, 2, 2, 3);
    p.setBrush(Qt::white);
    p.setPen(kOutline);
    p.drawRect(3, 9, 9, 5);
}

void drawArrow(QPainter& p, QPoint from, QPoint to, const QColor& color) {
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d =
        QPointF(to - from) / std::max(1.0, std::hypot(to.x() - from.x(), to.y() - from.y()));
    const QPointF n(-d.y(), d.x());
    QPolygonF head;
    head << QPointF(to) + d * 1.5 << QPointF(to) - d * 2.5 + n * 3 << QPointF(to) - d * 2.5 - n * 3;
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(head);
}

// The rotation glyph: a page with a folded corner and an arrow pointing to
// where the picture's top will be, turned by `quarterTurns` to the right.
void drawRotation(QPainter& p, int quarterTurns) {
    p.translate(8, 8);
    p.rotate(90.0 * quarterTurns);
    p.translate(-8, -8);
    p.setPen(kOutline);
    p.setBrush(Qt::white);
    QPolygon page;
    page << QPoint(3, 1) << QPoint(10, 1) << QPoint(13, 4) << QPoint(13, 14) << QPoint(3, 14);
    p.drawPolygon(page);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    drawArrow(p, QPoint(8, 12), QPoint(8, 5), QColor(200, 30, 30));
}

void drawGlyph(QPainter& p, int index) {
    switch (index) {
        case 0: {  // open: a folder
            p.setPen(kOutline);
            p.setBrush(QColor(230, 180, 50));
            QPolygon back;
            back << QPoint(1, 3) << QPoint(6, 3) << QPoint(7, 5) << QPoint(13, 5) << QPoint(13, 13)
                 << QPoint(1, 13);
            p.drawPolygon(back);
            p.setBrush(QColor(255, 220, 100));
            QPolygon front;
            front << QPoint(1, 13) << QPoint(4, 7) << QPoint(15, 7) << QPoint(13, 13);
            p.drawPolygon(front);
            break;
        }
        case 1:  // save the source image
            drawFloppy(p, QColor(40, 90, 200));
            break;
        case 2:  // show the source image: a small picture
            DrawPictureSymbol(p, QRect(2, 3, 12, 10));
            break;
        case 3: {  // create the scaled image: a small picture growing
            DrawPictureSymbol(p, QRect(0, 7, 8, 8));
            drawArrow(p, QPoint(8, 8), QPoint(13, 3), QColor(200, 30, 30));
            break;
        }
        case 4:  // show the scaled image: a large picture
            DrawPictureSymbol(p, QRect(0, 1, 16, 14));
            break;
        case 5:  // save the scaled image
            drawFloppy(p, QColor(200, 50, 50));
            break;
        case 6: {  // batch: a stack of pictures
            DrawPictureSymbol(p, QRect(6, 0, 10, 8));
            DrawPictureSymbol(p, QRect(3, 4, 10, 8));
            DrawPictureSymbol(p, QRect(0, 8, 10, 8));
            break;
        }
        case 7: {  // help: a question mark in a circle
            p.setPen(QPen(QColor(20, 70, 170), 1));
            p.setBrush(QColor(60, 120, 220));
            p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
            p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            QPainterPath q;
            q.moveTo(5.5, 6);
            q.cubicTo(5.5, 3, 10.5, 3, 10.5, 6);
            q.cubicTo(10.5, 8, 8, 8, 8, 10);
            p.drawPath(q);
            p.drawPoint(QPointF(8, 12.5));
            break;
        }
        case 8:
        case 9:
        case 10:
        case 11:
            drawRotation(p, index - 8);
            break;
        default:
            break;
    }
}

}  // namespace

void DrawPictureSymbol(QPainter& p, const QRect& r) {
    p.setPen(kOutline);
    p.setBrush(QColor(150, 205, 255));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 160, 60));
    QPolygon hill;
    hill << QPoint(r.left() + 1, r.bottom())
         << QPoint(r.left() + r.width() / 3, r.top() + r.height() / 2)
         << QPoint(r.left() + r.width() * 2 / 3, r.bottom() - r.height() / 4)
         << QPoint(r.right(), r.top() + r.height() / 3) << QPoint(r.right(), r.bottom());
    p.drawPolygon(hill);
    p.setBrush(QColor(250, 210, 40));
    const int sun = std::max(1, std::min(r.width(), r.height()) / 10);
    p.drawEllipse(QPoint(r.right() - 2 - sun, r.top() + 2 + sun), sun, sun);
}

QPixmap Glyph(int index) {
    if (index < 0 || index >= kGlyphCount) return QPixmap();
    QImage image(kGlyphSize, kGlyphSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, index == 7 || index >= 8);
        drawGlyph(painter, index);
    }
    return QPixmap::fromImage(image);
}

QIcon GlyphIcon(int index) {
    QIcon icon;
    const QPixmap pixmap = Glyph(index);
    icon.addPixmap(pixmap, QIcon::Normal);
    return icon;
}
