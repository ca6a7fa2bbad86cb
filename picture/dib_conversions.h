#pragma once

// Conversions between pixel formats of a store. Each builds a new store and
// leaves its input untouched, so a failure changes nothing.

#include <memory>

#include "picture/internal_dib.h"

// Windows RLE8 / RLE4 streams decoded to plain 8- / 4-bit rows (same header
// height, so the same row order; unwritten pixels 0). Damaged streams fail
// with EDIBInvalidDIB "...: Bad RLE Data n"; a stream without an end mark
// stops at the end of the pixel block.
std::shared_ptr<TInternalDIB> Convert8BitRLETo8BitRGB(const TInternalDIB& store);
std::shared_ptr<TInternalDIB> Convert4BitRLETo4BitRGB(const TInternalDIB& store);

// Indexed pixels widened to 24 bits through the colour table. The new store
// keeps width, header height, resolution, colour table and colours-used count.
std::shared_ptr<TInternalDIB> Convert1BitRGBToTrueColor(const TInternalDIB& store);
std::shared_ptr<TInternalDIB> Convert4BitRGBToTrueColor(const TInternalDIB& store);
std::shared_ptr<TInternalDIB> Convert8BitRGBToTrueColor(const TInternalDIB& store);
