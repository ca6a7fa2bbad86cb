#include "picture/color_reduction.h"

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "picture/errors.h"
#include "picture/size_limits.h"

namespace {

constexpr int kCells = 65536;
constexpr int kMaxDepth = 8;

inline int cellOf(const std::uint8_t* bgr) {
    return ((bgr[2] >> 3) << 11) | ((bgr[1] >> 2) << 5) | (bgr[0] >> 3);
}

// One histogram cell. Before the representative colours are computed r, g, b
// hold the sums of the low bits cut off by the cell; afterwards the cell's
// colour. `count` becomes the palette index once the cell's box is emitted.
struct Cell {
    std::int64_t r = 0;
    std::int64_t g = 0;
    std::int64_t b = 0;
    std::int64_t count = 0;
    std::int32_t index = 0;
};

class Splitter {
public:
    Splitter(std::vector<Cell>& cells, std::vector<RGBQuad>& palette)
        : cells_(cells), palette_(palette) {}

    void split(std::size_t start, std::size_t end, int depth) {
        if (start == end) return;
        // Weighted sums are exact integers; the means and variances are taken
        // in extended precision.
        std::int64_t w = 0, sr = 0, sg = 0, sb = 0, sr2 = 0, sg2 = 0, sb2 = 0;
        for (std::size_t i = start; i < end; ++i) {
            const Cell& c = cells_[i];
            w += c.count;
            sr += c.count * c.r;
            sg += c.count * c.g;
            sb += c.count * c.b;
            sr2 += c.count * c.r * c.r;
            sg2 += c.count * c.g * c.g;
            sb2 += c.count * c.b * c.b;
        }
        const long double W = static_cast<long double>(w);
        const long double mR = sr / W, mG = sg / W, mB = sb / W;
        if (depth == kMaxDepth) {
            const auto index = static_cast<std::int64_t>(palette_.size());
            palette_.push_back(RGBQuad{roundToByte(mB), roundToByte(mG), roundToByte(mR), 0});
            for (std::size_t i = start; i < end; ++i) cells_[i].count = index;
            return;
        }
        const long double vR = sr2 / W - mR * mR;
        const long double vG = sg2 / W - mG * mG;
        const long double vB = sb2 / W - mB * mB;
        const long double wR = 3 * vR, wG = 4 * vG, wB = 2 * vB;
        std::int64_t Cell::*component;
        long double mean;
        if (wR >= wG && wR >= wB) {
            component = &Cell::r;
            mean = mR;
        } else if (wR > wG || wB > wG) {
            component = &Cell::b;
            mean = mB;
        } else {
            component = &Cell::g;
            mean = mG;
        }
        std::size_t i = start, j = end;
        while (i < j) {
            while (i < j && cells_[i].*component <= mean) ++i;
            while (j > i && cells_[j - 1].*component > mean) --j;
            if (i != j) std::swap(cells_[i], cells_[j - 1]);
        }
        split(i, end, depth + 1);
        split(start, i, depth + 1);
    }

private:
    static std::uint8_t roundToByte(long double v) {
        return static_cast<std::uint8_t>(std::nearbyint(v));
    }

    std::vector<Cell>& cells_;
    std::vector<RGBQuad>& palette_;
};

}  // namespace

std::shared_ptr<TInternalDIB> ConvertTrueColorTo8BitRGBLow(const TInternalDIB& store) {
    if (store.Header.biBitCount != 24 || store.Header.biCompression != 0)
        throw EDIBBadDIBType("ConvertTrueColorTo8BitRGBLow: Invalid Bitcount");
    if (store.Stride == 0 ||
        store.Bits.size() / store.Stride < static_cast<std::size_t>(store.Height))
        throw EDIBInvalidDIB("TInternalDIB.LoadFromStream: Pixel data is shorter than the image");
    const int width = store.Width, height = store.Height;

    // Histogram.
    std::vector<Cell> cells(kCells);
    for (int i = 0; i < kCells; ++i) cells[i].index = i;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* px = store.Row(y);
        for (int x = 0; x < width; ++x, px += 3) {
            Cell& c = cells[cellOf(px)];
            c.b += px[0] & 7;
            c.g += px[1] & 3;
            c.r += px[2] & 7;
            ++c.count;
        }
    }

    // Representative colours, then the non-empty cells compacted to the front.
    std::size_t k = 0;
    for (int i = 0; i < kCells; ++i) {
        Cell c = cells[i];
        if (c.count == 0) continue;
        c.r = ((i >> 11) << 3) + c.r / c.count;
        c.g = (((i >> 5) & 63) << 2) + c.g / c.count;
        c.b = ((i & 31) << 3) + c.b / c.count;
        cells[k++] = c;
    }

    std::vector<RGBQuad> palette;
    palette.reserve(256);
    Splitter(cells, palette).split(0, k, 0);

    std::vector<std::uint8_t> lookup(kCells, 0);
    for (std::size_t i = 0; i < k; ++i)
        lookup[static_cast<std::size_t>(cells[i].index)] =
            static_cast<std::uint8_t>(cells[i].count);

    // Mapping into a new 8-bit block with the same row order.
    auto out = std::make_shared<TInternalDIB>();
    out->Header = store.Header;
    out->Header.biBitCount = 8;
    out->Header.biCompression = 0;
    out->Header.biSizeImage = 0;
    out->Header.biClrUsed = static_cast<std::uint32_t>(palette.size());
    for (std::size_t i = 0; i < palette.size(); ++i) out->ColorTable[i] = palette[i];
    out->Bits = PixelBlock(checkedPictureBytes(width, height, 8));
    out->UpdateLayout();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* px = store.Row(y);
        std::uint8_t* index = out->Row(y);
        for (int x = 0; x < width; ++x, px += 3)
            index[x] = lookup[static_cast<std::size_t>(cellOf(px))];
    }
    return out;
}
