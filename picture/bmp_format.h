#pragma once

// BMP files and the clipboard's packed DIB, read into and written from the
// pixel store. 1-, 4-, 8- and 24-bit pixels are kept as they stand (RLE stays
// compressed); 16- and 32-bit pixels are widened to 24 bits while reading.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "picture/internal_dib.h"

// Reads a BMP file (14-byte file header, 40- or 12-byte info header). Fails
// with the EDIB* errors of the format, EReadError on a short file.
std::shared_ptr<TInternalDIB> ReadBMP(std::istream& in);

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

// Reads a packed DIB (info header, masks, colours, pixels in one block).
std::shared_ptr<TInternalDIB> ReadPackedDIB(const std::uint8_t* block, std::size_t size);

// Header, the first colours-used colour entries and the pixel block.
std::vector<std::uint8_t> WritePackedDIB(const TInternalDIB& store);
