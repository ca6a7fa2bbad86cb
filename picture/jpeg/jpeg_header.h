#pragma once

// What a JPEG file tells of itself before its first scan: the picture's size,
// from its frame header, and the EXIF orientation, tag 0x0112 of the first
// image file directory in the first APP1 "Exif" segment. Nothing is decoded:
// the marker segments are walked and only these two are read, every length
// and offset checked against the bytes that are there, so a damaged header
// gives no facts rather than wrong ones.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

struct JpegHeader {
    int Width = 0;  // 0 when no frame header comes before the scan
    int Height = 0;
    int Orientation = 1;  // 1 to 8; 1 when the file has none, or none that reads
};

// Nothing when the stream does not start with the start-of-image marker.
std::optional<JpegHeader> ReadJpegHeader(std::istream& in);

// The same for a file; nothing also when it cannot be opened as a regular file.
std::optional<JpegHeader> ReadJpegHeaderOfFile(const std::string& fileName);

// The orientation an Exif segment holds, from its TIFF structure (the bytes
// after "Exif\0\0"), in either byte order: 1 to 8, or 1 when it holds none
// or the structure does not read.
int ExifOrientation(const std::uint8_t* tiff, std::size_t size);
