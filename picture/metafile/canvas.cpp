#include "picture/metafile/canvas.h"

#include <cstring>

Colour ApplyRop2(int rop2, Colour pen, Colour destination) {
    const unsigned table = static_cast<unsigned>(rop2 - 1) & 0xF;
    Colour result = 0;
    for (unsigned index = 0; index < 4; ++index) {
        if (!((table >> index) & 1)) continue;
        const Colour p = (index & 2) ? pen : ~pen;
        const Colour d = (index & 1) ? destination : ~destination;
        result |= p & d;
    }
    return result & 0xFFFFFF;
}

Colour ApplyRop3(int rop3, Colour pattern, Colour source, Colour destination) {
    switch (rop3 & 0xFF) {
        case 0xCC:
            return source;
        case 0xF0:
            return pattern;
        case 0x00:
            return kBlack;
        case 0xFF:
            return kWhite;
        default:
            break;
    }
    Colour result = 0;
    for (unsigned index = 0; index < 8; ++index) {
        if (!((static_cast<unsigned>(rop3) >> index) & 1)) continue;
        const Colour p = (index & 4) ? pattern : ~pattern;
        const Colour s = (index & 2) ? source : ~source;
        const Colour d = (index & 1) ? destination : ~destination;
        result |= p & s & d;
    }
    return result & 0xFFFFFF;
}

Canvas::Canvas(DecodedPicture& picture, WorkBudget& budget)
    : picture_(picture), budget_(budget), width_(picture.width), height_(picture.height) {}

bool Canvas::visible(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
    return !clip_ || clip_->contains(x, y);
}

Colour Canvas::pixel(int x, int y) const {
    const std::uint8_t* p = picture_.row(y) + static_cast<std::size_t>(x) * 4;
    return static_cast<Colour>(p[0] | (p[1] << 8) | (p[2] << 16));
}

void Canvas::store(int x, int y, Colour colour) {
    std::uint8_t* p = picture_.row(y) + static_cast<std::size_t>(x) * 4;
    p[0] = static_cast<std::uint8_t>(colour);
    p[1] = static_cast<std::uint8_t>(colour >> 8);
    p[2] = static_cast<std::uint8_t>(colour >> 16);
    p[3] = 0;
}

void Canvas::plot(int x, int y, Colour colour, int rop2) {
    budget_.charge(1);
    if (!visible(x, y)) return;
    store(x, y, rop2 == kRop2CopyPen ? colour : ApplyRop2(rop2, colour, pixel(x, y)));
}

void Canvas::fillSpan(int y, int x0, int x1, const Paint& paint, int rop2) {
    budget_.charge(static_cast<std::uint64_t>(x1 - x0));
    if (!paint.tile && rop2 == kRop2CopyPen) {
        std::uint8_t* p = picture_.row(y) + static_cast<std::size_t>(x0) * 4;
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(paint.colour),
                                       static_cast<std::uint8_t>(paint.colour >> 8),
                                       static_cast<std::uint8_t>(paint.colour >> 16), 0};
        for (int x = x0; x < x1; ++x, p += 4) std::memcpy(p, bytes, 4);
        return;
    }
    for (int x = x0; x < x1; ++x) {
        Colour c = paint.colour;
        if (paint.tile) {
            const PatternTile& t = *paint.tile;
            const std::size_t index =
                static_cast<std::size_t>(((y % t.height) + t.height) % t.height) * t.width +
                static_cast<std::size_t>(((x % t.width) + t.width) % t.width);
            if (!t.opaque.empty() && !t.opaque[index]) continue;
            c = t.pixels[index];
        }
        store(x, y, rop2 == kRop2CopyPen ? c : ApplyRop2(rop2, c, pixel(x, y)));
    }
}

void Canvas::fillRegion(const ScanRegion& region, const Paint& paint, int rop2) {
    if (paint.tile && (paint.tile->width <= 0 || paint.tile->height <= 0)) return;
    const int top = region.top() > 0 ? region.top() : 0;
    const int bottom = region.bottom() < height_ ? region.bottom() : height_;
    for (int y = top; y < bottom; ++y) {
        auto [first, last] = region.row(y);
        budget_.charge(1);
        for (const Span* s = first; s != last; ++s)
            forEachVisibleSpan(y, s->x0, s->x1,
                               [&](int a, int b) { fillSpan(y, a, b, paint, rop2); });
    }
}
