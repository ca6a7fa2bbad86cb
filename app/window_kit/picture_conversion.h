#pragma once

// Between the core's pictures and Qt's images. The core knows nothing of Qt,
// so every crossing lives here.

#include <QImage>
#include <cstdint>
#include <vector>

#include "picture/decoded_picture.h"
#include "picture/dib.h"
#include "picture/system/memory_budget.h"

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
