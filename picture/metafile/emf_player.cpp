#include "picture/metafile/emf_player.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "picture/metafile/dib_image.h"
#include "picture/metafile/logical_objects.h"
#include "picture/metafile/polygon_fill.h"
#include "picture/system/byte_reader.h"

namespace {

constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kStockObject = 0x80000000;

PointD pointAt(const ByteReader& r, std::size_t offset) {
    return {static_cast<double>(r.i32(offset)), static_cast<double>(r.i32(offset + 4))};
}

std::vector<PointD> readPoints(const ByteReader& r, std::size_t offset, std::size_t count,
                               bool small) {
    r.requireItems(offset, count, small ? 4 : 8);
    std::vector<PointD> points;
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (small)
            points.push_back({static_cast<double>(r.i16(offset + 4 * i)),
                              static_cast<double>(r.i16(offset + 4 * i + 2))});
        else
            points.push_back(pointAt(r, offset + 8 * i));
    }
    return points;
}

Matrix readXform(const ByteReader& r, std::size_t offset) {
    Matrix m;
    m.m11 = r.f32(offset);
    m.m12 = r.f32(offset + 4);
    m.m21 = r.f32(offset + 8);
    m.m22 = r.f32(offset + 12);
    m.dx = r.f32(offset + 16);
    m.dy = r.f32(offset + 20);
    return m;
}

// `count` UTF-16 code units from `offset`.
DecodedText readUtf16(const ByteReader& r, std::size_t offset, std::size_t count) {
    r.requireItems(offset, count, 2);
    std::vector<std::uint16_t> units(count);
    for (std::size_t i = 0; i < count; ++i) units[i] = r.u16(offset + 2 * i);
    return DecodeUtf16Text(units.data(), count);
}

// A face name of at most `maxUnits` UTF-16 units, ended by a zero unit or
// by the end of the record.
std::string faceName(const ByteReader& r, std::size_t offset, std::size_t maxUnits) {
    std::vector<std::uint16_t> units;
    for (std::size_t i = 0; i < maxUnits && r.has(offset + 2 * i, 2); ++i) {
        const std::uint16_t u = r.u16(offset + 2 * i);
        if (u == 0) break;
        units.push_back(u);
    }
    return ToUtf8(DecodeUtf16Text(units.data(), units.size()).chars);
}

class EmfPlayer {
public:
    EmfPlayer(GdiDevice& device, WorkBudget& budget, std::uint32_t handles)
        : device_(device), budget_(budget) {
        objects_.setCapacity(std::max<std::uint32_t>(handles, 1u << 16), false);
    }

    void play(std::uint32_t type, const ByteReader& r);

private:
    void selectObject(std::uint32_t index);
    void selectStock(std::uint32_t which);
    void createObject(std::uint32_t index, GdiObject object) {
        if (index == 0 || (index & kStockObject)) return;  // slot 0 is the metafile itself
        objects_.put(index, std::move(object));
    }
    std::shared_ptr<const DibImage> bitmap(const ByteReader& r, std::size_t offBmi,
                                           std::size_t cbBmi, std::size_t offBits,
                                           std::size_t cbBits, int usage);
    // The bitmap a blit record carries, at the offsets stored at `fields`.
    std::shared_ptr<const DibImage> blitBitmap(const ByteReader& r, std::size_t fields, int usage) {
        return bitmap(r, r.u32(fields), r.u32(fields + 4), r.u32(fields + 8), r.u32(fields + 12),
                      usage);
    }
    ScanRegion readRegion(const ByteReader& r, std::size_t offset, std::size_t size) const;
    void text(const ByteReader& r, std::size_t emrText, bool wide);
    void smallText(const ByteReader& r);
    void gradientFill(const ByteReader& r);

    GdiDevice& device_;
    WorkBudget& budget_;
    ObjectTable objects_;
};

std::shared_ptr<const DibImage> EmfPlayer::bitmap(const ByteReader& r, std::size_t offBmi,
                                                  std::size_t cbBmi, std::size_t offBits,
                                                  std::size_t cbBits, int usage) {
    if (cbBmi == 0 || offBmi == 0) return nullptr;
    return DecodeDib(r.sub(offBmi, cbBmi), r.sub(offBits, cbBits), usage, device_.paletteColours(),
                     budget_);
}

void EmfPlayer::selectStock(std::uint32_t which) {
    auto brush = [&](ColorRef color, int style) {
        auto b = std::make_shared<BrushObject>();
        b->color = color;
        b->style = style;
        device_.selectBrush(b);
    };
    auto pen = [&](ColorRef color, int style) {
        auto p = std::make_shared<PenObject>();
        p->color = color;
        p->style = style;
        device_.selectPen(p);
    };
    auto font = [&](const char* face, int height, int weight) {
        auto f = std::make_shared<FontObject>();
        f->face = face;
        f->height = height;
        f->weight = weight;
        device_.selectFont(f);
    };
    switch (which) {
        case 0:
            brush(0xFFFFFF, kBrushSolid);
            break;
        case 1:
            brush(0xC0C0C0, kBrushSolid);
            break;
        case 2:
            brush(0x808080, kBrushSolid);
            break;
        case 3:
            brush(0x404040, kBrushSolid);
            break;
        case 4:
            brush(0x000000, kBrushSolid);
            break;
        case 5:
            brush(0, kBrushNull);
            break;
        case 6:
            pen(0xFFFFFF, 0);
            break;
        case 7:
            pen(0x000000, 0);
            break;
        case 8:
            pen(0, 5);
            break;
        case 10:
        case 11:
        case 16:
            font("Courier New", 16, 400);
            break;
        case 12:
        case 17:
            font("Arial", -11, 400);
            break;
        case 13:
        case 14:
            font("System", 16, 700);
            break;
        case 15:
            device_.selectPalette(DefaultPalette());
            break;
        case 18:
            brush(0xFFFFFF, kBrushSolid);
            break;
        case 19:
            pen(0x000000, 0);
            break;
        default:
            break;
    }
}

void EmfPlayer::selectObject(std::uint32_t index) {
    if (index & kStockObject) {
        selectStock(index & ~kStockObject);
        return;
    }
    if (const GdiObject* object = objects_.get(index)) device_.selectObject(*object);
}

ScanRegion EmfPlayer::readRegion(const ByteReader& r, std::size_t offset, std::size_t size) const {
    const ByteReader data = r.sub(offset, size);
    if (size < 32) return ScanRegion();
    const std::size_t count = data.u32(8);
    data.requireItems(32, count, 16);
    // Rectangles of a region are in device units; the union is built rows at a time.
    ScanRegion result;
    std::vector<RectI> rects;
    rects.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 32 + 16 * i;
        RectI d{data.i32(at), data.i32(at + 4), data.i32(at + 8), data.i32(at + 12)};
        rects.push_back(device_.deviceRectToPicture(d));
    }
    budget_.charge(count);
    // Most regions are bands of rectangles already sorted; merging them in
    // pairs keeps the union cheap even for thousands of rectangles.
    std::vector<ScanRegion> parts;
    for (const RectI& p : rects) {
        const RectI c = WithinDrawingRange(p);
        if (!c.empty()) parts.push_back(ScanRegion::fromRect(c));
    }
    while (parts.size() > 1) {
        std::vector<ScanRegion> next;
        for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
            next.push_back(parts[i].combined(parts[i + 1], RegionOp::Or));
        if (parts.size() % 2) next.push_back(std::move(parts.back()));
        parts = std::move(next);
    }
    if (!parts.empty()) result = std::move(parts[0]);
    return result;
}

void EmfPlayer::text(const ByteReader& r, std::size_t at, bool wide) {
    const PointD reference = pointAt(r, at);
    const std::size_t count = r.u32(at + 8);
    const std::size_t offString = r.u32(at + 12);
    const std::uint32_t flags = r.u32(at + 16);
    TextOptions options;
    for (int i = 0; i < 4; ++i) options.rect[i] = r.i32(at + 20 + 4 * i);
    options.opaqueRect = (flags & 0x0002) != 0;
    options.clipToRect = (flags & 0x0004) != 0;
    const std::size_t offDx = r.u32(at + 36);
    DecodedText decoded;
    if (count > 0) {
        r.requireItems(offString, count, wide ? 2 : 1);
        decoded = wide ? readUtf16(r, offString, count)
                       : DecodeAnsiText(r.bytes(offString, count), count, device_.textEncoding());
        const bool pairs = (flags & 0x2000) != 0;
        if (offDx != 0 && r.hasItems(offDx, count, pairs ? 8 : 4)) {
            options.dxGiven = true;
            for (std::size_t i = 0; i < count; ++i)
                options.dx.push_back(r.i32(offDx + (pairs ? 8 : 4) * i));
        }
    }
    // Glyph indices name glyphs of the recording system's font, which this
    // system does not have; drawing other glyphs in their place would be
    // wrong text, so only the background is drawn.
    if (flags & 0x0010) decoded = DecodedText();
    device_.text(reference, decoded, options);
}

void EmfPlayer::smallText(const ByteReader& r) {
    const PointD reference = pointAt(r, 8);
    const std::size_t count = r.u32(16);
    const std::uint32_t flags = r.u32(20);
    TextOptions options;
    std::size_t offset = 36;
    if (!(flags & 0x0100)) {
        for (int i = 0; i < 4; ++i) options.rect[i] = r.i32(36 + 4 * i);
        options.opaqueRect = (flags & 0x0002) != 0;
        options.clipToRect = (flags & 0x0004) != 0;
        offset = 52;
    }
    DecodedText decoded;
    if (flags & 0x0200)
        decoded = DecodeAnsiText(r.bytes(offset, count), count, device_.textEncoding());
    else
        decoded = readUtf16(r, offset, count);
    if (flags & 0x0010) decoded = DecodedText();
    device_.text(reference, decoded, options);
}

void EmfPlayer::gradientFill(const ByteReader& r) {
    const std::size_t vertices = r.u32(24), shapes = r.u32(28);
    const std::uint32_t mode = r.u32(32);
    r.requireItems(36, vertices, 16);
    const std::size_t shapeOffset = 36 + vertices * 16;
    struct Vertex {
        PointD p;
        double c[3];
    };
    auto vertex = [&](std::size_t i) {
        const std::size_t at = 36 + 16 * i;
        Vertex v;
        v.p = device_.toPicture(pointAt(r, at));
        for (int k = 0; k < 3; ++k) v.c[k] = r.u16(at + 8 + 2 * k) / 256.0;
        return v;
    };
    if (mode == 0 || mode == 1) {
        r.requireItems(shapeOffset, shapes, 8);
        for (std::size_t i = 0; i < shapes; ++i) {
            const std::uint32_t a = r.u32(shapeOffset + 8 * i), b = r.u32(shapeOffset + 8 * i + 4);
            if (a >= vertices || b >= vertices) continue;
            const Vertex va = vertex(a), vb = vertex(b);
            // Stripes one pixel wide along the gradient's direction.
            const bool horizontal = mode == 0;
            const double from = horizontal ? std::min(va.p.x, vb.p.x) : std::min(va.p.y, vb.p.y);
            const double to = horizontal ? std::max(va.p.x, vb.p.x) : std::max(va.p.y, vb.p.y);
            const double start = horizontal ? va.p.x : va.p.y, end = horizontal ? vb.p.x : vb.p.y;
            const double crossFrom =
                horizontal ? std::min(va.p.y, vb.p.y) : std::min(va.p.x, vb.p.x);
            const double crossTo = horizontal ? std::max(va.p.y, vb.p.y) : std::max(va.p.x, vb.p.x);
            const int i0 = static_cast<int>(std::clamp(std::ceil(from), -1.0, 1e6));
            const int i1 = static_cast<int>(std::clamp(std::ceil(to), -1.0, 1e6));
            const int c0 = static_cast<int>(std::clamp(std::ceil(crossFrom), -1.0, 1e6));
            const int c1 = static_cast<int>(std::clamp(std::ceil(crossTo), -1.0, 1e6));
            budget_.charge(static_cast<std::uint64_t>(std::max(0, i1 - i0)) + 1);
            for (int k = std::max(i0, 0); k < std::min(i1, 1 << 16); ++k) {
                const double t =
                    end != start ? std::clamp((k - start) / (end - start), 0.0, 1.0) : 0;
                const Colour colour =
                    makeColour(static_cast<int>(va.c[0] + (vb.c[0] - va.c[0]) * t),
                               static_cast<int>(va.c[1] + (vb.c[1] - va.c[1]) * t),
                               static_cast<int>(va.c[2] + (vb.c[2] - va.c[2]) * t));
                const RectI stripe = horizontal ? RectI{k, c0, k + 1, c1} : RectI{c0, k, c1, k + 1};
                BrushObject brush;
                brush.color = static_cast<ColorRef>(((colour >> 16) & 0xFF) | (colour & 0xFF00) |
                                                    ((colour & 0xFF) << 16));
                device_.fillRegion(
                    ScanRegion::fromRect({std::max(stripe.left, 0), std::max(stripe.top, 0),
                                          std::min(stripe.right, 1 << 16),
                                          std::min(stripe.bottom, 1 << 16)}),
                    &brush);
            }
        }
    } else if (mode == 2) {
        // Triangles are filled with the colour of their corners' average:
        // shading them pixel by pixel is left out.
        r.requireItems(shapeOffset, shapes, 12);
        for (std::size_t i = 0; i < shapes; ++i) {
            std::uint32_t idx[3];
            bool valid = true;
            for (int k = 0; k < 3; ++k) {
                idx[k] = r.u32(shapeOffset + 12 * i + 4 * k);
                valid = valid && idx[k] < vertices;
            }
            if (!valid) continue;
            const Vertex v0 = vertex(idx[0]), v1 = vertex(idx[1]), v2 = vertex(idx[2]);
            BrushObject brush;
            const int rr = static_cast<int>((v0.c[0] + v1.c[0] + v2.c[0]) / 3);
            const int gg = static_cast<int>((v0.c[1] + v1.c[1] + v2.c[1]) / 3);
            const int bb = static_cast<int>((v0.c[2] + v1.c[2] + v2.c[2]) / 3);
            brush.color = static_cast<ColorRef>(rr | (gg << 8) | (bb << 16));
            const ScanRegion region = FillPolygons({{v0.p, v1.p, v2.p}}, FillRule::Winding,
                                                   RectI{0, 0, 1 << 16, 1 << 16}, budget_);
            device_.fillRegion(region, &brush);
        }
    }
}

void EmfPlayer::play(std::uint32_t type, const ByteReader& r) {
    DcState& s = device_.state();
    switch (type) {
        case 2:   // poly Bezier
        case 3:   // polygon
        case 4:   // polyline
        case 5:   // poly Bezier to
        case 6:   // polyline to
        case 85:  // the same with 16-bit points
        case 86:
        case 87:
        case 88:
        case 89: {
            const bool small = type >= 85;
            const std::uint32_t kind = small ? type - 83 : type;
            const auto points = readPoints(r, 28, r.u32(24), small);
            switch (kind) {
                case 2:
                    device_.polyBezier(points);
                    break;
                case 3:
                    device_.polygon(points);
                    break;
                case 4:
                    device_.polyline(points);
                    break;
                case 5:
                    device_.polyBezierTo(points);
                    break;
                case 6:
                    device_.polylineTo(points);
                    break;
            }
            break;
        }
        case 7:
        case 8:
        case 90:
        case 91: {
            const bool small = type >= 90;
            const std::size_t polys = r.u32(24), total = r.u32(28);
            r.requireItems(32, polys, 4);
            const std::size_t pointsOffset = 32 + polys * 4;
            const auto points = readPoints(r, pointsOffset, total, small);
            std::vector<std::vector<PointD>> groups;
            std::size_t used = 0;
            for (std::size_t i = 0; i < polys; ++i) {
                const std::size_t count = r.u32(32 + 4 * i);
                if (count > total - used) r.fail("polygon point counts exceed the points given");
                groups.emplace_back(points.begin() + static_cast<std::ptrdiff_t>(used),
                                    points.begin() + static_cast<std::ptrdiff_t>(used + count));
                used += count;
            }
            if (type == 7 || type == 90)
                device_.polyPolyline(groups);
            else
                device_.polyPolygon(groups);
            break;
        }
        case 56:
        case 92: {
            const bool small = type == 92;
            const std::size_t count = r.u32(24);
            const auto points = readPoints(r, 28, count, small);
            const std::uint8_t* kinds = r.bytes(28 + count * (small ? 4 : 8), count);
            device_.polyDraw(points, std::vector<std::uint8_t>(kinds, kinds + count));
            break;
        }
        case 9:
            device_.setWindowExt(pointAt(r, 8));
            break;
        case 10:
            device_.setWindowOrg(pointAt(r, 8));
            break;
        case 11:
            device_.setViewportExt(pointAt(r, 8));
            break;
        case 12:
            device_.setViewportOrg(pointAt(r, 8));
            break;
        case 15:
            device_.setPixel(pointAt(r, 8), r.u32(16));
            break;
        case 17:
            device_.setMapMode(static_cast<int>(r.u32(8)));
            break;
        case 18:
            s.bkMode = static_cast<int>(r.u32(8));
            break;
        case 19:
            s.polyFillMode = r.u32(8) == 2 ? 2 : 1;
            break;
        case 20:
            s.rop2 = static_cast<int>(std::clamp<std::uint32_t>(r.u32(8), 1, 16));
            break;
        case 21:
            s.stretchMode = static_cast<int>(r.u32(8));
            break;
        case 22:
            s.textAlign = static_cast<int>(r.u32(8));
            break;
        case 24:
            s.textColor = r.u32(8);
            break;
        case 25:
            s.bkColor = r.u32(8);
            break;
        case 26:
            device_.offsetClip(r.i32(8), r.i32(12));
            break;
        case 27:
            device_.moveTo(pointAt(r, 8));
            break;
        case 28:
            device_.setMetaRegion();
            break;
        case 29:
            device_.excludeClipRect(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
            break;
        case 30:
            device_.intersectClipRect(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
            break;
        case 31:
            device_.scaleViewportExt(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
            break;
        case 32:
            device_.scaleWindowExt(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
            break;
        case 33:
            device_.saveDC();
            break;
        case 34:
            device_.restoreDC(r.i32(8));
            break;
        case 35:
            device_.setWorldTransform(readXform(r, 8));
            break;
        case 36:
            device_.modifyWorldTransform(readXform(r, 8), static_cast<int>(r.u32(32)));
            break;
        case 37:
            selectObject(r.u32(8));
            break;
        case 38:
            createObject(r.u32(8), GdiObject(ReadLogPen(r, 12, 4)));
            break;
        case 39: {  // create brush
            auto brush = std::make_shared<BrushObject>();
            brush->style = static_cast<int>(r.u32(12));
            brush->color = r.u32(16);
            brush->hatch = static_cast<int>(r.u32(20));
            if (brush->style != kBrushSolid && brush->style != kBrushNull &&
                brush->style != kBrushHatched)
                brush->style = kBrushSolid;
            createObject(r.u32(8), GdiObject(brush));
            break;
        }
        case 93:    // monochrome pattern brush
        case 94: {  // DIB pattern brush
            auto brush = std::make_shared<BrushObject>();
            brush->style = kBrushDibPatternPt;
            const int usage = static_cast<int>(r.u32(12));
            brush->pattern = bitmap(r, r.u32(16), r.u32(20), r.u32(24), r.u32(28), usage);
            brush->monochromeUsesDcColours = type == 93;
            createObject(r.u32(8), GdiObject(brush));
            break;
        }
        case 95: {  // extended pen
            auto pen = std::make_shared<PenObject>();
            pen->extended = true;
            pen->style = static_cast<int>(r.u32(28));
            pen->geometric = (pen->style & 0x00010000) != 0;
            pen->width = r.u32(32);
            pen->color = r.u32(40);
            if (r.u32(36) == kBrushNull) pen->style = (pen->style & ~0xF) | 5;
            const std::size_t entries = r.u32(48);
            if ((pen->style & 0xF) == 7) {
                r.requireItems(52, entries, 4);
                for (std::size_t i = 0; i < entries && i < 64; ++i)
                    pen->userDashes.push_back(r.u32(52 + 4 * i));
            }
            createObject(r.u32(8), GdiObject(pen));
            break;
        }
        case 82: {  // create font
            auto font = ReadLogFont(r, 12, 4);
            font->face = faceName(r, 40, 32);
            createObject(r.u32(8), GdiObject(font));
            break;
        }
        case 40:
            objects_.remove(r.u32(8));
            break;
        case 41: {
            const PointD centre = pointAt(r, 8);
            device_.angleArc(centre, r.u32(16), r.f32(20), r.f32(24));
            break;
        }
        case 42:
            device_.ellipse(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
            break;
        case 43:
            device_.rectangle(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
            break;
        case 44:
            device_.roundRect(r.i32(8), r.i32(12), r.i32(16), r.i32(20), r.i32(24), r.i32(28));
            break;
        case 45:
        case 46:
        case 47:
        case 55: {
            const ArcKind kind = type == 45   ? ArcKind::Arc
                                 : type == 46 ? ArcKind::Chord
                                 : type == 47 ? ArcKind::Pie
                                              : ArcKind::ArcTo;
            device_.arc(kind, r.i32(8), r.i32(12), r.i32(16), r.i32(20), pointAt(r, 24),
                        pointAt(r, 32));
            break;
        }
        case 48: {
            const std::uint32_t index = r.u32(8);
            if (index == (kStockObject | 15)) {
                device_.selectPalette(DefaultPalette());
            } else if (const GdiObject* object = objects_.get(index)) {
                if (object->palette) device_.selectPalette(object->palette);
            }
            break;
        }
        case 49: {  // create palette
            auto palette = std::make_shared<PaletteObject>();
            palette->entries = ReadPaletteEntries(r, 16, r.u16(14));
            createObject(r.u32(8), GdiObject(palette));
            break;
        }
        case 50: {  // set palette entries
            GdiObject* object = objects_.getMutable(r.u32(8));
            if (object && object->palette)
                SetPaletteEntries(*object->palette, r.u32(12), r, 20, r.u32(16));
            break;
        }
        case 51: {  // resize palette
            GdiObject* object = objects_.getMutable(r.u32(8));
            if (object && object->palette) ResizePalette(*object->palette, r.u32(12));
            break;
        }
        case 54:
            device_.lineTo(pointAt(r, 8));
            break;
        case 57:
            s.arcClockwise = r.u32(8) == 2;
            break;
        case 58: {
            const std::uint32_t raw = r.u32(8);
            // Written as an integer by most programs, as a float by a few.
            double limit = raw < 0x10000 ? raw : r.f32(8);
            if (std::isfinite(limit) && limit >= 1) s.miterLimit = limit;
            break;
        }
        case 59:
            device_.beginPath();
            break;
        case 60:
            device_.endPath();
            break;
        case 61:
            device_.closeFigure();
            break;
        case 62:
            device_.fillPath();
            break;
        case 63:
            device_.strokeAndFillPath();
            break;
        case 64:
            device_.strokePath();
            break;
        case 66:
            device_.widenPath();
            break;
        case 67:
            device_.selectClipPath(
                static_cast<RegionOp>(std::clamp<std::uint32_t>(r.u32(8), 1, 5)));
            break;
        case 68:
            device_.abortPath();
            break;
        case 71:    // fill region
        case 72: {  // frame region
            const std::size_t size = r.u32(24);
            const GdiObject* brush = objects_.get(r.u32(28));
            const ScanRegion region = readRegion(r, type == 71 ? 32 : 40, size);
            if (!brush || !brush->brush) break;
            if (type == 71)
                device_.fillRegion(region, brush->brush.get());
            else
                device_.frameRegion(region, brush->brush.get(), r.i32(32), r.i32(36));
            break;
        }
        case 73:
        case 74: {
            const ScanRegion region = readRegion(r, 28, r.u32(24));
            if (type == 73)
                device_.invertRegion(region);
            else
                device_.fillRegion(region, s.brush.get());
            break;
        }
        case 75: {  // select clip region
            const std::size_t size = r.u32(8);
            const RegionOp op = static_cast<RegionOp>(std::clamp<std::uint32_t>(r.u32(12), 1, 5));
            if (size == 0) {
                device_.selectClipRegion(nullptr, op);
            } else {
                const ScanRegion region = readRegion(r, 16, size);
                device_.selectClipRegion(&region, op);
            }
            break;
        }
        case 76:    // bit blit
        case 77: {  // stretch blit
            const double x = r.i32(24), y = r.i32(28), w = r.i32(32), h = r.i32(36);
            const std::uint32_t rop = r.u32(40);
            const auto image = blitBitmap(r, 84, static_cast<int>(r.u32(80)));
            if (!image) {
                device_.patBlt(x, y, w, h, rop);
                break;
            }
            const double sw = type == 77 ? r.i32(100) : w, sh = type == 77 ? r.i32(104) : h;
            const Matrix source = readXform(r, 52);
            const PointD srcOrigin =
                source.map({static_cast<double>(r.i32(44)), static_cast<double>(r.i32(48))});
            const PointD srcSize = source.mapVector({sw, sh});
            device_.stretchBlt(x, y, w, h, image.get(), srcOrigin.x, srcOrigin.y, srcSize.x,
                               srcSize.y, rop);
            break;
        }
        case 78: {  // mask blit: drawn without its mask
            const double x = r.i32(24), y = r.i32(28), w = r.i32(32), h = r.i32(36);
            const auto image = blitBitmap(r, 84, static_cast<int>(r.u32(80)));
            const std::uint32_t rop = r.u32(40) & 0x00FFFFFF;
            if (!image)
                device_.patBlt(x, y, w, h, rop);
            else
                device_.stretchBlt(x, y, w, h, image.get(), r.i32(44), r.i32(48), w, h, rop);
            break;
        }
        case 79: {  // parallelogram blit
            const auto image = blitBitmap(r, 96, static_cast<int>(r.u32(92)));
            if (!image) break;
            device_.parallelogramBlt(pointAt(r, 24), pointAt(r, 32), pointAt(r, 40), image.get(),
                                     r.i32(48), r.i32(52), r.i32(56), r.i32(60));
            break;
        }
        case 80: {  // set DIB bits to the device
            const auto image = blitBitmap(r, 48, static_cast<int>(r.u32(64)));
            if (!image) break;
            const double w = r.i32(40), h = r.i32(44);
            device_.stretchBlt(r.i32(24), r.i32(28), w, h, image.get(), r.i32(32),
                               image->sourceTop(r.i32(36), h), w, h, 0x00CC0020);
            break;
        }
        case 81: {  // stretch DIB bits
            const double x = r.i32(24), y = r.i32(28), w = r.i32(72), h = r.i32(76);
            const std::uint32_t rop = r.u32(68);
            const auto image = blitBitmap(r, 48, static_cast<int>(r.u32(64)));
            if (!image) {
                device_.patBlt(x, y, w, h, rop);
                break;
            }
            const double srcH = r.i32(44);
            device_.stretchBlt(x, y, w, h, image.get(), r.i32(32),
                               image->sourceTop(r.i32(36), srcH), r.i32(40), srcH, rop);
            break;
        }
        case 83:
            text(r, 36, false);
            break;
        case 84:
            text(r, 36, true);
            break;
        case 96:
        case 97: {
            const std::size_t strings = r.u32(36);
            r.requireItems(40, strings, 40);
            for (std::size_t i = 0; i < strings; ++i) text(r, 40 + 40 * i, type == 97);
            break;
        }
        case 108:
            smallText(r);
            break;
        case 114:    // alpha blend
        case 116: {  // transparent blit
            const double x = r.i32(24), y = r.i32(28), w = r.i32(32), h = r.i32(36);
            const auto image = blitBitmap(r, 84, static_cast<int>(r.u32(80)));
            if (!image) break;
            const double sx = r.i32(44), sy = r.i32(48), sw = r.i32(100), sh = r.i32(104);
            if (type == 114) {
                const int constantAlpha = r.u8(42);
                const bool sourceAlpha = (r.u8(43) & 1) != 0 && image->hasAlpha;
                device_.alphaBlend(x, y, w, h, image.get(), sx, sy, sw, sh, constantAlpha,
                                   sourceAlpha);
            } else {
                device_.transparentBlt(x, y, w, h, image.get(), sx, sy, sw, sh,
                                       device_.resolve(r.u32(40)));
            }
            break;
        }
        case 118:
            gradientFill(r);
            break;
        case 99:
        case 122: {  // colour spaces hold a slot of the table
            GdiObject object;
            object.other = true;
            createObject(r.u32(8), std::move(object));
            break;
        }
        default:
            break;  // comments (and EMF+ inside them), colour management, OpenGL and the like
    }
}

}  // namespace

EmfHeader ReadEmfHeader(const std::uint8_t* data, std::size_t size) {
    const ByteReader file(data, size, "EMF header");
    file.require(0, 88);
    if (file.u32(0) != 1) file.fail("the first record is not a header");
    const std::uint32_t headerSize = file.u32(4);
    if (headerSize < 88 || headerSize > size)
        file.fail("header size " + std::to_string(headerSize) + " is invalid");
    if (file.u32(40) != kEmfSignature) file.fail("signature is missing");
    EmfHeader h;
    h.bounds = {file.i32(8), file.i32(12), file.i32(16), file.i32(20)};
    h.frame = {file.i32(24), file.i32(28), file.i32(32), file.i32(36)};
    h.handles = file.u16(56);
    h.deviceWidth = file.i32(72);
    h.deviceHeight = file.i32(76);
    h.millimetresWidth = file.i32(80);
    h.millimetresHeight = file.i32(84);
    if (headerSize >= 108) {
        // The micrometre size refines the millimetre size; some writers fill
        // it with something else, so it is taken only when the two agree.
        const double umX = file.i32(100), umY = file.i32(104);
        if (umX > 0 && umY > 0 && std::fabs(umX / 1000 - h.millimetresWidth) <= 1 &&
            std::fabs(umY / 1000 - h.millimetresHeight) <= 1) {
            h.millimetresWidth = umX / 1000;
            h.millimetresHeight = umY / 1000;
        }
    }
    if (!(h.deviceWidth > 0 && h.deviceHeight > 0 && h.millimetresWidth > 0 &&
          h.millimetresHeight > 0))
        file.fail("the recording device's size is invalid");
    return h;
}

void PlayEmf(const std::uint8_t* data, std::size_t size, const EmfHeader& header, GdiDevice& device,
             WorkBudget& budget) {
    EmfPlayer player(device, budget, header.handles);
    std::size_t offset = ByteReader(data, size, "").u32(4);
    while (offset < size) {
        if (size - offset < 8)
            throw EInvalidGraphic("EMF file ends inside a record at offset " +
                                  std::to_string(offset));
        const ByteReader head(data + offset, 8, "");
        const std::uint32_t type = head.u32(0);
        const std::uint32_t recordSize = head.u32(4);
        const std::string what =
            "EMF record " + std::to_string(type) + " at offset " + std::to_string(offset);
        if (recordSize < 8)
            throw EInvalidGraphic(what + ": record size " + std::to_string(recordSize) +
                                  " is invalid");
        if (recordSize > size - offset)
            throw EInvalidGraphic(what + ": record runs past the end of the file");
        if (type == 14) break;
        budget.charge(1);
        player.play(type, ByteReader(data + offset, recordSize, what));
        offset += recordSize;
    }
}
