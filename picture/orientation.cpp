#include "picture/orientation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int kTile = 32;  // pixels each way: a quarter turn's tile of rows stays in the cache

void mirrorRow(std::uint8_t* row, int width) {
    for (int left = 0, right = width - 1; left < right; ++left, --right)
        std::swap_ranges(row + 3 * left, row + 3 * left + 3, row + 3 * right);
}

void mirrorInPlace(TDIB& picture, bool leftToRight, bool topToBottom) {
    const int width = picture.Width();
    const int height = picture.Height();
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    if (topToBottom) {
        for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
            std::uint8_t* a = picture.ScanLineForWrite(top);
            std::uint8_t* b = picture.ScanLineForWrite(bottom);
            std::swap_ranges(a, a + rowBytes, b);
        }
    }
    if (leftToRight)
        for (int y = 0; y < height; ++y) mirrorRow(picture.ScanLineForWrite(y), width);
}

// Orientations 5 to 8: the upright picture's pixel (x, y) is the stored
// picture's pixel at column `sourceColumn(y)` of row `sourceRow(x)`.
void turnAQuarter(TDIB& picture, int orientation) {
    const int width = picture.Width();
    const int height = picture.Height();
    const bool columnsFromRight = orientation == 7 || orientation == 8;
    const bool rowsFromBottom = orientation == 6 || orientation == 7;

    DecodedPicture upright;
    upright.allocate(height, width, 24);
    upright.xPelsPerMeter = picture.Header().biYPelsPerMeter;
    upright.yPelsPerMeter = picture.Header().biXPelsPerMeter;

    std::vector<const std::uint8_t*> sourceRows(static_cast<std::size_t>(height));
    for (int x = 0; x < height; ++x)
        sourceRows[static_cast<std::size_t>(x)] =
            picture.ScanLine(rowsFromBottom ? height - 1 - x : x);

    for (int y0 = 0; y0 < width; y0 += kTile) {
        const int y1 = std::min(width, y0 + kTile);
        for (int x0 = 0; x0 < height; x0 += kTile) {
            const int x1 = std::min(height, x0 + kTile);
            for (int y = y0; y < y1; ++y) {
                const std::size_t column =
                    3 * static_cast<std::size_t>(columnsFromRight ? width - 1 - y : y);
                std::uint8_t* out = upright.row(y) + 3 * static_cast<std::size_t>(x0);
                for (int x = x0; x < x1; ++x, out += 3)
                    std::memcpy(out, sourceRows[static_cast<std::size_t>(x)] + column, 3);
            }
        }
    }
    picture.Assign(std::move(upright));
}

}  // namespace

void TurnUpright(TDIB& picture, int orientation) {
    if (orientation < 2 || orientation > 8) return;
    picture.SetPixelFormat(PixelFormat24Bit);
    switch (orientation) {
        case 2:
            mirrorInPlace(picture, true, false);
            break;
        case 3:
            mirrorInPlace(picture, true, true);
            break;
        case 4:
            mirrorInPlace(picture, false, true);
            break;
        case 5:
        case 6:
        case 7:
        case 8:
            turnAQuarter(picture, orientation);
            break;
        default:
            break;
    }
}
