#pragma once

// A BMP file's rows read a few at a time from the file, top row first, at
// 24 bits: the pixels of the picture ReadBMP reads whole and the pixel
// buffer then widens, without holding it. A bottom-up file is read from its
// end. The file's headers go through ReadBMP's own checks, so a file it
// refuses fails here too. RLE files have no rows to seek to; they are read
// whole.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "picture/bmp/bmp_format.h"
#include "picture/reader_limits.h"
#include "picture/system/memory_budget.h"

class BmpRowReader {
public:
    // Reads the headers. EFOpenError when the file cannot be opened, the
    // EDIB* errors and EReadError of ReadBMP for a file it refuses,
    // EOutOfMemory for a declared picture beyond `limits` or a buffer the
    // budget cannot give (then held as long as the reader).
    BmpRowReader(const std::string& fileName, const ReaderLimits& limits);

    int Width() const { return layout_.Header.biWidth; }
    int Height() const { return height_; }
    // False for an RLE file, whose rows this reader does not give.
    bool ReadsRows() const { return readsRows_; }

    // The next `count` rows, rows[i] receiving 3 * Width() bytes (blue,
    // green, red).
    void ReadRows24(std::uint8_t* const* rows, int count);

    // Bytes the reader holds against the budget.
    std::size_t WorkBytes() const { return work_.bytes(); }

private:
    // Reads the file rows holding picture rows first .. first + count - 1.
    void fillBuffer(int first);
    const std::uint8_t* fileRow(int y) const;

    std::ifstream in_;
    BMPLayout layout_;
    int height_ = 0;
    bool readsRows_ = false;
    bool bottomUp_ = true;
    std::size_t stride_ = 0;
    int bufferRows_ = 1;
    int bufferFirst_ = 0;  // picture row of the buffer's first row
    int bufferCount_ = 0;
    std::vector<std::uint8_t> buffer_;  // file rows in file order
    MemoryReservation work_;
    int rowsRead_ = 0;
};
