#pragma once

// A PNG file written a row at a time: the signature, IHDR and PLTE first,
// then each row compressed as it comes (filter byte 0, one zlib stream cut
// into IDAT chunks of exactly 32768 bytes), then IEND. WritePNG is this
// writer fed every row of a picture, so rows handed over as they are made
// give the very bytes of the picture written whole.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>

#include "picture/decoded_picture.h"

class PngRowWriter {
public:
    // Starts the file of a picture of width x height at `bitCount` bits (1,
    // 4, 8 or 24) with `colorCount` colour-table entries (a PLTE chunk when
    // not 0). EPNGError "not support BitCount" or "no colortable" as
    // WritePNG; EWriteError when the stream fails.
    PngRowWriter(std::ostream& out, int width, int height, int bitCount, const RGBQuad* colors,
                 int colorCount);
    ~PngRowWriter();
    PngRowWriter(const PngRowWriter&) = delete;
    PngRowWriter& operator=(const PngRowWriter&) = delete;

    // The next row, top to bottom, as the pixel buffer holds it (24 bits:
    // blue, green, red).
    void WriteRow(const std::uint8_t* row);
    // After the last row: the rest of the image data and IEND.
    void Finish();

private:
    class Idat;
    std::size_t rowBytes() const;
    std::ostream& out_;
    int width_, height_, bitCount_;
    int rowsWritten_ = 0;
    std::unique_ptr<Idat> idat_;
    std::unique_ptr<std::uint8_t[]> row_;  // filter byte and the row's bytes
};
