#pragma once

// A PNG file decoded a few rows at a time from the file, which is never held
// whole: the chunks are walked as the whole-file reader walks them, through
// the same inflate, filters and row placing, so the rows are those of the
// picture read whole, widened to 24 bits as the pixel buffer widens it, and
// a file that reader refuses fails here too (with messages that may differ;
// a caller that must show the reader's own leaves such a file to it).
// Interlaced files are not decoded in rows: their passes each cover the
// whole picture.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "picture/reader_limits.h"

class PngRowDecoder {
public:
    // Reads the chunks before the image data. EFOpenError when the file
    // cannot be opened, EPNGError or EReadError for one the reader refuses
    // there, EOutOfMemory for a declared picture beyond `limits` or work
    // space the budget cannot give, which is held from then on.
    PngRowDecoder(const std::string& fileName, const ReaderLimits& limits);
    ~PngRowDecoder();
    PngRowDecoder(const PngRowDecoder&) = delete;
    PngRowDecoder& operator=(const PngRowDecoder&) = delete;

    int Width() const;
    int Height() const;
    // True for an interlaced file, whose rows this decoder does not give.
    bool Interlaced() const;

    // Decodes the next `count` rows, rows[i] receiving 3 * Width() bytes
    // (blue, green, red). Fails as the reader would on damaged data.
    void ReadRows24(std::uint8_t* const* rows, int count);
    // After the last row: reads on through the file to its IEND chunk, as
    // the reader does (it can still fail there).
    void Finish();

    // Bytes of work space the decoder holds against the budget: its rows,
    // its file buffer and the inflater's state and windows.
    std::size_t WorkBytes() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
