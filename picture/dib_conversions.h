#pragma once

// Conversions between pixel formats of a store. Each builds a new store and
// leaves its input untouched, so a failure changes nothing.

#include <cstddef>
#include <cstdint>
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

// One row of `width` indexed pixels of `bitCount` bits (1, 4 or 8) widened to
// blue, green, red through `table`, which must hold every index the row's
// bits can name. What the conversions above and the row readers share.
void WidenIndexedRow(const std::uint8_t* in, int bitCount, std::size_t width, const RGBQuad* table,
                     std::uint8_t* out);
