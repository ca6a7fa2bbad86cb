#pragma once

// The twelve 16 x 16 tool bar glyphs, drawn by the program itself:
//   0 open, 1 save the source image, 2 show the source image, 3 create the
//   scaled image, 4 show the scaled image, 5 save the scaled image, 6 batch,
//   7 help, 8..11 rotation 0 degrees, right 90, 180, left 90.

#include <QIcon>
#include <QPixmap>

class QPainter;
class QRect;

constexpr int kGlyphCount = 12;
constexpr int kGlyphSize = 16;

// The glyph of `index` (0..11); an empty pixmap for any other index.
QPixmap Glyph(int index);
QIcon GlyphIcon(int index);

// The picture symbol of the glyphs, at any size: a framed sky with a green
// hill and a sun, filling `area`.
void DrawPictureSymbol(QPainter& painter, const QRect& area);
