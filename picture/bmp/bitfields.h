#pragma once

// 16- and 32-bit pixels with colour masks, as BMP files and packed DIBs carry
// them, widened to 24 bits. For each mask a shift brings its top into
// 128..255; each channel is ((pixel AND mask) shifted) * 255 div (mask shifted).

#include <cstddef>
#include <cstdint>

struct BitFieldMasks {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
};

// 5-5-5 for 16 bits, 8-8-8 for 32 bits.
BitFieldMasks DefaultBitFieldMasks(int bitCount);

// Converts `rows` rows of `width` pixels at `bitCount` (16 or 32) from `src`
// (rows `srcStride` apart) to 24-bit rows at `dst` (rows `dstStride` apart),
// rows in the same order. A zero mask fails with EDIBInvalidDIB
// "TInternalDIB.LoadFromStream: Invalid Masks" before anything is written.
void ConvertBitFieldRows(const std::uint8_t* src, std::size_t srcStride, int width, int rows,
                         int bitCount, const BitFieldMasks& masks, std::uint8_t* dst,
                         std::size_t dstStride);

// Throws the invalid-masks error when a mask is zero.
void CheckBitFieldMasks(const BitFieldMasks& masks);
