#pragma once

// Between the core's pictures and Qt's images. The core knows nothing of Qt,
// so every crossing lives here.

#include <QImage>
#include <QRect>
#include <cstdint>
#include <vector>

#include "picture/decoded_picture.h"
#include "picture/dib.h"
#include "picture/system/memory_budget.h"

// The pixel buffer with fixed rows: RLE pictures decoded, any other shared
// as it is. Throws EDIBInvalidDIB when the pixel data is shorter than the
// picture.
TDIB PlainDIB(const TDIB& dib);

// Writes `area` of a picture with fixed rows (see PlainDIB) into `out` from
// its top-left corner as opaque 32-bit pixels, palette entries looked up.
// `out` is Format_RGB32 and at least as large as `area`, which lies within
// the picture.
void DrawDIBArea(const TDIB& plain, const QRect& area, QImage& out);

// The pixel buffer as an opaque 32-bit image for the screen, whatever its
// pixel format (palette entries looked up, RLE decoded). The image's memory
// is reserved against the budget first (EOutOfMemory when it cannot be
// had); `keep`, when given, takes the reservation for as long as the image
// is kept.
QImage ImageFromDIB(const TDIB& dib, MemoryReservation* keep = nullptr);

// A Qt image as a 24-bit decoded picture (alpha dropped).
DecodedPicture DecodedFromImage(const QImage& image);

// A Qt image as the clipboard's packed DIB at 24 bits per pixel.
std::vector<std::uint8_t> PackedDIBFromImage(const QImage& image);
