#pragma once

// Reduction of a 24-bit picture to at most 256 colours with a palette made
// from the picture itself: a 5-6-5 histogram of colour cells, each cell
// represented by the mean of its pixels, split recursively at the mean of the
// component with the largest weighted variance, eight levels deep. Every
// pixel takes the palette colour of its cell; there is no dithering.

#include <memory>

#include "picture/internal_dib.h"

// The 8-bit store for a 24-bit store: same header but bit count 8, no
// compression, image size 0 and colours used = palette length; same row
// order. A store that is not 24 bits fails with EDIBBadDIBType
// "ConvertTrueColorTo8BitRGBLow: Invalid Bitcount".
std::shared_ptr<TInternalDIB> ConvertTrueColorTo8BitRGBLow(const TInternalDIB& store);
