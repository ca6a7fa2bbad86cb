#pragma once

// A decoded picture: what a reader hands to the pixel buffer and what the
// pixel buffer hands to a writer, standing where a desktop platform would use
// its own bitmap. Rows are laid out as in a device-independent bitmap, bottom
// row first, so that the pixel buffer can take the block over without a copy:
//   - stride = ((width * depth + 31) div 32) * 4 bytes;
//   - 24 bits: blue, green, red; 32 bits: blue, green, red, unused;
//   - 16 bits: 5-5-5 (bit 15 unused, red in bits 10-14, blue in bits 0-4);
//   - 8, 4, 1 bits: indices into `colors`, high nibble / high bit first.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/pixel_block.h"

struct RGBQuad {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};

inline bool operator==(const RGBQuad& a, const RGBQuad& b) {
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
           a.rgbReserved == b.rgbReserved;
}

struct DecodedPicture {
    int width = 0;
    int height = 0;
    int depth = 24;  // 1, 4, 8, 16, 24 or 32
    std::vector<RGBQuad>
        colors;  // colour table for depths of 8 or fewer; missing entries are black
    std::int32_t xPelsPerMeter = 0;  // 0: unknown
    std::int32_t yPelsPerMeter = 0;
    std::size_t stride = 0;
    PixelBlock bits;  // height * stride bytes, bottom row first

    // Sets the size and depth and takes a zero-filled block for the rows.
    // Throws EOutOfMemory when the picture cannot be held (size_limits.h).
    void allocate(int width, int height, int depth);

    // Row y of the picture, y = 0 being the top row.
    std::uint8_t* row(int y) {
        return bits.data() + static_cast<std::size_t>(height - 1 - y) * stride;
    }
    const std::uint8_t* row(int y) const {
        return bits.data() + static_cast<std::size_t>(height - 1 - y) * stride;
    }
    bool empty() const { return width <= 0 || height <= 0; }
};
