#include "picture/bmp/bitfields.h"

#include <cstdio>
#include <cstring>

#include "picture/errors.h"
#include "picture/file_fault.h"

namespace {

struct Channel {
    std::uint32_t mask;
    int shift;  // right shift; negative means left
    std::uint32_t max;

    explicit Channel(std::uint32_t m) : mask(m), shift(0), max(m) {
        while (max >= 256) {
            max >>= 1;
            ++shift;
        }
        while (max < 128) {
            max <<= 1;
            --shift;
        }
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        const std::uint32_t bits = pixel & mask;
        const std::uint32_t value = shift >= 0 ? bits >> shift : bits << -shift;
        return static_cast<std::uint8_t>(value * 255u / max);
    }
};

}  // namespace

BitFieldMasks DefaultBitFieldMasks(int bitCount) {
    if (bitCount == 16) return {0x7C00, 0x03E0, 0x001F};
    return {0xFF0000, 0x00FF00, 0x0000FF};
}

void CheckBitFieldMasks(const BitFieldMasks& masks) {
    if (masks.red == 0 || masks.green == 0 || masks.blue == 0) {
        char fault[96];
        std::snprintf(fault, sizeof fault,
                      "BMP: a colour mask is empty (red %08X, green %08X, blue %08X)", masks.red,
                      masks.green, masks.blue);
        throw WithFault(EDIBInvalidDIB("TInternalDIB.LoadFromStream: Invalid Masks"), fault);
    }
}

void ConvertBitFieldRows(const std::uint8_t* src, std::size_t srcStride, int width, int rows,
                         int bitCount, const BitFieldMasks& masks, std::uint8_t* dst,
                         std::size_t dstStride) {
    CheckBitFieldMasks(masks);
    const Channel red(masks.red), green(masks.green), blue(masks.blue);
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* in = src + static_cast<std::size_t>(y) * srcStride;
        std::uint8_t* out = dst + static_cast<std::size_t>(y) * dstStride;
        if (dstStride >= 4) std::memset(out + dstStride - 4, 0, 4);
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel;
            if (bitCount == 16) {
                pixel = static_cast<std::uint32_t>(in[0] | (in[1] << 8));
                in += 2;
            } else {
                pixel = static_cast<std::uint32_t>(in[0]) |
                        (static_cast<std::uint32_t>(in[1]) << 8) |
                        (static_cast<std::uint32_t>(in[2]) << 16) |
                        (static_cast<std::uint32_t>(in[3]) << 24);
                in += 4;
            }
            out[0] = blue(pixel);
            out[1] = green(pixel);
            out[2] = red(pixel);
            out += 3;
        }
    }
}
