#pragma once

// Device-independent bitmaps carried inside metafile records (blits,
// pattern brushes), decoded to colours. The header, colour table and bits
// are checked against the bytes the record really holds before a pixel is
// read; a bitmap whose declared rows run past its data is damage.

#include <cstdint>
#include <memory>
#include <vector>

#include "picture/metafile/canvas.h"
#include "picture/system/byte_reader.h"

struct DibImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, top row first; alpha only from 32-bit sources
    bool hasAlpha = false;
    bool bottomUp = true;                        // the rows were stored bottom row first
    bool monochrome = false;                     // one bit per pixel
    std::vector<std::uint8_t> bitsOfMonochrome;  // 0 or 1 per pixel, for brushes that colour them

    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }

    // The top row (counted from the top, as `pixels` holds them) of a source
    // rectangle that a DIB record counts from the first row stored, which
    // for a bottom-up bitmap is its bottom row.
    double sourceTop(double storedY, double rows) const {
        return bottomUp ? height - storedY - rows : storedY;
    }
};

// How a colour table is given: colours (0), or indices into the logical
// palette selected at the time (1).
constexpr int kDibRgbColors = 0;
constexpr int kDibPalColors = 1;

// The largest bitmap a record may carry, in pixels: ample for any drawing,
// far below what would exhaust memory.
constexpr std::int64_t kLargestRecordBitmap = std::int64_t{1} << 26;

// Decodes the BITMAPINFO in `info` (header and colour table) with its pixel
// data in `bits`. Returns null for a bitmap this renderer does not draw
// (JPEG or PNG compression, zero size); throws EInvalidGraphic for damage.
std::shared_ptr<const DibImage> DecodeDib(const ByteReader& info, const ByteReader& bits, int usage,
                                          const std::vector<Colour>& palette, WorkBudget& budget);

// The same for a packed DIB: header, colour table and bits in one span, the
// bits directly after the colour table.
std::shared_ptr<const DibImage> DecodePackedDib(const ByteReader& packed, int usage,
                                                const std::vector<Colour>& palette,
                                                WorkBudget& budget);

// A WMF device-dependent bitmap (BITMAP16 at `offset`: type, width, height,
// bytes per row, planes, bits per pixel; its bits, top row first, at
// `bitsOffset`); only monochrome and 8/24-bit single-plane forms are drawn.
std::shared_ptr<const DibImage> DecodeBitmap16(const ByteReader& record, std::size_t offset,
                                               std::size_t bitsOffset, WorkBudget& budget);
