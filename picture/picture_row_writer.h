#pragma once

// The savers' writers taking a finished picture's rows as they are made, for
// the types whose files can be written so: JPEG and PNG from rows top first,
// BMP from rows either way (its rows have fixed places in the file). GIF
// needs the whole picture for its colour reduction. For the same rows and
// header facts the file is, byte for byte, the one SavePictureToFile writes
// for a 24-bit buffer holding them.

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "picture/internal_dib.h"
#include "picture/picture_saver.h"

class PictureRowWriter {
public:
    virtual ~PictureRowWriter() = default;
    // The next row: blue, green, red, 3 * width bytes.
    virtual void WriteRow(const std::uint8_t* row) = 0;
    // After the last row.
    virtual void Finish() = 0;
};

// Whether `type`'s files can be written from rows coming in this order.
bool CanWriteRows(PictureFileType type, bool rowsTopFirst);

// The writer of `type` for a 24-bit picture with `header` and `colorTable`
// (the size, colours-used count and the rest of the buffer that would be
// saved), writing to `out`; a BMP whose rows come against its file order
// needs a stream that can seek. `rowsPerWrite` (0: about 256 KB) is what a
// BMP writer gathers between writes. Throws std::invalid_argument where
// CanWriteRows says no.
std::unique_ptr<PictureRowWriter> OpenPictureRowWriter(PictureFileType type,
                                                       const BitmapInfoHeader& header,
                                                       const RGBQuad* colorTable, bool rowsTopFirst,
                                                       std::ostream& out, int rowsPerWrite = 0);
