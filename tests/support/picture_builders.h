#pragma once

// Pictures made in memory for the tests, the benchmarks and the fuzz
// harnesses, and their pixels read back. Header-only and free of GoogleTest,
// so the harnesses, which link the core alone, can use it too.
//
// Colours are colour integers R + G * 256 + B * 65536, as TDIB deals in.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "picture/decoded_picture.h"
#include "picture/dib.h"

// A black 24-bit buffer made the way the program makes its own: sized while
// still 8-bit, then widened, so it keeps the 256 colours-used of its 8-bit
// start. A negative height gives top-down rows.
inline TDIB BlankTrueColour(int width, int height) {
    TDIB dib;
    dib.SetWidth(width);
    dib.SetHeight(height);
    dib.SetPixelFormat(PixelFormat24Bit);
    return dib;
}

// The same with pixel (x, y) set to colour(x, y).
inline TDIB MakePicture(int width, int height, const std::function<int(int x, int y)>& colour) {
    TDIB dib = BlankTrueColour(width, height);
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x) dib.SetPixels(x, y, colour(x, y));
    return dib;
}

// A 24-bit buffer filled by color(x, y) but taken from a decoded picture,
// so with colours-used 0 like a photo read from a file.
template <typename ColorAt>
TDIB MakePicture24(int width, int height, ColorAt color) {
    DecodedPicture picture;
    picture.allocate(width, height, 24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.row(y);
        for (int x = 0; x < width; ++x) {
            const int c = color(x, y);
            row[3 * x] = static_cast<std::uint8_t>(c >> 16);
            row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(c);
        }
    }
    TDIB dib;
    dib.Assign(std::move(picture));
    return dib;
}

// Every pixel, row by row from the top.
inline std::vector<int> AllPixels(const TDIB& dib) {
    std::vector<int> pixels;
    pixels.reserve(static_cast<std::size_t>(dib.Width()) * dib.Height());
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x) pixels.push_back(dib.GetPixels(x, y));
    return pixels;
}

inline std::vector<int> RowOf(const TDIB& dib, int y) {
    std::vector<int> row;
    for (int x = 0; x < dib.Width(); ++x) row.push_back(dib.GetPixels(x, y));
    return row;
}

inline std::vector<int> ColumnOf(const TDIB& dib, int x) {
    std::vector<int> column;
    for (int y = 0; y < dib.Height(); ++y) column.push_back(dib.GetPixels(x, y));
    return column;
}
