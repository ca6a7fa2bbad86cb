#include "picture/metafile/dib_image.h"

#include <algorithm>

namespace {

struct DibHeader {
    std::size_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: top-down
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    bool core = false;
};

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3,
                        kBiAlphaBitFields = 6;

DibHeader readHeader(const ByteReader& info) {
    DibHeader h;
    h.headerSize = info.u32(0);
    if (h.headerSize == 12) {
        h.core = true;
        h.width = info.u16(4);
        h.height = info.u16(6);
        h.bitCount = info.u16(10);
        return h;
    }
    if (h.headerSize < 40)
        info.fail("bitmap header size " + std::to_string(h.headerSize) + " is invalid");
    info.require(0, h.headerSize > 124 ? 40 : h.headerSize);
    h.width = info.i32(4);
    h.height = info.i32(8);
    h.bitCount = info.u16(14);
    h.compression = info.u32(16);
    h.colorsUsed = info.u32(32);
    return h;
}

struct Masks {
    std::uint32_t r = 0, g = 0, b = 0, a = 0;
};

int lowestBit(std::uint32_t m) {
    int s = 0;
    while (s < 32 && !((m >> s) & 1)) ++s;
    return s;
}

std::uint32_t scaleField(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = lowestBit(mask);
    const std::uint32_t max = mask >> shift;
    return static_cast<std::uint32_t>(
        (static_cast<std::uint64_t>((pixel & mask) >> shift) * 255 + max / 2) / max);
}

// RLE8 / RLE4 into one index per pixel, rows bottom-up as stored. Stops at
// the end of the data or the bitmap; steps outside the bitmap end it too.
std::vector<std::uint8_t> decodeRle(const ByteReader& bits, int width, int height, bool four) {
    std::vector<std::uint8_t> index(
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    std::size_t pos = 0;
    int x = 0, y = 0;
    auto put = [&](std::uint8_t v) {
        if (x < width && y < height) index[static_cast<std::size_t>(y) * width + x] = v;
        ++x;
    };
    while (pos + 1 < bits.size() && y < height) {
        const std::uint8_t count = bits.u8(pos), value = bits.u8(pos + 1);
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i)
                put(four ? static_cast<std::uint8_t>((i % 2 == 0) ? value >> 4 : value & 0xF)
                         : value);
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (pos + 1 >= bits.size()) break;
            x += bits.u8(pos);
            y += bits.u8(pos + 1);
            pos += 2;
        } else {
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (!bits.has(pos, bytes)) break;
            for (int i = 0; i < value; ++i) {
                const std::uint8_t b = bits.u8(pos + (four ? i / 2 : i));
                put(four ? static_cast<std::uint8_t>((i % 2 == 0) ? b >> 4 : b & 0xF) : b);
            }
            pos += (bytes + 1) & ~std::size_t{1};
        }
    }
    return index;
}

}  // namespace

static std::shared_ptr<const DibImage> decode(const ByteReader& info, const DibHeader& h,
                                              std::size_t tableOffset, const ByteReader& bits,
                                              int usage, const std::vector<Colour>& palette,
                                              WorkBudget& budget) {
    const bool topDown = h.height < 0;
    const std::int64_t width = h.width;
    const std::int64_t height = topDown ? -h.height : h.height;
    if (width <= 0 || height <= 0) return nullptr;
    if (h.compression == 4 || h.compression == 5) return nullptr;  // embedded JPEG or PNG
    const int bpp = h.bitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        info.fail("bitmap has " + std::to_string(bpp) + " bits per pixel");
    if (width > kLargestRecordBitmap || height > kLargestRecordBitmap ||
        width * height > kLargestRecordBitmap)
        info.fail("bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                  " is too large");
    const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
    if (rle && (topDown || bpp != (h.compression == kBiRle8 ? 8 : 4)))
        info.fail("bitmap compression does not fit its bit count");
    if (h.compression != kBiRgb && !rle && h.compression != kBiBitFields &&
        h.compression != kBiAlphaBitFields)
        info.fail("bitmap compression " + std::to_string(h.compression) + " is unknown");
    budget.charge(static_cast<std::uint64_t>(width * height));

    // Colour table.
    std::vector<Colour> colours;
    if (bpp <= 8) {
        std::size_t count = h.colorsUsed ? h.colorsUsed : (std::size_t{1} << bpp);
        count = std::min<std::size_t>(count, std::size_t{1} << bpp);
        const std::size_t entry = usage == kDibPalColors ? 2 : (h.core ? 3 : 4);
        const std::size_t available =
            info.size() > tableOffset ? (info.size() - tableOffset) / entry : 0;
        count = std::min(count, available);  // a short table leaves the rest black
        colours.assign(std::size_t{1} << bpp, kBlack);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = tableOffset + i * entry;
            if (usage == kDibPalColors) {
                const std::uint16_t index = info.u16(at);
                colours[i] = index < palette.size() ? palette[index] : kBlack;
            } else {
                colours[i] = makeColour(info.u8(at + 2), info.u8(at + 1), info.u8(at));
            }
        }
    }
    Masks masks;
    if (bpp == 16) masks = {0x7C00, 0x03E0, 0x001F, 0};
    if (bpp == 32) masks = {0xFF0000, 0x00FF00, 0x0000FF, 0};
    if (h.compression == kBiBitFields || h.compression == kBiAlphaBitFields) {
        if (bpp != 16 && bpp != 32)
            info.fail("bit-field masks on a bitmap of " + std::to_string(bpp) + " bits");
        masks = {info.u32(40), info.u32(44), info.u32(48), 0};
        if (h.compression == kBiAlphaBitFields || h.headerSize >= 56) masks.a = info.u32(52);
    }

    auto image = std::make_shared<DibImage>();
    image->width = static_cast<int>(width);
    image->height = static_cast<int>(height);
    image->pixels.resize(static_cast<std::size_t>(width * height));
    image->monochrome = bpp == 1;
    image->bottomUp = !topDown;
    if (image->monochrome) image->bitsOfMonochrome.resize(image->pixels.size());

    if (rle) {
        const auto index = decodeRle(bits, image->width, image->height, bpp == 4);
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x)
                image->pixels[static_cast<std::size_t>(image->height - 1 - y) * image->width + x] =
                    colours[index[static_cast<std::size_t>(y) * image->width + x] &
                            ((1u << bpp) - 1)];
        return image;
    }

    const std::size_t stride = static_cast<std::size_t>((width * bpp + 31) / 32 * 4);
    const std::size_t needed = stride * static_cast<std::size_t>(height);
    if (!bits.has(0, needed))
        bits.fail("bitmap rows need " + std::to_string(needed) + " bytes, the record holds " +
                  std::to_string(bits.size()));
    const std::uint8_t* data = bits.bytes(0, needed);
    bool anyAlpha = false;
    for (std::int64_t row = 0; row < height; ++row) {
        const std::uint8_t* src = data + static_cast<std::size_t>(row) * stride;
        const std::int64_t y = topDown ? row : height - 1 - row;
        std::uint32_t* dst = image->pixels.data() + static_cast<std::size_t>(y * width);
        std::uint8_t* mono =
            image->monochrome ? image->bitsOfMonochrome.data() + static_cast<std::size_t>(y * width)
                              : nullptr;
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint32_t c = 0;
            switch (bpp) {
                case 1: {
                    const int bit = (src[x / 8] >> (7 - x % 8)) & 1;
                    mono[x] = static_cast<std::uint8_t>(bit);
                    c = colours[bit];
                    break;
                }
                case 4:
                    c = colours[(src[x / 2] >> ((x % 2) ? 0 : 4)) & 0xF];
                    break;
                case 8:
                    c = colours[src[x]];
                    break;
                case 24:
                    c = makeColour(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                    break;
                case 16:
                case 32: {
                    const std::uint32_t v =
                        bpp == 16 ? static_cast<std::uint32_t>(src[2 * x] | (src[2 * x + 1] << 8))
                                  : static_cast<std::uint32_t>(src[4 * x] | (src[4 * x + 1] << 8) |
                                                               (src[4 * x + 2] << 16)) |
                                        (static_cast<std::uint32_t>(src[4 * x + 3]) << 24);
                    c = makeColour(static_cast<int>(scaleField(v, masks.r)),
                                   static_cast<int>(scaleField(v, masks.g)),
                                   static_cast<int>(scaleField(v, masks.b)));
                    if (bpp == 32) {
                        const std::uint32_t alpha = masks.a ? scaleField(v, masks.a) : (v >> 24);
                        if (alpha) anyAlpha = true;
                        c |= alpha << 24;
                    }
                    break;
                }
            }
            dst[x] = c;
        }
    }
    image->hasAlpha = anyAlpha;
    return image;
}

std::shared_ptr<const DibImage> DecodeDib(const ByteReader& info, const ByteReader& bits, int usage,
                                          const std::vector<Colour>& palette, WorkBudget& budget) {
    const DibHeader h = readHeader(info);
    std::size_t tableOffset = h.headerSize;
    if (!h.core && h.headerSize == 40 && h.compression == kBiBitFields) tableOffset += 12;
    if (!h.core && h.headerSize == 40 && h.compression == kBiAlphaBitFields) tableOffset += 16;
    return decode(info, h, tableOffset, bits, usage, palette, budget);
}

std::shared_ptr<const DibImage> DecodePackedDib(const ByteReader& packed, int usage,
                                                const std::vector<Colour>& palette,
                                                WorkBudget& budget) {
    const DibHeader h = readHeader(packed);
    std::size_t tableOffset = h.headerSize;
    if (!h.core && h.headerSize == 40 && h.compression == kBiBitFields) tableOffset += 12;
    if (!h.core && h.headerSize == 40 && h.compression == kBiAlphaBitFields) tableOffset += 16;
    std::size_t tableEntries = 0;
    if (h.bitCount <= 8)
        tableEntries = h.colorsUsed ? h.colorsUsed : (std::size_t{1} << h.bitCount);
    else
        tableEntries = h.colorsUsed;
    const std::size_t entry = usage == kDibPalColors ? 2 : (h.core ? 3 : 4);
    packed.requireItems(tableOffset, tableEntries, entry);
    const std::size_t bitsOffset = tableOffset + tableEntries * entry;
    return decode(packed.sub(0, bitsOffset), h, tableOffset, packed.from(bitsOffset), usage,
                  palette, budget);
}

std::shared_ptr<const DibImage> DecodeBitmap16(const ByteReader& record, std::size_t offset,
                                               std::size_t bitsOffset, WorkBudget& budget) {
    const int width = record.i16(offset + 2);
    const int height = record.i16(offset + 4);
    const int widthBytes = record.i16(offset + 6);
    const int planes = record.u8(offset + 8);
    const int bpp = record.u8(offset + 9);
    if (width <= 0 || height <= 0 || planes != 1 || widthBytes <= 0) return nullptr;
    if (bpp != 1 && bpp != 8 && bpp != 24) return nullptr;
    if (static_cast<std::int64_t>(widthBytes) * 8 < static_cast<std::int64_t>(width) * bpp)
        record.fail("bitmap rows are shorter than its width");
    record.requireItems(bitsOffset, static_cast<std::size_t>(height),
                        static_cast<std::size_t>(widthBytes));
    budget.charge(static_cast<std::uint64_t>(width) * height);
    auto image = std::make_shared<DibImage>();
    image->width = width;
    image->height = height;
    image->pixels.resize(static_cast<std::size_t>(width) * height);
    image->monochrome = bpp == 1;
    image->bottomUp = false;
    if (image->monochrome) image->bitsOfMonochrome.resize(image->pixels.size());
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src =
            record.bytes(bitsOffset + static_cast<std::size_t>(y) * widthBytes, widthBytes);
        for (int x = 0; x < width; ++x) {
            std::uint32_t c;
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            if (bpp == 1) {
                const int bit = (src[x / 8] >> (7 - x % 8)) & 1;
                image->bitsOfMonochrome[i] = static_cast<std::uint8_t>(bit);
                c = bit ? kWhite : kBlack;
            } else if (bpp == 8) {
                c = makeColour(src[x], src[x], src[x]);
            } else {
                c = makeColour(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            }
            image->pixels[i] = c;
        }
    }
    return image;
}
