#pragma once

// BMP files and the clipboard's packed DIB, read into and written from the
// pixel store. 1-, 4-, 8- and 24-bit pixels are kept as they stand (RLE stays
// compressed); 16- and 32-bit pixels are widened to 24 bits while reading.

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "picture/bmp/bitfields.h"
#include "picture/internal_dib.h"
#include "picture/reader_limits.h"

// Reads a BMP file (14-byte file header, 40- or 12-byte info header). Fails
// with the EDIB* errors of the format, EReadError on a short file, and
// EOutOfMemory for a picture beyond `limits` or the memory budget.
std::shared_ptr<TInternalDIB> ReadBMP(std::istream& in,
                                      const ReaderLimits& limits = ReaderLimits());

// What ReadBMP finds before the pixels.
struct BMPLayout {
    BitmapInfoHeader Header;  // biClrUsed: the colours kept, at most 256
    BitFieldMasks Masks;      // of 16- and 32-bit pixels
    std::array<RGBQuad, 256> Colors{};
    std::int64_t PixelOffset = 0;  // where the pixel data starts in the stream
    std::int64_t PixelBytes = 0;   // the rows' bytes (16 and 32 bits), else the declared block's
};

// Reads the headers and colour table and checks, as ReadBMP does with the
// same errors, that the pixel data is all in the stream; leaves the stream
// at the pixel data. Takes no memory for the pixels.
BMPLayout ReadBMPLayout(std::istream& in);

// Writes the store as a BMP file: file header, the 40-byte header as stored,
// the first colours-used colour entries, the pixel block as stored. A file
// its 32-bit size field cannot count is refused (CheckBMPFileSize) before a
// byte is written.
void WriteBMP(const TInternalDIB& store, std::ostream& out);

// Bytes of the BMP file of a picture with `colorsUsed` colour entries and a
// pixel block of `pixelBytes`.
std::uint64_t BMPFileSize(std::uint64_t colorsUsed, std::uint64_t pixelBytes);

// Throws EDIBError naming the picture (width x height) when its BMP file
// would be larger than the file header's 32-bit size field can count.
void CheckBMPFileSize(std::int64_t width, std::int64_t height, std::uint64_t colorsUsed,
                      std::uint64_t pixelBytes);

// A BMP file written a row at a time, with the header and colour table
// given: what WriteBMP writes for a store with that header, its rows made
// one after the other, padding bytes zero. Each row goes to its own place in
// the pixel block: when rows come in the file's order (bottom first for the
// usual bottom-up file) they are simply appended; when they come the other
// way, gathered rows are written at their place, so `out` must then be able
// to seek, also past its end. Uncompressed 1, 4, 8 and 24 bits.
class BmpRowWriter {
public:
    // Writes the headers. `rowsTopFirst`: the order the rows will come in;
    // up to `rowsPerWrite` rows are gathered per write.
    BmpRowWriter(std::ostream& out, const BitmapInfoHeader& header, const RGBQuad* colorTable,
                 bool rowsTopFirst, int rowsPerWrite);
    BmpRowWriter(const BmpRowWriter&) = delete;
    BmpRowWriter& operator=(const BmpRowWriter&) = delete;

    // The next row, (width * bit count + 7) / 8 bytes. EWriteError when the
    // stream fails.
    void WriteRow(const std::uint8_t* row);
    // After the last row: writes what is gathered and leaves the stream at
    // the file's end.
    void Finish();

private:
    void flush();

    std::ostream& out_;
    int height_ = 0;
    std::size_t stride_ = 0;
    std::size_t rowBytes_ = 0;
    bool reversed_ = false;  // rows come in the opposite of the file's order
    std::uint64_t offBits_ = 0;
    int capacity_ = 1;
    int pending_ = 0;
    int rowsWritten_ = 0;
    PixelBlock buffer_;
};

// Reads a packed DIB (info header, masks, colours, pixels in one block).
std::shared_ptr<TInternalDIB> ReadPackedDIB(const std::uint8_t* block, std::size_t size);

// Header, the first colours-used colour entries and the pixel block.
std::vector<std::uint8_t> WritePackedDIB(const TInternalDIB& store);
