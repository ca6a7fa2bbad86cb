#include "picture/png/png_rows.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "picture/errors.h"
#include "picture/file_fault.h"
#include "picture/png/png_errors.h"
#include "picture/system/byte_reader.h"

namespace png_rows {

bool isType(const std::uint8_t* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

std::string chunkName(const std::uint8_t* type) {
    for (int i = 0; i < 4; ++i)
        if (!std::isalpha(type[i])) return "a chunk of no known type";
    return "chunk " + std::string(reinterpret_cast<const char*>(type), 4);
}

void refuse(const char* message, const std::string& fault) {
    throw WithFault(EPNGError(message), "PNG: " + fault);
}

Header parseHeader(const std::uint8_t* d, std::uint32_t length) {
    if (length < 13)
        refuse("IHDR size error",
               "the IHDR chunk has " + std::to_string(length) + " bytes, not 13");
    Header h;
    h.width = LoadU32BE(d);
    h.height = LoadU32BE(d + 4);
    h.depth = d[8];
    const int type = d[9];
    const int low = type & 7;
    if (low == 1 || low == 5 || low == 7)
        refuse("Error ColorType", "colour type " + std::to_string(type) + " is not defined");
    h.alpha = (type & 4) != 0;
    h.base = type & 3;
    const int depth = h.depth;
    const std::string badDepth = "bit depth " + std::to_string(depth) +
                                 " is not allowed with colour type " + std::to_string(type);
    if (h.base == kGrey) {
        if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16)
            refuse("Error Bitdepth", badDepth);
        if (h.alpha && depth != 8 && depth != 16) refuse("not Use AlphaChannel", badDepth);
    } else if (h.base == kTruecolour) {
        if (depth != 8 && depth != 16) refuse("Error BitDepth", badDepth);
    } else {
        if (depth != 1 && depth != 2 && depth != 4 && depth != 8)
            refuse("Error BitDepth", badDepth);
    }
    if (d[10] > 1)
        refuse("not support Compression",
               "compression method " + std::to_string(d[10]) + " is not defined");
    if (d[11] > 1)
        refuse("not supprt Filter", "filter method " + std::to_string(d[11]) + " is not defined");
    if (d[12] > 1)
        refuse("not interlace type",
               "interlace method " + std::to_string(d[12]) + " is not defined");
    h.interlaced = d[12] == 1;
    if (h.width == 0 || h.height == 0) {
        refuse("Invalid PNG image size", "a picture of " + std::to_string(h.width) + " x " +
                                             std::to_string(h.height) + " pixels");
    }
    return h;
}

std::vector<RGBQuad> parsePalette(const std::uint8_t* body, std::uint32_t length, bool haveHeader,
                                  bool havePalette) {
    if (!haveHeader || havePalette)
        refuse("Error PLTE",
               havePalette ? "a second PLTE chunk" : "a PLTE chunk comes before the IHDR chunk");
    if (length % 3 != 0)
        refuse("palettesize error",
               "a PLTE chunk of " + std::to_string(length) + " bytes, not a multiple of 3");
    if (length / 3 > 256)
        refuse("palette length over",
               "a PLTE chunk of " + std::to_string(length / 3) + " colours, more than 256");
    std::vector<RGBQuad> palette(length / 3);
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = RGBQuad{body[3 * i + 2], body[3 * i + 1], body[3 * i], 0};
    return palette;
}

std::size_t rowBytesOf(const Header& h) {
    return (static_cast<std::size_t>(h.width) * h.bitsPerPixel() + 7) / 8 + 1;
}

std::vector<RGBQuad> greyPalette(int depth) {
    std::vector<RGBQuad> colors;
    if (depth == 2) {
        for (int v : {0, 85, 170, 255}) {
            const auto g = static_cast<std::uint8_t>(v);
            colors.push_back(RGBQuad{g, g, g, 0});
        }
        return colors;
    }
    const int levels = depth == 16 ? 256 : 1 << depth;
    const int step = 255 / (levels - 1);
    for (int i = 0; i < levels; ++i) {
        const auto g = static_cast<std::uint8_t>(i * step);
        colors.push_back(RGBQuad{g, g, g, 0});
    }
    return colors;
}

std::vector<RGBQuad> pictureColors(const Header& h, const std::vector<RGBQuad>& palette) {
    // A truecolour file's PLTE is a suggested palette, kept as it is.
    if (h.base == kGrey && !h.alpha) return greyPalette(h.depth);
    return palette;
}

// ------------------------------------------------------------------- rows

namespace {

inline int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Sample k of a row of packed samples at `depth` bits (1, 2, 4, 8; 16 gives
// the high byte).
inline unsigned sampleAt(const std::uint8_t* row, std::size_t k, int depth) {
    switch (depth) {
        case 1:
            return (row[k >> 3] >> (7 - (k & 7))) & 1u;
        case 2:
            return (row[k >> 2] >> (6 - 2 * (k & 3))) & 3u;
        case 4:
            return (row[k >> 1] >> (4 - 4 * (k & 1))) & 15u;
        case 8:
            return row[k];
        default:
            return row[2 * k];
    }
}

inline void putIndex(std::uint8_t* row, int x, unsigned value, int pictureDepth) {
    switch (pictureDepth) {
        case 1:
            if (value) row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
            return;
        case 4:
            row[x >> 1] = static_cast<std::uint8_t>((x & 1) ? (row[x >> 1] & 0xF0) | value
                                                            : (row[x >> 1] & 0x0F) | (value << 4));
            return;
        default:
            row[x] = static_cast<std::uint8_t>(value);
    }
}

}  // namespace

void unfilter(int filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
              std::size_t bpp) {
    switch (filter) {
        case 0:
            return;
        case 1:
            for (std::size_t i = bpp; i < length; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
            return;
        case 2:
            for (std::size_t i = 0; i < length; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
            return;
        case 3:
            for (std::size_t i = 0; i < length; ++i) {
                const int left = i >= bpp ? row[i - bpp] : 0;
                row[i] = static_cast<std::uint8_t>(row[i] + ((left + previous[i]) >> 1));
            }
            return;
        case 4:
            for (std::size_t i = 0; i < length; ++i) {
                const int left = i >= bpp ? row[i - bpp] : 0;
                const int upLeft = i >= bpp ? previous[i - bpp] : 0;
                row[i] = static_cast<std::uint8_t>(row[i] + paeth(left, previous[i], upLeft));
            }
            return;
        default:
            refuse("not support Filter",
                   "row filter " + std::to_string(filter) + " is not defined");
    }
}

void placeRow(const Header& h, const std::uint8_t* src, std::size_t count, std::uint8_t* dst,
              int x0, int dx) {
    const int pictureDepth = h.pictureDepth();
    if (pictureDepth == 24) {
        const int sampleBytes = h.depth == 16 ? 2 : 1;
        const int channels = h.channels();
        const std::size_t step = static_cast<std::size_t>(channels * sampleBytes);
        for (std::size_t i = 0; i < count; ++i, src += step) {
            std::uint8_t* p =
                dst + 3 * (static_cast<std::size_t>(x0) + i * static_cast<std::size_t>(dx));
            if (h.base == kTruecolour) {
                p[0] = src[2 * sampleBytes];
                p[1] = src[sampleBytes];
                p[2] = src[0];
            } else {
                p[0] = p[1] = p[2] = src[0];
            }
        }
        return;
    }
    if (x0 == 0 && dx == 1 && pictureDepth == h.depth) {  // the packed row is the picture row
        std::memcpy(dst, src, (count * static_cast<std::size_t>(h.depth) + 7) / 8);
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        putIndex(dst, x0 + static_cast<int>(i) * dx, sampleAt(src, i, h.depth), pictureDepth);
}

}  // namespace png_rows
