#include "picture/dib_conversions.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "picture/errors.h"
#include "picture/file_fault.h"
#include "picture/size_limits.h"

namespace {

void requireType(const TInternalDIB& store, int bitCount, std::uint32_t compression,
                 const char* routine) {
    if (store.Header.biBitCount != bitCount || store.Header.biCompression != compression)
        throw EDIBBadDIBType(std::string(routine) + ": Invalid Bitcount & Compression Combination");
}

// A store like `from` with another bit count and no compression, its rows
// zero-filled.
std::shared_ptr<TInternalDIB> blankLike(const TInternalDIB& from, int bitCount) {
    const std::size_t bytes = checkedPictureBytes(from.Width, from.Height, bitCount);
    auto store = std::make_shared<TInternalDIB>();
    store->Header = from.Header;
    store->Header.biBitCount = static_cast<std::uint16_t>(bitCount);
    store->Header.biCompression = 0;
    store->Header.biSizeImage = 0;
    store->ColorTable = from.ColorTable;
    store->Bits = PixelBlock(bytes);
    store->UpdateLayout();
    return store;
}

// The shared walk over a Windows RLE stream. `putRun(x, y, n, value)` fills an
// encoded run, `putAbsolute(x, y, n, bytes, available)` copies an absolute run.
struct RleMessages {
    const char* endOfLine;
    const char* move;
    const char* absolute;
    const char* encoded;
};

// A stream that leaves the picture: the program's message, and where.
[[noreturn]] void refuseRle(const char* message, const char* what, std::int64_t x, std::int64_t y,
                            const TInternalDIB& store) {
    throw WithFault(EDIBInvalidDIB(message), std::string("BMP: the RLE data ") + what +
                                                 " at pixel " + std::to_string(x) + " of row " +
                                                 std::to_string(y) + ", outside the " +
                                                 std::to_string(store.Width) + " x " +
                                                 std::to_string(store.Height) + " picture");
}

template <class PutRun, class PutAbsolute>
void walkRle(const TInternalDIB& store, std::int64_t rowWidth, const RleMessages& messages,
             bool fourBit, PutRun putRun, PutAbsolute putAbsolute) {
    const std::uint8_t* data = store.Bits.data();
    const std::size_t size = store.Bits.size();
    const std::int64_t rows = store.Height;
    std::int64_t x = 0, y = 0;
    std::size_t pos = 0;
    while (pos + 2 <= size) {
        const std::uint8_t count = data[pos];
        const std::uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (x + count > rowWidth || y >= rows)
                refuseRle(messages.encoded, "runs on", x + count, y, store);
            putRun(x, y, count, value);
            x += count;
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++y;
                if (y > rows) refuseRle(messages.endOfLine, "goes on to the next row", x, y, store);
                break;
            case 1:  // end of bitmap
                return;
            case 2:  // move
                if (pos + 2 > size) return;
                x += data[pos];
                y += data[pos + 1];
                pos += 2;
                if (x > rowWidth || y > rows) refuseRle(messages.move, "moves", x, y, store);
                break;
            default: {  // absolute run of `value` pixels, padded to 16 bits
                const std::int64_t n = value;
                if (x + n > rowWidth || y >= rows)
                    refuseRle(messages.absolute, "runs on", x + n, y, store);
                const std::size_t bytes =
                    fourBit ? static_cast<std::size_t>((n + 1) / 2) : static_cast<std::size_t>(n);
                const std::size_t available = pos + bytes <= size ? bytes : size - pos;
                putAbsolute(x, y, n, data + pos, available);
                if (available < bytes) return;  // the stream ends inside the run
                pos += (bytes + 1) & ~static_cast<std::size_t>(1);
                x += n;
                break;
            }
        }
    }
}

// Rows of the decoded block are filled in memory order, as the stream
// addresses them.
std::uint8_t* memoryRow(TInternalDIB& out, std::int64_t y) {
    return out.Bits.data() + static_cast<std::size_t>(y) * out.Stride;
}

void putNibble(std::uint8_t* row, std::int64_t x, std::uint8_t nibble) {
    std::uint8_t& b = row[x >> 1];
    b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | nibble)
                : static_cast<std::uint8_t>((b & 0x0F) | (nibble << 4));
}

template <int BitCount>
void widenRow(const std::uint8_t* in, std::size_t width, const RGBQuad* table, std::uint8_t* px) {
    for (std::size_t x = 0; x < width; ++x, px += 3) {
        unsigned index;
        if (BitCount == 8)
            index = in[x];
        else if (BitCount == 4)
            index = (x & 1) ? (in[x >> 1] & 0x0Fu) : (in[x >> 1] >> 4u);
        else
            index = (in[x >> 3] >> (7 - (x & 7))) & 1u;
        px[0] = table[index].rgbBlue;
        px[1] = table[index].rgbGreen;
        px[2] = table[index].rgbRed;
    }
}

template <int BitCount>
std::shared_ptr<TInternalDIB> widenIndexed(const TInternalDIB& store) {
    auto out = blankLike(store, 24);
    const RGBQuad* table = store.ColorTable.data();
    const auto width = static_cast<std::size_t>(store.Width);
    for (int y = 0; y < store.Height; ++y)
        widenRow<BitCount>(store.Row(y), width, table, out->Row(y));
    return out;
}

// Plain rows must all be inside the block before they are read.
void requireRows(const TInternalDIB& store) {
    if (store.Bits.size() / (store.Stride ? store.Stride : 1) <
            static_cast<std::size_t>(store.Height) ||
        store.Stride == 0)
        throw EDIBInvalidDIB("TInternalDIB.LoadFromStream: Pixel data is shorter than the image");
}

}  // namespace

std::shared_ptr<TInternalDIB> Convert8BitRLETo8BitRGB(const TInternalDIB& store) {
    requireType(store, 8, 1, "Convert8BitRLETo8BitRGB");
    auto out = blankLike(store, 8);
    const RleMessages messages{
        "Convert8BitRLETo8BitRGB: Bad RLE Data 1", "Convert8BitRLETo8BitRGB: Bad RLE Data 2",
        "Convert8BitRLETo8BitRGB: Bad RLE Data 3", "Convert8BitRLETo8BitRGB: Bad RLE Data 4"};
    walkRle(
        store, store.Width, messages, false,
        [&](std::int64_t x, std::int64_t y, int n, std::uint8_t value) {
            std::memset(memoryRow(*out, y) + x, value, static_cast<std::size_t>(n));
        },
        [&](std::int64_t x, std::int64_t y, std::int64_t, const std::uint8_t* bytes,
            std::size_t available) { std::memcpy(memoryRow(*out, y) + x, bytes, available); });
    return out;
}

std::shared_ptr<TInternalDIB> Convert4BitRLETo4BitRGB(const TInternalDIB& store) {
    requireType(store, 4, 2, "Convert4BitRLETo4BitRGB");
    auto out = blankLike(store, 4);
    const RleMessages messages{
        "Convert4BitRLETo4BitRGB: Bad RLE Data 5", "Convert4BitRLETo4BitRGB: Bad RLE Data 6",
        "Convert4BitRLETo4BitRGB: Bad RLE Data 7", "Convert4BitRLETo4BitRGB: Bad RLE Data 8"};
    const std::int64_t evenWidth = (static_cast<std::int64_t>(store.Width) + 1) & ~std::int64_t{1};
    walkRle(
        store, evenWidth, messages, true,
        [&](std::int64_t x, std::int64_t y, int n, std::uint8_t value) {
            std::uint8_t* row = memoryRow(*out, y);
            for (int i = 0; i < n; ++i)
                putNibble(row, x + i, (i & 1) ? (value & 0x0F) : (value >> 4));
        },
        [&](std::int64_t x, std::int64_t y, std::int64_t n, const std::uint8_t* bytes,
            std::size_t available) {
            std::uint8_t* row = memoryRow(*out, y);
            const std::int64_t pixels =
                std::min<std::int64_t>(n, static_cast<std::int64_t>(available) * 2);
            for (std::int64_t i = 0; i < pixels; ++i) {
                const std::uint8_t b = bytes[i >> 1];
                putNibble(row, x + i, (i & 1) ? (b & 0x0F) : (b >> 4));
            }
        });
    return out;
}

std::shared_ptr<TInternalDIB> Convert1BitRGBToTrueColor(const TInternalDIB& store) {
    requireType(store, 1, 0, "Convert1BitRGBToTrueColor");
    requireRows(store);
    return widenIndexed<1>(store);
}

std::shared_ptr<TInternalDIB> Convert4BitRGBToTrueColor(const TInternalDIB& store) {
    requireType(store, 4, 0, "Convert4BitRGBToTrueColor");
    requireRows(store);
    return widenIndexed<4>(store);
}

std::shared_ptr<TInternalDIB> Convert8BitRGBToTrueColor(const TInternalDIB& store) {
    requireType(store, 8, 0, "Convert8BitRGBToTrueColor");
    requireRows(store);
    return widenIndexed<8>(store);
}

void WidenIndexedRow(const std::uint8_t* in, int bitCount, std::size_t width, const RGBQuad* table,
                     std::uint8_t* out) {
    if (bitCount == 8)
        widenRow<8>(in, width, table, out);
    else if (bitCount == 4)
        widenRow<4>(in, width, table, out);
    else
        widenRow<1>(in, width, table, out);
}
