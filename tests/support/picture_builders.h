#pragma once

// Small helpers of the scale tests: pictures built from a colour function,
// and rows and columns read back through the pixel buffer.

#include <functional>
#include <vector>

#include "picture/dib.h"

inline TDIB MakePicture(int width, int height, const std::function<int(int x, int y)>& colour) {
    TDIB dib;
    dib.SetWidth(width);
    dib.SetHeight(height);
    dib.SetPixelFormat(PixelFormat24Bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) dib.SetPixels(x, y, colour(x, y));
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
