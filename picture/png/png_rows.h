#pragma once

// The parts of PNG reading shared by the reader of whole files and the row
// decoder: the header, the inflate stream over the IDAT data, the row
// filters and the placing of a decoded row into a picture row. Both readers
// go through these, so a row comes out the same whichever of them reads it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/decoded_picture.h"
#include "picture/png/png_inflater.h"

namespace png_rows {

enum ColorBase { kGrey = 0, kTruecolour = 2, kIndexed = 3 };

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int depth = 0;
    int base = kGrey;  // colour type without its alpha bit
    bool alpha = false;
    bool interlaced = false;

    int channels() const {
        const int colour = base == kTruecolour ? 3 : 1;
        return colour + (alpha ? 1 : 0);
    }
    // Depth of the picture handed to the pixel buffer.
    int pictureDepth() const {
        if (base == kTruecolour || alpha) return 24;
        if (depth == 16) return 8;
        if (depth == 2) return 4;
        return depth;
    }
    std::size_t bitsPerPixel() const { return static_cast<std::size_t>(channels() * depth); }
};

bool isType(const std::uint8_t* type, const char* name);

// "chunk IDAT", or a chunk whose type is no name at all.
std::string chunkName(const std::uint8_t* type);

// The reader's error with the program's message and what is wrong in the file.
[[noreturn]] void refuse(const char* message, const std::string& fault);

Header parseHeader(const std::uint8_t* d, std::uint32_t length);

// The checks on a PLTE chunk of `length` bytes; its colours when it passes.
std::vector<RGBQuad> parsePalette(const std::uint8_t* body, std::uint32_t length, bool haveHeader,
                                  bool havePalette);

// The widest row of the file's data, filter byte included.
std::size_t rowBytesOf(const Header& h);

// The colour table a grey picture of this depth gets.
std::vector<RGBQuad> greyPalette(int depth);

// The colour table of the picture: the PLTE colours, or the greys.
std::vector<RGBQuad> pictureColors(const Header& h, const std::vector<RGBQuad>& palette);

// Undoes the row filter in place; `previous` is the row above in the same
// pass (zeros for the first row).
void unfilter(int filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
              std::size_t bpp);

// Writes one decoded row of a pass (count pixels) into the picture row,
// pixel i at x = x0 + i * dx.
void placeRow(const Header& h, const std::uint8_t* src, std::size_t count, std::uint8_t* dst,
              int x0, int dx);

}  // namespace png_rows
