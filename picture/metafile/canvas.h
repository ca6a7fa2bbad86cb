#pragma once

// The drawing surface: the 32-bit picture being rendered, the clip region,
// and the pixel operations every primitive ends in (spans filled with a
// paint, single pixels, raster operations). Colours here are 0x00RRGGBB.

#include <cstdint>
#include <memory>
#include <vector>

#include "picture/decoded_picture.h"
#include "picture/metafile/scan_region.h"
#include "picture/metafile/work_budget.h"

using Colour = std::uint32_t;  // 0x00RRGGBB

constexpr Colour kBlack = 0x000000;
constexpr Colour kWhite = 0xFFFFFF;

inline Colour makeColour(int r, int g, int b) {
    return static_cast<Colour>(((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF));
}

// A repeating block of colours (hatch and pattern brushes). Pixels whose
// `opaque` entry is 0 are left untouched (a hatch on a transparent
// background); an empty `opaque` means every pixel is painted.
struct PatternTile {
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels;
    std::vector<std::uint8_t> opaque;
};

// What a fill or a line paints with: one colour, or a tile repeated from
// the picture's origin.
struct Paint {
    Colour colour = kBlack;
    std::shared_ptr<const PatternTile> tile;

    static Paint solid(Colour c) { return Paint{c, nullptr}; }
};

// Binary raster operations of pens and brushes (1 = black ... 13 = copy ... 16 = white).
Colour ApplyRop2(int rop2, Colour pen, Colour destination);
// Ternary raster operations of blits; `rop3` is the operation's index byte
// (0xCC copies the source, 0xF0 the pattern).
Colour ApplyRop3(int rop3, Colour pattern, Colour source, Colour destination);

constexpr int kRop2CopyPen = 13;

class Canvas {
public:
    Canvas(DecodedPicture& picture, WorkBudget& budget);

    int width() const { return width_; }
    int height() const { return height_; }
    RectI bounds() const { return {0, 0, width_, height_}; }
    WorkBudget& budget() { return budget_; }

    // The clip region; none means the whole picture.
    void setClip(std::shared_ptr<const ScanRegion> clip) { clip_ = std::move(clip); }
    const ScanRegion* clip() const { return clip_.get(); }

    void fillRegion(const ScanRegion& region, const Paint& paint, int rop2);
    void plot(int x, int y, Colour colour, int rop2);
    bool visible(int x, int y) const;
    Colour pixel(int x, int y) const;
    void store(int x, int y, Colour colour);

    // Calls fn(x0, x1) for the visible stretches of row y within [x0, x1).
    template <typename Fn>
    void forEachVisibleSpan(int y, int x0, int x1, Fn fn) const;

private:
    void fillSpan(int y, int x0, int x1, const Paint& paint, int rop2);

    DecodedPicture& picture_;
    WorkBudget& budget_;
    int width_;
    int height_;
    std::shared_ptr<const ScanRegion> clip_;
};

template <typename Fn>
void Canvas::forEachVisibleSpan(int y, int x0, int x1, Fn fn) const {
    if (y < 0 || y >= height_) return;
    if (x0 < 0) x0 = 0;
    if (x1 > width_) x1 = width_;
    if (x0 >= x1) return;
    if (!clip_) {
        fn(x0, x1);
        return;
    }
    auto [first, last] = clip_->row(y);
    for (const Span* s = first; s != last; ++s) {
        const int a = s->x0 > x0 ? s->x0 : x0;
        const int b = s->x1 < x1 ? s->x1 : x1;
        if (a < b) fn(a, b);
    }
}
