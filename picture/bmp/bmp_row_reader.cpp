#include "picture/bmp/bmp_row_reader.h"

#include <algorithm>
#include <cstring>

#include "picture/dib_conversions.h"
#include "picture/errors.h"
#include "picture/size_limits.h"
#include "picture/system/file_io.h"

namespace {

// Bytes of file rows read at a time.
constexpr std::size_t kBufferBytes = 256 * 1024;

bool rowsCanBeRead(const BitmapInfoHeader& h) {
    switch (h.biBitCount) {
        case 16:
        case 32:
            return true;  // read as rows whatever the compression says, as ReadBMP does
        case 1:
        case 4:
        case 8:
        case 24:
            return h.biCompression == 0;
        default:
            return false;
    }
}

}  // namespace

BmpRowReader::BmpRowReader(const std::string& fileName, const ReaderLimits& limits)
    : in_(OpenForReading(fileName)), layout_(ReadBMPLayout(in_)) {
    const BitmapInfoHeader& h = layout_.Header;
    height_ =
        static_cast<int>(h.biHeight < 0 ? -static_cast<std::int64_t>(h.biHeight) : h.biHeight);
    readsRows_ = rowsCanBeRead(h);
    if (!readsRows_) return;
    if (h.biBitCount == 16 || h.biBitCount == 32) CheckBitFieldMasks(layout_.Masks);
    bottomUp_ = h.biHeight > 0;
    stride_ = dibStride(h.biWidth, h.biBitCount);
    bufferRows_ = static_cast<int>(
        std::clamp<std::size_t>(kBufferBytes / stride_, 1, static_cast<std::size_t>(height_)));
    const std::size_t bufferBytes = stride_ * static_cast<std::size_t>(bufferRows_);
    checkDeclaredRowReading(h.biWidth, height_, limits, bufferBytes);
    work_ = ReserveMemory(bufferBytes, "The BMP reader's rows");
    buffer_.resize(bufferBytes);
    work_.markTaken();
}

void BmpRowReader::fillBuffer(int first) {
    const int count = std::min(bufferRows_, height_ - first);
    // The file row of the picture row nearest the file's start.
    const int firstFileRow = bottomUp_ ? height_ - first - count : first;
    in_.seekg(
        static_cast<std::streamoff>(layout_.PixelOffset + static_cast<std::int64_t>(firstFileRow) *
                                                              static_cast<std::int64_t>(stride_)));
    const std::size_t bytes = stride_ * static_cast<std::size_t>(count);
    in_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(bytes));
    if (static_cast<std::size_t>(in_.gcount()) != bytes) throw EReadError();
    bufferFirst_ = first;
    bufferCount_ = count;
}

const std::uint8_t* BmpRowReader::fileRow(int y) const {
    const int inBuffer = bottomUp_ ? bufferCount_ - 1 - (y - bufferFirst_) : y - bufferFirst_;
    return buffer_.data() + stride_ * static_cast<std::size_t>(inBuffer);
}

void BmpRowReader::ReadRows24(std::uint8_t* const* rows, int count) {
    if (!readsRows_ || rowsRead_ + count > height_)
        throw EDIBInvalidDIB("BmpRowReader: rows past the picture");
    const BitmapInfoHeader& h = layout_.Header;
    const int width = h.biWidth;
    const int bits = h.biBitCount;
    for (int r = 0; r < count; ++r, ++rowsRead_) {
        if (rowsRead_ >= bufferFirst_ + bufferCount_) fillBuffer(rowsRead_);
        const std::uint8_t* in = fileRow(rowsRead_);
        std::uint8_t* out = rows[r];
        if (bits == 24) {
            std::memcpy(out, in, 3 * static_cast<std::size_t>(width));
        } else if (bits == 16 || bits == 32) {
            ConvertBitFieldRows(in, stride_, width, 1, bits, layout_.Masks, out,
                                3 * static_cast<std::size_t>(width));
        } else {
            WidenIndexedRow(in, bits, static_cast<std::size_t>(width), layout_.Colors.data(), out);
        }
    }
}
