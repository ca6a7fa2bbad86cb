#pragma once

// GIF pictures, read and written by our own code.
//
// Reading accepts GIF87a and GIF89a: the signature "GIF" in any letter case
// at the start of the file or after 4 leading bytes; zero bytes between
// blocks are skipped; reading stops at the trailer, at the end of the file or
// at a byte that starts no known block, keeping what was read. Every block
// of the file is read, but only the first frame becomes the picture:
//   - a first frame of exactly the logical screen's size gives an 8-bit
//     picture of its pixels with its active colour table (local, else
//     global, else 256 greys), the transparent index keeping its colour;
//   - any other first frame is drawn at its offset onto a picture of the
//     screen's size with that table; pixels of the transparent index are not
//     drawn, and what is not drawn keeps index 0.
// Image data that ends early leaves the rest of the frame at index 0; a code
// the LZW table does not hold makes the file unreadable. Later frames are
// read as blocks but not decoded. A file without any frame is refused:
// there is no picture in it.
//
// Writing produces a single-frame GIF87a of an 8-bit picture: no global
// table, a 256-entry local table (the picture's colours, then black), LZW
// with minimum code size 8, sub-blocks of up to 255 bytes, the trailer.

#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "picture/decoded_picture.h"
#include "picture/dib.h"
#include "picture/gif/gif_errors.h"
#include "picture/reader_limits.h"

class BudgetedBytes;

class TGIFPicture {
public:
    TGIFPicture() = default;

    // Reads the file. Fails with EGIFError for a file that is not a GIF or
    // whose first frame cannot be decoded, EReadError for one that ends
    // inside a block, EOutOfMemory for a picture too large to hold; the
    // picture then stays as it was.
    void LoadFromFile(const std::string& fileName);
    void LoadFromBytes(const std::uint8_t* data, std::size_t size);
    void LoadFromStream(std::istream& stream);

    void SetLimits(const ReaderLimits& limits) { limits_ = limits; }

    // Frames in the file read last.
    int FrameCount() const { return frameCount_; }
    // The first frame as a picture (see above).
    const DecodedPicture& Bitmap() const { return bitmap_; }
    // Hands the first frame's rows over without a copy.
    DecodedPicture TakeBitmap();

    // The picture to write. An 8-bit picture is written with its own palette
    // and indices; any other is first reduced to 256 colours on a copy.
    void Assign(const TDIB& picture);
    // Writes beside the target and renames over it only when complete.
    // A picture wider or taller than 65535 pixels, which the format's 16-bit
    // fields cannot hold, is refused with EGIFError before anything is written.
    void SaveToFile(const std::string& fileName, SaveMode mode = SaveMode::Replace) const;
    void SaveToStream(std::ostream& stream) const;
    std::vector<std::uint8_t> SaveToBytes() const;

private:
    void write(BudgetedBytes& file) const;

    ReaderLimits limits_;
    DecodedPicture bitmap_;
    int frameCount_ = 0;
    TDIB toWrite_;
    bool hasPictureToWrite_ = false;
};

struct GIFReadResult {
    DecodedPicture firstFrame;
    int frameCount = 0;
};

// True when the first bytes carry the signature the reader accepts ("GIF" in
// any letter case, at the start or after 4 leading bytes); the reader
// refuses anything else at once.
bool GIFHasSignature(const std::uint8_t* data, std::size_t size);

// The reader and writer behind TGIFPicture.
GIFReadResult ReadGIF(const std::uint8_t* data, std::size_t size, const ReaderLimits& limits);
// Writes an 8-bit picture (PixelFormat8Bit) as described above.
std::vector<std::uint8_t> WriteGIF(const TDIB& picture8);
// The same into `file`; the file's bytes, the code stream and the coder's
// tables are held against the memory budget, whose refusal is thrown when
// they cannot be had.
void WriteGIF(const TDIB& picture8, BudgetedBytes& file);
// What the file's bytes are called in a refusal.
constexpr const char* kGifFile = "The GIF file";
// Throws the writer's EGIFError for a picture wider or taller than 65535.
void CheckGIFSize(int width, int height);
