#pragma once

// The pixel store behind TDIB: a Windows-style device-independent bitmap (a
// 40-byte info header, a 256-slot colour table and the pixel block). Stores
// are shared between TDIB handles and copied only when one of them writes.
//
// Row layout of the uncompressed formats: stride = ((Width * bit count + 31)
// div 32) * 4 bytes; a positive header height stores the rows bottom-up, a
// negative one top-down. RLE formats keep their compressed stream as the
// pixel block.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "picture/decoded_picture.h"
#include "picture/pixel_block.h"

struct BitmapInfoHeader {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 1;
    std::int32_t biHeight = 1;  // positive: bottom-up rows; negative: top-down
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 8;
    std::uint32_t biCompression = 0;  // 0 none, 1 8-bit RLE, 2 4-bit RLE
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 3780;
    std::int32_t biYPelsPerMeter = 3780;
    std::uint32_t biClrUsed = 256;
    std::uint32_t biClrImportant = 0;
};

// Resolution given to pictures that state none: 96 dots per inch.
constexpr std::int32_t kDefaultPelsPerMeter = 3780;

class TInternalDIB {
public:
    // A new store of the given size: header height as given (its sign picks
    // the row order), zeroed pixels, black colour table. Fails with
    // EDIBInvalidDIBPara "TInternalDIB.CreateDIB: Invalid Parameters" for a
    // width <= 0, a height of 0, colours used outside 0..256 or a bit count
    // other than 1, 4, 8, 24; with EOutOfMemory when the block cannot be held.
    static std::shared_ptr<TInternalDIB> CreateDIB(std::int32_t width, std::int32_t height,
                                                   int bitCount, std::int64_t colorsUsed);
    // The header CreateDIB gives a new store (its colour table is black).
    static BitmapInfoHeader BlankHeader(std::int32_t width, std::int32_t height, int bitCount,
                                        std::int64_t colorsUsed);

    // A private copy: same header, colour table and pixel bytes.
    std::shared_ptr<TInternalDIB> Clone() const;

    // Recomputes Width, Height and the row addressing after the header or the
    // pixel block changed.
    void UpdateLayout();

    // Address of image row y (0 = top row); uncompressed formats only.
    std::uint8_t* Row(int y) { return rowBase_ + static_cast<std::ptrdiff_t>(y) * rowStep_; }
    const std::uint8_t* Row(int y) const {
        return rowBase_ + static_cast<std::ptrdiff_t>(y) * rowStep_;
    }

    std::int32_t Width = 1;   // pixels per row
    std::int32_t Height = 1;  // number of rows, the absolute header height
    std::size_t Stride = 4;   // bytes per row of the uncompressed formats
    BitmapInfoHeader Header;
    std::array<RGBQuad, 256> ColorTable{};
    PixelBlock Bits;
    bool PaletteModified = false;

private:
    std::uint8_t* rowBase_ = nullptr;
    std::ptrdiff_t rowStep_ = 0;
};
