#pragma once

// A JPEG decoded a few rows at a time, with the reader's settings: float
// DCT, block smoothing, full size; a greyscale file through libjpeg's own
// 236-colour quantizer into indices; CMYK and YCCK converted here. DecodeJPEG
// is this decoder run over every row into one picture, so rows read in bands
// are exactly the rows of the picture read whole, and a file refused one way
// is refused the other way too.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "picture/decoded_picture.h"
#include "picture/reader_limits.h"

struct JpegStructure;

class JpegRowDecoder {
public:
    // Where the rows go, which decides the memory the declared picture must
    // find in the budget before decoding starts (reader_limits.h).
    enum class Rows {
        IntoOnePicture,  // the whole picture will be held
        HandedOn,        // each band goes on and is let go
    };

    // Reads the header and starts decoding bytes the caller keeps alive as
    // long as the decoder. Fails with EJPEG for data libjpeg refuses (a
    // file with several scans also for broken markers anywhere in it, or for
    // more than a few hundred scans, before any memory is taken for it), and
    // with EOutOfMemory for a declared picture beyond `limits` or beyond
    // what the budget can give for `rows` with the decoding's own memory,
    // which it holds from then on (an EJPEG instead when the file's markers
    // show it damaged). Scan after scan of damaged data ends the decoding
    // with EJPEG too.
    JpegRowDecoder(const std::uint8_t* data, std::size_t size, const ReaderLimits& limits,
                   Rows rows);
    // The same from a file, read in pieces as decoding goes on, so the file
    // is never held whole. EFOpenError when it cannot be opened.
    JpegRowDecoder(const std::string& fileName, const ReaderLimits& limits, Rows rows);
    ~JpegRowDecoder();
    JpegRowDecoder(const JpegRowDecoder&) = delete;
    JpegRowDecoder& operator=(const JpegRowDecoder&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // 8 for a greyscale file (rows of indices into Colors()), 24 otherwise
    // (blue, green, red).
    int Depth() const { return depth_; }
    const std::vector<RGBQuad>& Colors() const { return colors_; }
    // Rows decoded so far.
    int RowsRead() const { return rowsRead_; }
    // Warnings libjpeg gave so far about damaged image data it decoded
    // anyway (not those about headers or garbage between markers). Only
    // data without them is sure to decode the same from either source:
    // libjpeg may take other ways through damaged data depending on how much
    // of the file it has in hand.
    int ImageDataWarnings() const;

    // Decodes the next `count` rows, rows[i] receiving Width() * Depth() / 8
    // bytes. EJPEG when libjpeg fails on the data.
    void ReadRows(std::uint8_t* const* rows, int count);
    // The same rows at 24 bits: greyscale indices looked up in Colors(), as
    // the pixel buffer widens an 8-bit picture.
    void ReadRows24(std::uint8_t* const* rows, int count);
    // After the last row: reads the rest of the data to its end, as a
    // decoding of the whole picture does (it can still fail there).
    void Finish();

private:
    struct State;
    // `walk` walks the whole file's markers when they are wanted.
    void start(const ReaderLimits& limits, Rows rows, const std::function<JpegStructure()>& walk);

    std::unique_ptr<State> state_;
    int width_ = 0;
    int height_ = 0;
    int depth_ = 24;
    int rowsRead_ = 0;
    std::vector<RGBQuad> colors_;
    std::vector<std::uint8_t> indexRows_;  // greyscale rows on their way to 24 bits
};
