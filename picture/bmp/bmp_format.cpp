#include "picture/bmp/bmp_format.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>

#include "picture/bmp/bitfields.h"
#include "picture/errors.h"
#include "picture/file_fault.h"
#include "picture/reader_limits.h"
#include "picture/size_limits.h"
#include "picture/system/byte_reader.h"
#include "picture/system/memory_budget.h"

namespace {

constexpr std::uint16_t kBitmapType = 0x4D42;  // "BM"
constexpr std::uint32_t kBitFields = 3;
constexpr std::int64_t kFileHeaderSize = 14;

[[noreturn]] void refuseShortPixels(const std::string& fault) {
    throw WithFault(
        EDIBInvalidDIB("TInternalDIB.LoadFromStream: Pixel data is shorter than the image"),
        "BMP: " + fault);
}

// Little-endian reads from a stream that fail with the stream read error at
// its end; the remaining length is known in advance, so that a size declared
// by the file is checked against the file before memory is taken for it.
// The error says which part of the file was being read.
class StreamReader {
public:
    explicit StreamReader(std::istream& in) : in_(in) {
        const auto here = in_.tellg();
        in_.seekg(0, std::ios::end);
        const auto end = in_.tellg();
        in_.seekg(here);
        if (here < 0 || end < 0 || !in_) throw EReadError();
        position_ = static_cast<std::int64_t>(here);
        end_ = static_cast<std::int64_t>(end);
    }

    std::int64_t remaining() const { return end_ - position_; }
    std::int64_t consumed(std::int64_t start) const { return position_ - start; }
    std::int64_t position() const { return position_; }
    // What is read from here on ("its colour table"), for the error.
    void reading(const char* part) { part_ = part; }

    void read(void* dst, std::size_t n) {
        if (static_cast<std::int64_t>(n) > remaining()) endsEarly();
        in_.read(static_cast<char*>(dst), static_cast<std::streamsize>(n));
        if (static_cast<std::size_t>(in_.gcount()) != n) throw EReadError();
        position_ += static_cast<std::int64_t>(n);
    }
    void skip(std::int64_t n) {
        if (n < 0 || n > remaining()) endsEarly();
        in_.seekg(n, std::ios::cur);
        position_ += n;
    }
    [[noreturn]] void endsEarly() const {
        throw WithFault(EReadError(), std::string("BMP: the file ends inside ") + part_ +
                                          " (it has " + std::to_string(end_) + " bytes)");
    }
    std::uint8_t u8() {
        std::uint8_t b;
        read(&b, 1);
        return b;
    }
    std::uint16_t u16le() {
        std::uint8_t b[2];
        read(b, 2);
        return LoadU16LE(b);
    }
    std::uint32_t u32le() {
        std::uint8_t b[4];
        read(b, 4);
        return LoadU32LE(b);
    }
    std::int32_t i32le() { return static_cast<std::int32_t>(u32le()); }

private:
    std::istream& in_;
    std::int64_t position_ = 0;
    std::int64_t end_ = 0;
    const char* part_ = "its file header";
};

// A packed DIB that ends early is invalid clipboard data.
[[noreturn]] void invalidClipboardData(const std::string&, const char*) {
    throw EDIBInvalidDIB("TDIB.LoadFromClipboardFormat: Invalid Clipboard Data");
}

void putU16(std::uint8_t*& p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p += 2;
}
void putU32(std::uint8_t*& p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
    p += 4;
}

// The 40 bytes of an info header, little-endian.
void encodeInfoHeader(const BitmapInfoHeader& h, std::uint8_t* p) {
    putU32(p, 40);
    putU32(p, static_cast<std::uint32_t>(h.biWidth));
    putU32(p, static_cast<std::uint32_t>(h.biHeight));
    putU16(p, h.biPlanes);
    putU16(p, h.biBitCount);
    putU32(p, h.biCompression);
    putU32(p, h.biSizeImage);
    putU32(p, static_cast<std::uint32_t>(h.biXPelsPerMeter));
    putU32(p, static_cast<std::uint32_t>(h.biYPelsPerMeter));
    putU32(p, h.biClrUsed);
    putU32(p, h.biClrImportant);
}

template <class Reader>
BitmapInfoHeader readInfoHeaderBody(Reader& r) {
    BitmapInfoHeader h;
    h.biSize = 40;
    h.biWidth = r.i32le();
    h.biHeight = r.i32le();
    h.biPlanes = r.u16le();
    h.biBitCount = r.u16le();
    h.biCompression = r.u32le();
    h.biSizeImage = r.u32le();
    h.biXPelsPerMeter = r.i32le();
    h.biYPelsPerMeter = r.i32le();
    h.biClrUsed = r.u32le();
    h.biClrImportant = r.u32le();
    if (h.biXPelsPerMeter == 0) h.biXPelsPerMeter = kDefaultPelsPerMeter;
    if (h.biYPelsPerMeter == 0) h.biYPelsPerMeter = kDefaultPelsPerMeter;
    return h;
}

// The 40-byte header that stands for a 12-byte OS/2 core header.
BitmapInfoHeader headerFromCore(std::uint16_t width, std::uint16_t height, std::uint16_t planes,
                                std::uint16_t bitCount) {
    BitmapInfoHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = planes;
    h.biBitCount = bitCount;
    h.biCompression = 0;
    h.biSizeImage = 0;
    h.biXPelsPerMeter = kDefaultPelsPerMeter;
    h.biYPelsPerMeter = kDefaultPelsPerMeter;
    h.biClrUsed = bitCount <= 8 ? (1u << bitCount) : 0;
    h.biClrImportant = 0;
    return h;
}

void checkWidthAndHeight(const BitmapInfoHeader& h) {
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) {
        throw WithFault(EDIBInvalidDIB("TInternalDIB.LoadFromStream: Invalid Width or Height"),
                        "BMP: a picture of width " + std::to_string(h.biWidth) + " and height " +
                            std::to_string(h.biHeight) +
                            " (the width must be positive, the height not 0)");
    }
}

std::int64_t rowCount(const BitmapInfoHeader& h) {
    return h.biHeight < 0 ? -static_cast<std::int64_t>(h.biHeight) : h.biHeight;
}

// Bytes the rows of an uncompressed picture need; -1 when they cannot be held.
std::int64_t uncompressedBytes(const BitmapInfoHeader& h) {
    const std::size_t stride = dibStride(h.biWidth, h.biBitCount);
    const std::int64_t rows = rowCount(h);
    if (stride == 0 || !mulSizesValid(stride, static_cast<std::size_t>(rows))) return -1;
    const std::size_t bytes = stride * static_cast<std::size_t>(rows);
    return bytes > static_cast<std::size_t>(INT64_MAX) ? -1 : static_cast<std::int64_t>(bytes);
}

// A block of `blockSize` bytes is enough for the picture's rows: uncompressed
// rows must all be there; an RLE stream may be of any length.
void checkPixelBlock(const BitmapInfoHeader& h, std::int64_t blockSize) {
    if (blockSize < 0)
        refuseShortPixels("the declared file size ends before the pixel data starts");
    if (h.biCompression == 0) {
        const std::int64_t needed = uncompressedBytes(h);
        if (needed < 0 || blockSize < needed) {
            refuseShortPixels("the pixel data has " + std::to_string(blockSize) + " bytes; " +
                              std::to_string(h.biWidth) + " x " + std::to_string(rowCount(h)) +
                              " pixels at " + std::to_string(h.biBitCount) + " bits need " +
                              (needed < 0 ? std::string("more") : std::to_string(needed)));
        }
    }
}

std::shared_ptr<TInternalDIB> newStore(const BitmapInfoHeader& h) {
    auto store = std::make_shared<TInternalDIB>();
    store->Header = h;
    return store;
}

// The 24-bit store for a 16- or 32-bit picture, its rows converted from `src`.
std::shared_ptr<TInternalDIB> widenBitFields(const BitmapInfoHeader& h, const BitFieldMasks& masks,
                                             const std::uint8_t* src, const RGBQuad* colors) {
    CheckBitFieldMasks(masks);
    const std::int64_t rows = rowCount(h);
    const std::size_t targetBytes = checkedPictureBytes(h.biWidth, rows, 24);
    auto store = newStore(h);
    store->Header.biBitCount = 24;
    store->Header.biCompression = 0;
    store->Header.biSizeImage = 0;
    std::memcpy(store->ColorTable.data(), colors, sizeof(RGBQuad) * 256);
    store->Bits = PixelBlock(targetBytes);
    ConvertBitFieldRows(src, dibStride(h.biWidth, h.biBitCount), h.biWidth, static_cast<int>(rows),
                        h.biBitCount, masks, store->Bits.data(), dibStride(h.biWidth, 24));
    store->UpdateLayout();
    return store;
}

[[noreturn]] void refuseOffset(std::int64_t offset, std::int64_t minimum) {
    throw WithFault(EDIBInvalidDIB("TInternalDIB.LoadFromFile: bfOffBits is too small"),
                    "BMP: the pixel data offset " + std::to_string(offset) +
                        " lies inside the headers and colour table, which end at byte " +
                        std::to_string(minimum));
}

// "a bitmap header of 124 bytes (version 5)".
std::string describeHeaderSize(std::uint32_t size) {
    std::string version;
    switch (size) {
        case 16:
        case 64:
            version = " (OS/2 version 2)";
            break;
        case 52:
            version = " (version 2)";
            break;
        case 56:
            version = " (version 3)";
            break;
        case 108:
            version = " (version 4)";
            break;
        case 124:
            version = " (version 5)";
            break;
        default:
            break;
    }
    return "a bitmap header of " + std::to_string(size) + " bytes" + version;
}

}  // namespace

namespace {

// The headers and colour table, up to the pixel data, and the checks that
// the pixel data is all in the stream.
BMPLayout readLayout(StreamReader& r) {
    const std::int64_t start = r.position();

    // File header.
    const std::uint16_t type = r.u16le();
    const std::uint32_t bfSize = r.u32le();
    r.u16le();
    r.u16le();
    const std::uint32_t bfOffBits = r.u32le();
    if (type != kBitmapType) {
        throw WithFault(EDIBInvalidDIBFile("TInternalDIB.LoadFromFile: File type is invalid"),
                        "BMP: the file does not start with \"BM\"");
    }

    r.reading("its bitmap header");
    const std::uint32_t headerSize = r.u32le();
    BitmapInfoHeader h;
    BitFieldMasks masks;
    std::array<RGBQuad, 256> colors{};
    if (headerSize == 40) {
        h = readInfoHeaderBody(r);
        const int bc = h.biBitCount;
        if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) {
            throw WithFault(
                EDIBInvalidDIB("TInternalDIB.LoadFromStream: Invalid BitCout"),
                "BMP: bit count " + std::to_string(bc) + " is not 1, 4, 8, 16, 24 or 32");
        }
        if (h.biClrUsed == 0 && bc <= 8) h.biClrUsed = 1u << bc;
        const bool bitFields = h.biCompression == kBitFields;
        r.reading("its colour masks");
        if (bitFields) {
            masks.red = r.u32le();
            masks.green = r.u32le();
            masks.blue = r.u32le();
        } else {
            masks = DefaultBitFieldMasks(bc);
        }
        // Only the first 256 colours are kept; the rest are skipped in the file.
        r.reading("its colour table");
        const std::uint32_t kept = h.biClrUsed < 256 ? h.biClrUsed : 256;
        for (std::uint32_t i = 0; i < kept; ++i) {
            std::uint8_t q[4];
            r.read(q, 4);
            colors[i] = RGBQuad{q[0], q[1], q[2], q[3]};
        }
        r.skip(4 * static_cast<std::int64_t>(h.biClrUsed - kept));
        const std::int64_t minimumOffset = kFileHeaderSize + 40 +
                                           4 * static_cast<std::int64_t>(h.biClrUsed) +
                                           (bitFields ? 12 : 0);
        if (bfOffBits < minimumOffset) refuseOffset(bfOffBits, minimumOffset);
        r.reading("the gap before its pixel data");
        r.skip(bfOffBits - r.consumed(start));
        h.biClrUsed = kept;
    } else if (headerSize == 12) {
        const std::uint16_t width = r.u16le();
        const std::uint16_t height = r.u16le();
        const std::uint16_t planes = r.u16le();
        const std::uint16_t bc = r.u16le();
        if (bc != 1 && bc != 4 && bc != 8 && bc != 24) {
            throw WithFault(
                EDIBInvalidDIB("TInternalDIB.LoadFromStream: Invalid BitCount"),
                "BMP: bit count " + std::to_string(bc) + " is not 1, 4, 8 or 24 (OS/2 header)");
        }
        h = headerFromCore(width, height, planes, bc);
        r.reading("its colour table");
        for (std::uint32_t i = 0; i < h.biClrUsed; ++i) {
            std::uint8_t t[3];
            r.read(t, 3);
            colors[i] = RGBQuad{t[0], t[1], t[2], 0};
        }
        const std::int64_t minimumOffset =
            kFileHeaderSize + 12 + 3 * static_cast<std::int64_t>(h.biClrUsed);
        if (bfOffBits < minimumOffset) refuseOffset(bfOffBits, minimumOffset);
        r.reading("the gap before its pixel data");
        r.skip(bfOffBits - r.consumed(start));
    } else {
        throw WithFault(EDIBInvalidDIB("TInternalDIB.LoadFromStream: Invalid Bitmap Header Size"),
                        "BMP: " + describeHeaderSize(headerSize) +
                            " is not supported; this reader takes the 40-byte Windows header "
                            "and the 12-byte OS/2 one");
    }
    checkWidthAndHeight(h);
    r.reading("its pixel data");

    BMPLayout layout;
    if (h.biBitCount == 16 || h.biBitCount == 32) {
        const std::int64_t sourceBytes = uncompressedBytes(h);
        if (sourceBytes < 0) refuseShortPixels("its rows cannot be counted");
        if (sourceBytes > r.remaining()) r.endsEarly();
        layout.PixelBytes = sourceBytes;
    } else {
        const std::int64_t blockSize =
            static_cast<std::int64_t>(bfSize) - static_cast<std::int64_t>(bfOffBits);
        checkPixelBlock(h, blockSize);
        if (blockSize > r.remaining()) r.endsEarly();
        layout.PixelBytes = blockSize;
    }
    layout.Header = h;
    layout.Masks = masks;
    layout.Colors = colors;
    layout.PixelOffset = r.position();
    return layout;
}

}  // namespace

BMPLayout ReadBMPLayout(std::istream& in) {
    StreamReader r(in);
    return readLayout(r);
}

std::shared_ptr<TInternalDIB> ReadBMP(std::istream& in, const ReaderLimits& limits) {
    StreamReader r(in);
    const BMPLayout layout = readLayout(r);
    const BitmapInfoHeader& h = layout.Header;
    if (h.biBitCount == 16 || h.biBitCount == 32) {
        checkDeclaredPictureSize(h.biWidth, rowCount(h), limits, 24,
                                 static_cast<std::size_t>(layout.PixelBytes));
        PixelBlock source(static_cast<std::size_t>(layout.PixelBytes));
        r.read(source.data(), source.size());
        return widenBitFields(h, layout.Masks, source.data(), layout.Colors.data());
    }
    // Every picture read is widened to 24 bits (RLE decoded first) while it
    // is held: a few bytes of RLE may stand for gigabytes of pixels.
    checkDeclaredPictureSize(h.biWidth, rowCount(h), limits, h.biBitCount);
    auto store = newStore(h);
    store->ColorTable = layout.Colors;
    store->Bits = PixelBlock(static_cast<std::size_t>(layout.PixelBytes));
    r.read(store->Bits.data(), store->Bits.size());
    store->UpdateLayout();
    return store;
}

std::uint64_t BMPFileSize(std::uint64_t colorsUsed, std::uint64_t pixelBytes) {
    return kFileHeaderSize + 40 + 4 * colorsUsed + pixelBytes;
}

void CheckBMPFileSize(std::int64_t width, std::int64_t height, std::uint64_t colorsUsed,
                      std::uint64_t pixelBytes) {
    const std::uint64_t fileSize = BMPFileSize(colorsUsed, pixelBytes);
    if (fileSize > UINT32_MAX) {
        throw EDIBError("BMP cannot hold a picture of " + std::to_string(width) + " x " +
                        std::to_string(height) + " pixels: the file would be " +
                        std::to_string(fileSize) +
                        " bytes, more than the 4 GiB its size field can count");
    }
}

namespace {

// The file header, the info header as stored and the first colours-used
// colour-table entries of a file whose pixel block has `blockSize` bytes;
// returns the pixel block's offset in the file. A file its size field cannot
// count is refused before a byte is written.
std::uint64_t writeHeaders(std::ostream& out, const BitmapInfoHeader& header,
                           const RGBQuad* colorTable, std::uint64_t blockSize) {
    const std::uint32_t colors = header.biClrUsed;
    CheckBMPFileSize(header.biWidth,
                     header.biHeight < 0 ? -std::int64_t{header.biHeight} : header.biHeight, colors,
                     blockSize);
    const std::uint64_t offBits = kFileHeaderSize + 40 + 4 * static_cast<std::uint64_t>(colors);
    const std::uint64_t fileSize = BMPFileSize(colors, blockSize);

    std::uint8_t headers[54];
    std::uint8_t* p = headers;
    putU16(p, kBitmapType);
    putU32(p, static_cast<std::uint32_t>(fileSize));
    putU16(p, 0);
    putU16(p, 0);
    putU32(p, static_cast<std::uint32_t>(offBits));
    encodeInfoHeader(header, p);
    out.write(reinterpret_cast<const char*>(headers), sizeof headers);
    out.write(reinterpret_cast<const char*>(colorTable), static_cast<std::streamsize>(4 * colors));
    return offBits;
}

}  // namespace

void WriteBMP(const TInternalDIB& store, std::ostream& out) {
    writeHeaders(out, store.Header, store.ColorTable.data(), store.Bits.size());
    out.write(reinterpret_cast<const char*>(store.Bits.data()),
              static_cast<std::streamsize>(store.Bits.size()));
    if (!out) throw EWriteError();
}

BmpRowWriter::BmpRowWriter(std::ostream& out, const BitmapInfoHeader& header,
                           const RGBQuad* colorTable, bool rowsTopFirst, int rowsPerWrite)
    : out_(out) {
    const bool valid = header.biWidth > 0 && header.biHeight != 0 && header.biHeight != INT32_MIN &&
                       header.biCompression == 0 &&
                       (header.biBitCount == 1 || header.biBitCount == 4 ||
                        header.biBitCount == 8 || header.biBitCount == 24);
    if (!valid) throw EDIBInvalidDIBPara("TInternalDIB.CreateDIB: Invalid Parameters");
    height_ = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    stride_ = dibStride(header.biWidth, header.biBitCount);
    rowBytes_ = (static_cast<std::size_t>(header.biWidth) * header.biBitCount + 7) / 8;
    // A bottom-up file stores the bottom row first: rows made top first then
    // fill the file from its end.
    const bool fileTopFirst = header.biHeight < 0;
    reversed_ = fileTopFirst != rowsTopFirst;
    if (stride_ == 0 || !mulSizesValid(stride_, static_cast<std::size_t>(height_)))
        throw EOutOfMemory();
    const std::size_t blockSize = stride_ * static_cast<std::size_t>(height_);
    capacity_ = std::max(1, std::min(rowsPerWrite, height_));
    buffer_ = PixelBlock(static_cast<std::size_t>(capacity_) * stride_);
    offBits_ = writeHeaders(out, header, colorTable, blockSize);
    if (!out) throw EWriteError();
}

void BmpRowWriter::WriteRow(const std::uint8_t* row) {
    if (rowsWritten_ + pending_ >= height_) throw EDIBInvalidDIBPara("BMP: rows past the picture");
    const int slot = reversed_ ? capacity_ - 1 - pending_ : pending_;
    std::memcpy(buffer_.data() + static_cast<std::size_t>(slot) * stride_, row, rowBytes_);
    if (++pending_ == capacity_) flush();
}

void BmpRowWriter::flush() {
    if (pending_ == 0) return;
    const std::size_t bytes = static_cast<std::size_t>(pending_) * stride_;
    const std::uint8_t* from = buffer_.data();
    if (reversed_) {
        // Rows rowsWritten_ .. + pending_ - 1 (in the order made) lie at file
        // rows height - rowsWritten_ - pending_ .. height - rowsWritten_ - 1.
        from += static_cast<std::size_t>(capacity_ - pending_) * stride_;
        const std::uint64_t fileRow = static_cast<std::uint64_t>(height_ - rowsWritten_ - pending_);
        out_.seekp(static_cast<std::streamoff>(offBits_ + fileRow * stride_));
    }
    out_.write(reinterpret_cast<const char*>(from), static_cast<std::streamsize>(bytes));
    if (!out_) throw EWriteError();
    rowsWritten_ += pending_;
    pending_ = 0;
}

void BmpRowWriter::Finish() {
    flush();
    if (rowsWritten_ != height_) throw EDIBInvalidDIBPara("BMP: finished before the last row");
    if (reversed_) out_.seekp(0, std::ios::end);
    if (!out_) throw EWriteError();
}

std::shared_ptr<TInternalDIB> ReadPackedDIB(const std::uint8_t* block, std::size_t size) {
    ByteReader r(block, size, "packed DIB", &invalidClipboardData);
    const std::uint32_t headerSize = r.u32le();
    BitmapInfoHeader h;
    BitFieldMasks masks;
    std::array<RGBQuad, 256> colors{};
    if (headerSize == 40) {
        h = readInfoHeaderBody(r);
        const int bc = h.biBitCount;
        std::uint64_t count = h.biClrUsed;
        if (count == 0) count = bc <= 8 ? (1u << bc) : 0;
        if (h.biCompression == kBitFields) {
            masks.red = r.u32le();
            masks.green = r.u32le();
            masks.blue = r.u32le();
        } else {
            masks = DefaultBitFieldMasks(bc);
        }
        const std::uint64_t kept = count < 256 ? count : 256;
        std::memcpy(colors.data(), r.peek(4 * kept), 4 * kept);
        // The pixels follow the whole colour table, however long it is.
        if (4 * count > r.remaining())
            throw EDIBInvalidDIB("TDIB.LoadFromClipboardFormat: Invalid Clipboard Data");
        r.skip(4 * count);
        h.biClrUsed = static_cast<std::uint32_t>(kept);
    } else if (headerSize == 12) {
        const std::uint16_t width = r.u16le();
        const std::uint16_t height = r.u16le();
        const std::uint16_t planes = r.u16le();
        const std::uint16_t bc = r.u16le();
        if (bc != 1 && bc != 4 && bc != 8 && bc != 24)
            throw EDIBInvalidDIB("TInternalDIB.LoadFromClipboardFormat: Invalid biBitCount");
        h = headerFromCore(width, height, planes, bc);
        const std::uint8_t* table = r.peek(3 * static_cast<std::size_t>(h.biClrUsed));
        for (std::uint32_t i = 0; i < h.biClrUsed; ++i) {
            const std::uint8_t* t = table + 3 * i;
            colors[i] = RGBQuad{t[0], t[1], t[2], 0};
        }
        r.skip(3 * static_cast<std::size_t>(h.biClrUsed));
    } else {
        throw EDIBInvalidDIB("TDIB.LoadFromClipboardFormat: Invalid Clipboard Data");
    }
    checkWidthAndHeight(h);

    const int bc = h.biBitCount;
    if (bc == 16 || bc == 32) {
        const std::int64_t sourceBytes = uncompressedBytes(h);
        if (sourceBytes < 0 || static_cast<std::uint64_t>(sourceBytes) > r.remaining())
            refuseShortPixels("the pixel data is shorter than its rows");
        return widenBitFields(h, masks, r.peek(r.remaining()), colors.data());
    }
    if (bc != 1 && bc != 4 && bc != 8 && bc != 24)
        throw EDIBInvalidDIB("TInternalDIB.LoadFromClipboardFormat: Invalid biBitCount");
    const std::int64_t blockSize = static_cast<std::int64_t>(r.remaining());
    checkPixelBlock(h, blockSize);
    auto store = newStore(h);
    store->ColorTable = colors;
    store->Bits = PixelBlock::copyOf(r.peek(r.remaining()), r.remaining());
    store->UpdateLayout();
    return store;
}

std::vector<std::uint8_t> WritePackedDIB(const TInternalDIB& store) {
    const std::size_t colors = store.Header.biClrUsed;
    const std::size_t size = 40 + 4 * colors + store.Bits.size();
    // A copy of the whole picture, for the clipboard: asked of the budget
    // before it is taken.
    RequireMemory(size, "The clipboard's copy of the picture");
    std::vector<std::uint8_t> block(size);
    encodeInfoHeader(store.Header, block.data());
    std::memcpy(block.data() + 40, store.ColorTable.data(), 4 * colors);
    if (!store.Bits.empty())
        std::memcpy(block.data() + 40 + 4 * colors, store.Bits.data(), store.Bits.size());
    return block;
}
