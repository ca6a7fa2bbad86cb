#pragma once

// PNG pictures, read and written by our own code over zlib.
//
// Reading takes every standard colour type and depth, all five row filters
// and Adam7 interlacing. Only IHDR, PLTE, IDAT and IEND are read; every
// other chunk is skipped and chunk CRCs are not checked. Transparency (alpha
// channels, tRNS) never reaches the picture, and 16-bit samples keep their
// high byte. The picture is:
//   greyscale 1, 4, 8        same depth, greys rising evenly from 0 to 255
//   greyscale 2              4 bits, palette 0, 85, 170, 255
//   greyscale 16             8 bits, 256 greys
//   greyscale + alpha        24 bits, the grey in all three channels
//   truecolour (+ alpha)     24 bits
//   indexed 1, 4, 8          same depth with the PLTE colours
//   indexed 2                4 bits with the PLTE colours
//
// Writing gives IHDR, PLTE (whenever the picture has a colour table, also
// for 24 bits), the rows with filter byte 0 in one zlib stream (level 6,
// 32 KB window, memory level 8, default strategy) cut into IDAT chunks of
// exactly 32768 bytes but the last, and IEND.

#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "picture/decoded_picture.h"
#include "picture/dib.h"
#include "picture/png/png_errors.h"
#include "picture/reader_limits.h"

class TPNGPicture {
public:
    TPNGPicture() = default;

    // Reads the file. Fails with EPNGError for a file that is not a readable
    // PNG, EReadError for one that ends before IEND, EOutOfMemory for a
    // picture too large to hold; the picture then stays as it was.
    void LoadFromFile(const std::string& fileName);
    void LoadFromBytes(const std::uint8_t* data, std::size_t size);
    void LoadFromStream(std::istream& stream);

    void SetLimits(const ReaderLimits& limits) { limits_ = limits; }

    const DecodedPicture& Bitmap() const { return bitmap_; }
    // Hands the decoded rows over without a copy.
    DecodedPicture TakeBitmap() { return std::move(bitmap_); }

    // The picture to write: 1, 4, 8 and 24 bits are written at their own
    // depth (RLE pictures decoded first).
    void Assign(const TDIB& picture);
    // Writes beside the target and renames over it only when complete.
    void SaveToFile(const std::string& fileName, SaveMode mode = SaveMode::Replace) const;
    void SaveToStream(std::ostream& stream) const;

private:
    ReaderLimits limits_;
    DecodedPicture bitmap_;
    TDIB toWrite_;
    bool hasPictureToWrite_ = false;
};

// True when the file starts with the 8-byte PNG signature; the reader
// refuses anything else at once.
bool PNGHasSignature(const std::uint8_t* data, std::size_t size);

// The reader and writer behind TPNGPicture.
DecodedPicture ReadPNG(const std::uint8_t* data, std::size_t size, const ReaderLimits& limits);
// Writes a picture of 1, 4, 8 (uncompressed) or 24 bits per pixel; others
// fail with EPNGError "not support BitCount".
void WritePNG(const TDIB& picture, std::ostream& out);
