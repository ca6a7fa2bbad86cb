#pragma once

// JPEG files with an EXIF orientation, made for the tests: our own encoder's
// file with an APP1 "Exif" segment put in after the start-of-image marker,
// as cameras write it. Header-only and free of GoogleTest.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "picture/dib.h"
#include "picture/jpeg/jpeg_picture.h"

struct ExifEntry {
    std::uint16_t tag = 0x0112;
    std::uint16_t type = 3;  // SHORT
    std::uint32_t count = 1;
    std::uint32_t value = 1;  // a SHORT sits in the first two bytes of the field
};

// The TIFF structure of an Exif segment (the bytes after "Exif\0\0"): the
// byte-order mark, 42, the first directory at offset 8 with `entries`, and
// no next directory.
inline std::vector<std::uint8_t> ExifTiff(const std::vector<ExifEntry>& entries, bool bigEndian) {
    std::vector<std::uint8_t> t;
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
            t.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    };
    t.push_back(bigEndian ? 'M' : 'I');
    t.push_back(bigEndian ? 'M' : 'I');
    put(42, 2);
    put(8, 4);
    put(static_cast<std::uint32_t>(entries.size()), 2);
    for (const ExifEntry& e : entries) {
        put(e.tag, 2);
        put(e.type, 2);
        put(e.count, 4);
        if (e.type == 3) {
            put(e.value, 2);
            put(0, 2);
        } else {
            put(e.value, 4);
        }
    }
    put(0, 4);
    return t;
}

// An APP1 segment, marker and length included, holding "Exif\0\0" and `tiff`.
inline std::vector<std::uint8_t> ExifSegment(const std::vector<std::uint8_t>& tiff) {
    const std::size_t length = 2 + 6 + tiff.size();
    std::vector<std::uint8_t> s = {0xFF,
                                   0xE1,
                                   static_cast<std::uint8_t>(length >> 8),
                                   static_cast<std::uint8_t>(length),
                                   'E',
                                   'x',
                                   'i',
                                   'f',
                                   0,
                                   0};
    s.insert(s.end(), tiff.begin(), tiff.end());
    return s;
}

// `jpeg` with `segment` put in right after its start-of-image marker.
inline std::vector<std::uint8_t> WithSegment(std::vector<std::uint8_t> jpeg,
                                             const std::vector<std::uint8_t>& segment) {
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

// `picture` encoded by our own writer, tagged with `orientation`.
inline std::vector<std::uint8_t> JpegWithOrientation(const TDIB& picture, int orientation,
                                                     bool bigEndian = false) {
    TJPEGPicture jpeg;
    jpeg.Assign(picture);
    ExifEntry entry;
    entry.value = static_cast<std::uint32_t>(orientation);
    return WithSegment(jpeg.SaveToBytes(), ExifSegment(ExifTiff({entry}, bigEndian)));
}

// Where a stored w x h picture's pixel (x, y) is seen, for each EXIF
// orientation, as the standard describes which visual side the stored rows
// and columns start at. Written out here, apart from the program's own
// turning, so that the tests check that against the standard's words.
inline std::pair<int, int> SeenAt(int orientation, int x, int y, int w, int h) {
    switch (orientation) {
        case 2:
            return {w - 1 - x, y};  // row 0 at the top, column 0 at the right
        case 3:
            return {w - 1 - x, h - 1 - y};  // row 0 at the bottom, column 0 at the right
        case 4:
            return {x, h - 1 - y};  // row 0 at the bottom, column 0 at the left
        case 5:
            return {y, x};  // row 0 at the left, column 0 at the top
        case 6:
            return {h - 1 - y, x};  // row 0 at the right, column 0 at the top
        case 7:
            return {h - 1 - y, w - 1 - x};  // row 0 at the right, column 0 at the bottom
        case 8:
            return {y, w - 1 - x};  // row 0 at the left, column 0 at the bottom
        default:
            return {x, y};
    }
}
