#include "picture/metafile/wmf_player.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "picture/metafile/dib_image.h"
#include "picture/metafile/logical_objects.h"
#include "picture/system/byte_reader.h"

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;

std::string hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
    return text;
}

// One record: its function number and its parameters (the words after the
// six-byte record head).
struct WmfRecord {
    std::uint16_t function = 0;
    ByteReader params;
    std::size_t sizeInWords = 0;

    std::int16_t word(std::size_t index) const { return params.i16(index * 2); }
    double coord(std::size_t index) const { return params.i16(index * 2); }
};

// Walks the records from the layout's offset, calling fn for each until the
// end record or the end of the data.
template <typename Fn>
void forEachRecord(const std::uint8_t* data, std::size_t size, const WmfLayout& layout, Fn fn) {
    std::size_t offset = layout.recordsOffset;
    while (offset < size) {
        if (size - offset < 6)
            throw EInvalidGraphic("WMF file ends inside a record at offset " +
                                  std::to_string(offset));
        const ByteReader head(data + offset, 6, "");
        const std::uint32_t words = head.u32(0);
        const std::uint16_t function = head.u16(4);
        const std::string what =
            "WMF record 0x" + hex4(function) + " at offset " + std::to_string(offset);
        if (words < 3)
            throw EInvalidGraphic(what + ": record size " + std::to_string(words) + " is invalid");
        if (words > (size - offset) / 2)
            throw EInvalidGraphic(what + ": record runs past the end of the file");
        if (function == 0) break;
        WmfRecord record;
        record.function = function;
        record.sizeInWords = words;
        record.params =
            ByteReader(data + offset + 6, static_cast<std::size_t>(words) * 2 - 6, what);
        fn(record);
        offset += static_cast<std::size_t>(words) * 2;
    }
}

std::vector<PointD> readPoints(const ByteReader& r, std::size_t offset, std::size_t count) {
    r.requireItems(offset, count, 4);
    std::vector<PointD> points;
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        points.push_back({static_cast<double>(r.i16(offset + 4 * i)),
                          static_cast<double>(r.i16(offset + 4 * i + 2))});
    return points;
}

std::string readFaceName(const ByteReader& r, std::size_t offset) {
    std::string face;
    for (std::size_t i = 0; i < 32 && r.has(offset + i, 1); ++i) {
        const char c = static_cast<char>(r.u8(offset + i));
        if (c == 0) break;
        face.push_back(c);
    }
    return face;
}

class WmfPlayer {
public:
    WmfPlayer(GdiDevice& device, WorkBudget& budget, std::uint32_t objectCount)
        : device_(device), budget_(budget) {
        objects_.setCapacity(std::clamp<std::uint32_t>(objectCount, 1, 65535), true);
    }

    void play(const WmfRecord& rec);

private:
    void addObject(GdiObject object) {
        const int slot = objects_.firstFree();
        if (slot >= 0) objects_.put(static_cast<std::uint32_t>(slot), std::move(object));
    }
    void selectObject(std::uint32_t index);
    ScanRegion regionToPicture(const RegionObject& region) const;
    void text(const WmfRecord& rec, bool extended);
    // A bit blit or stretch blit record, whichever form carries its bitmap
    // (`bitmap()` decodes it); the short form without one paints the brush.
    template <typename Bitmap>
    void blit(const WmfRecord& rec, bool stretch, Bitmap bitmap);
    std::shared_ptr<const DibImage> dibAt(const WmfRecord& rec, std::size_t offset, int usage) {
        return DecodePackedDib(rec.params.from(offset), usage, device_.paletteColours(), budget_);
    }

    GdiDevice& device_;
    WorkBudget& budget_;
    ObjectTable objects_;
};

void WmfPlayer::selectObject(std::uint32_t index) {
    const GdiObject* object = objects_.get(index);
    if (!object || device_.selectObject(*object)) return;
    if (object->region) {
        const ScanRegion region = regionToPicture(*object->region);
        device_.selectClipRegion(&region, RegionOp::Copy);
    }
}

ScanRegion WmfPlayer::regionToPicture(const RegionObject& region) const {
    ScanRegion result;
    for (const RectI& r : region.rects) {
        const RectI p = device_.toPictureRect(r.left, r.top, r.right, r.bottom);
        result = result.combined(ScanRegion::fromRect(WithinDrawingRange(p)), RegionOp::Or);
    }
    return result;
}

void WmfPlayer::text(const WmfRecord& rec, bool extended) {
    const ByteReader& p = rec.params;
    TextOptions options;
    PointD reference;
    std::size_t count, stringOffset;
    if (!extended) {
        count = static_cast<std::uint16_t>(p.i16(0));
        stringOffset = 2;
        const std::size_t after = stringOffset + ((count + 1) & ~std::size_t{1});
        reference = {static_cast<double>(p.i16(after + 2)), static_cast<double>(p.i16(after))};
    } else {
        reference = {rec.coord(1), rec.coord(0)};
        count = static_cast<std::uint16_t>(p.i16(4));
        const int flags = static_cast<std::uint16_t>(p.i16(6));
        stringOffset = 8;
        if (flags & 0x0006) {
            for (int i = 0; i < 4; ++i) options.rect[i] = p.i16(8 + 2 * i);
            options.opaqueRect = (flags & 0x0002) != 0;
            options.clipToRect = (flags & 0x0004) != 0;
            stringOffset = 16;
        }
    }
    const std::uint8_t* bytes = p.bytes(stringOffset, count);
    const DecodedText decoded = DecodeAnsiText(bytes, count, device_.textEncoding());
    if (extended) {
        const std::size_t dxOffset = stringOffset + ((count + 1) & ~std::size_t{1});
        if (count > 0 && p.hasItems(dxOffset, count, 2)) {
            options.dxGiven = true;
            for (std::size_t i = 0; i < count; ++i) options.dx.push_back(p.i16(dxOffset + 2 * i));
        }
    }
    device_.text(reference, decoded, options);
}

template <typename Bitmap>
void WmfPlayer::blit(const WmfRecord& rec, bool stretch, Bitmap bitmap) {
    const std::uint32_t rop = rec.params.u32(0);
    if (!stretch) {
        if (rec.sizeInWords == 12) {
            device_.patBlt(rec.coord(8), rec.coord(7), rec.coord(6), rec.coord(5), rop);
            return;
        }
        const auto image = bitmap();
        const double w = rec.coord(5), h = rec.coord(4);
        device_.stretchBlt(rec.coord(7), rec.coord(6), w, h, image.get(), rec.coord(3),
                           rec.coord(2), w, h, rop);
        return;
    }
    if (rec.sizeInWords == 14) {
        device_.patBlt(rec.coord(10), rec.coord(9), rec.coord(8), rec.coord(7), rop);
        return;
    }
    const auto image = bitmap();
    device_.stretchBlt(rec.coord(9), rec.coord(8), rec.coord(7), rec.coord(6), image.get(),
                       rec.coord(5), rec.coord(4), rec.coord(3), rec.coord(2), rop);
}

void WmfPlayer::play(const WmfRecord& rec) {
    const ByteReader& p = rec.params;
    DcState& s = device_.state();
    switch (rec.function) {
        case 0x0201:
            s.bkColor = p.u32(0);
            break;
        case 0x0102:
            s.bkMode = p.u16(0);
            break;
        case 0x0103:
            device_.setMapMode(p.u16(0));
            break;
        case 0x0104:
            s.rop2 = std::clamp<int>(p.u16(0), 1, 16);
            break;
        case 0x0106:
            s.polyFillMode = p.u16(0) == 2 ? 2 : 1;
            break;
        case 0x0107:
            s.stretchMode = p.u16(0);
            break;
        case 0x0108:
            s.textCharExtra = p.i16(0);
            break;
        case 0x0209:
            s.textColor = p.u32(0);
            break;
        case 0x012E:
            s.textAlign = p.u16(0);
            break;
        case 0x020B:
            device_.setWindowOrg({rec.coord(1), rec.coord(0)});
            break;
        case 0x020C:
            device_.setWindowExt({rec.coord(1), rec.coord(0)});
            break;
        case 0x020D:
            device_.setViewportOrg({rec.coord(1), rec.coord(0)});
            break;
        case 0x020E:
            device_.setViewportExt({rec.coord(1), rec.coord(0)});
            break;
        case 0x020F:
            device_.setWindowOrg({s.windowOrg.x + rec.coord(1), s.windowOrg.y + rec.coord(0)});
            break;
        case 0x0211:
            device_.setViewportOrg(
                {s.viewportOrg.x + rec.coord(1), s.viewportOrg.y + rec.coord(0)});
            break;
        case 0x0410:
            device_.scaleWindowExt(rec.coord(3), rec.coord(2), rec.coord(1), rec.coord(0));
            break;
        case 0x0412:
            device_.scaleViewportExt(rec.coord(3), rec.coord(2), rec.coord(1), rec.coord(0));
            break;
        case 0x0213:
            device_.lineTo({rec.coord(1), rec.coord(0)});
            break;
        case 0x0214:
            device_.moveTo({rec.coord(1), rec.coord(0)});
            break;
        case 0x0415:
            device_.excludeClipRect(rec.coord(3), rec.coord(2), rec.coord(1), rec.coord(0));
            break;
        case 0x0416:
            device_.intersectClipRect(rec.coord(3), rec.coord(2), rec.coord(1), rec.coord(0));
            break;
        case 0x0220:
            device_.offsetClip(rec.coord(1), rec.coord(0));
            break;
        case 0x0817:
        case 0x081A:
        case 0x0830: {
            const ArcKind kind = rec.function == 0x0817   ? ArcKind::Arc
                                 : rec.function == 0x081A ? ArcKind::Pie
                                                          : ArcKind::Chord;
            device_.arc(kind, rec.coord(7), rec.coord(6), rec.coord(5), rec.coord(4),
                        {rec.coord(3), rec.coord(2)}, {rec.coord(1), rec.coord(0)});
            break;
        }
        case 0x0418:
            device_.ellipse(rec.coord(3), rec.coord(2), rec.coord(1), rec.coord(0));
            break;
        case 0x041B:
            device_.rectangle(rec.coord(3), rec.coord(2), rec.coord(1), rec.coord(0));
            break;
        case 0x061C:
            device_.roundRect(rec.coord(5), rec.coord(4), rec.coord(3), rec.coord(2), rec.coord(1),
                              rec.coord(0));
            break;
        case 0x061D:
            device_.patBlt(rec.coord(5), rec.coord(4), rec.coord(3), rec.coord(2), p.u32(0));
            break;
        case 0x001E:
            device_.saveDC();
            break;
        case 0x0127:
            device_.restoreDC(p.i16(0));
            break;
        case 0x041F:
            device_.setPixel({rec.coord(3), rec.coord(2)}, p.u32(0));
            break;
        case 0x0521:
            text(rec, false);
            break;
        case 0x0A32:
            text(rec, true);
            break;
        case 0x0324:
        case 0x0325: {
            const std::size_t count = p.u16(0);
            const auto points = readPoints(p, 2, count);
            if (rec.function == 0x0324)
                device_.polygon(points);
            else
                device_.polyline(points);
            break;
        }
        case 0x0538: {
            const std::size_t polygons = p.u16(0);
            p.requireItems(2, polygons, 2);
            std::size_t offset = 2 + polygons * 2;
            std::vector<std::vector<PointD>> all;
            for (std::size_t i = 0; i < polygons; ++i) {
                const std::size_t count = p.u16(2 + 2 * i);
                all.push_back(readPoints(p, offset, count));
                offset += count * 4;
            }
            device_.polyPolygon(all);
            break;
        }
        case 0x012D:
            selectObject(p.u16(0));
            break;
        case 0x01F0:
            objects_.remove(p.u16(0));
            break;
        case 0x0234: {
            const GdiObject* object = objects_.get(p.u16(0));
            if (object && object->palette) device_.selectPalette(object->palette);
            break;
        }
        case 0x00F7: {  // create palette
            auto palette = std::make_shared<PaletteObject>();
            palette->entries = ReadPaletteEntries(p, 4, p.u16(2));
            addObject(GdiObject(palette));
            break;
        }
        case 0x0037:    // set palette entries
        case 0x0436: {  // animate palette
            if (s.palette) SetPaletteEntries(*s.palette, p.u16(0), p, 4, p.u16(2));
            break;
        }
        case 0x0139:
            if (s.palette) ResizePalette(*s.palette, p.u16(0));
            break;
        case 0x02FA:
            addObject(GdiObject(ReadLogPen(p, 0, 2)));
            break;      // create pen
        case 0x02FC: {  // create brush
            auto brush = std::make_shared<BrushObject>();
            brush->style = p.u16(0);
            brush->color = p.u32(2);
            brush->hatch = p.has(6, 2) ? p.u16(6) : 0;
            if (brush->style == kBrushPattern || brush->style == kBrushDibPattern ||
                brush->style == kBrushDibPatternPt)
                brush->style = kBrushSolid;  // a pattern needs a bitmap this record cannot carry
            addObject(GdiObject(brush));
            break;
        }
        case 0x0142: {  // DIB pattern brush
            auto brush = std::make_shared<BrushObject>();
            brush->style = kBrushDibPattern;
            const int usage = p.u16(2);
            brush->pattern = dibAt(rec, 4, usage);
            addObject(GdiObject(brush));
            break;
        }
        case 0x01F9: {  // pattern brush from a device-dependent bitmap
            auto brush = std::make_shared<BrushObject>();
            brush->style = kBrushPattern;
            brush->pattern = DecodeBitmap16(p, 0, 32, budget_);
            brush->monochromeUsesDcColours = true;
            addObject(GdiObject(brush));
            break;
        }
        case 0x02FB: {  // create font
            auto font = ReadLogFont(p, 0, 2);
            font->face = readFaceName(p, 18);
            // The face name is in the font's own code page.
            if (std::any_of(font->face.begin(), font->face.end(),
                            [](char c) { return (c & 0x80) != 0; })) {
                const DecodedText name =
                    DecodeAnsiText(reinterpret_cast<const std::uint8_t*>(font->face.data()),
                                   font->face.size(), font->charset == 2 ? 0 : font->charset);
                font->face = ToUtf8(name.chars);
            }
            addObject(GdiObject(font));
            break;
        }
        case 0x06FF: {  // create region
            auto region = std::make_shared<RegionObject>();
            const std::size_t scans = p.u16(10);
            std::size_t offset = 22;
            for (std::size_t i = 0; i < scans; ++i) {
                const std::size_t count = p.u16(offset);
                const int top = p.i16(offset + 2), bottom = p.i16(offset + 4);
                p.requireItems(offset + 6, count / 2, 4);
                for (std::size_t k = 0; k < count / 2; ++k)
                    region->rects.push_back(
                        {p.i16(offset + 6 + 4 * k), top, p.i16(offset + 8 + 4 * k), bottom});
                offset += 6 + (count / 2) * 4 + 2;
            }
            addObject(GdiObject(region));
            break;
        }
        case 0x012C: {  // select clip region
            const GdiObject* object = objects_.get(p.u16(0));
            if (object && object->region) {
                const ScanRegion region = regionToPicture(*object->region);
                device_.selectClipRegion(&region, RegionOp::Copy);
            } else if (!object) {
                device_.selectClipRegion(nullptr, RegionOp::Copy);
            }
            break;
        }
        case 0x0228:    // fill region
        case 0x0429: {  // frame region
            const GdiObject* region = objects_.get(p.u16(0));
            const GdiObject* brush = objects_.get(p.u16(2));
            if (!region || !region->region || !brush || !brush->brush) break;
            const ScanRegion pixels = regionToPicture(*region->region);
            if (rec.function == 0x0228) {
                device_.fillRegion(pixels, brush->brush.get());
            } else {
                const PointD size =
                    device_.logicalToPicture().mapVector({rec.coord(3), rec.coord(2)});
                device_.frameRegion(pixels, brush->brush.get(),
                                    static_cast<int>(std::fabs(size.x) + 0.5),
                                    static_cast<int>(std::fabs(size.y) + 0.5));
            }
            break;
        }
        case 0x012A:
        case 0x012B: {  // invert / paint region
            const GdiObject* region = objects_.get(p.u16(0));
            if (!region || !region->region) break;
            const ScanRegion pixels = regionToPicture(*region->region);
            if (rec.function == 0x012A)
                device_.invertRegion(pixels);
            else
                device_.fillRegion(pixels, s.brush.get());
            break;
        }
        case 0x0940:  // DIB bit blit
            blit(rec, false, [&] { return dibAt(rec, 16, kDibRgbColors); });
            break;
        case 0x0B41:  // DIB stretch blit
            blit(rec, true, [&] { return dibAt(rec, 20, kDibRgbColors); });
            break;
        case 0x0F43: {  // stretch DIB
            const auto image = dibAt(rec, 22, p.u16(4));
            if (!image) break;
            const double srcH = rec.coord(3);
            device_.stretchBlt(rec.coord(10), rec.coord(9), rec.coord(8), rec.coord(7), image.get(),
                               rec.coord(6), image->sourceTop(rec.coord(5), srcH), rec.coord(4),
                               srcH, p.u32(0));
            break;
        }
        case 0x0D33: {  // set DIB bits to the device
            const auto image = dibAt(rec, 18, p.u16(0));
            if (!image) break;
            const double w = rec.coord(6), h = rec.coord(5);
            device_.stretchBlt(rec.coord(8), rec.coord(7), w, h, image.get(), rec.coord(4),
                               image->sourceTop(rec.coord(3), h), w, h, 0x00CC0020);
            break;
        }
        case 0x0922:  // bit blit with a device-dependent bitmap
            blit(rec, false, [&] { return DecodeBitmap16(p, 16, 26, budget_); });
            break;
        case 0x0B23:  // stretch blit with a device-dependent bitmap
            blit(rec, true, [&] { return DecodeBitmap16(p, 20, 30, budget_); });
            break;
        default:
            break;  // escapes, palette realisation, flood fills and the like draw nothing here
    }
}

}  // namespace

WmfLayout ReadWmfLayout(const std::uint8_t* data, std::size_t size) {
    const ByteReader file(data, size, "WMF header");
    WmfLayout layout;
    std::size_t offset = 0;
    if (size >= 4 && file.u32(0) == kPlaceableKey) {
        file.require(0, 22);
        layout.placeable = true;
        for (int i = 0; i < 4; ++i) layout.bounds[i] = file.i16(6 + 2 * i);
        layout.unitsPerInch = file.u16(14);
        if (layout.unitsPerInch == 0) file.fail("the placeable header gives no units per inch");
        offset = 22;
    }
    file.require(offset, 18);
    const std::uint16_t type = file.u16(offset);
    const std::uint16_t headerWords = file.u16(offset + 2);
    const std::uint16_t version = file.u16(offset + 4);
    if ((type != 1 && type != 2) || headerWords != 9) file.fail("not a Windows metafile");
    if (version != 0x0100 && version != 0x0300)
        file.fail("unknown metafile version 0x" + hex4(version));
    layout.objectCount = file.u16(offset + 10);
    layout.recordsOffset = offset + 18;
    return layout;
}

WmfExtent ScanWmfExtent(const std::uint8_t* data, std::size_t size, const WmfLayout& layout) {
    WmfExtent extent;
    int mapMode = 1;
    bool orgSeen = false;
    double textHeight = 16;
    auto include = [&](double x, double y) {
        if (!extent.hasDrawing) {
            extent.drawLeft = extent.drawRight = x;
            extent.drawTop = extent.drawBottom = y;
            extent.hasDrawing = true;
        }
        extent.drawLeft = std::min(extent.drawLeft, x),
        extent.drawRight = std::max(extent.drawRight, x);
        extent.drawTop = std::min(extent.drawTop, y),
        extent.drawBottom = std::max(extent.drawBottom, y);
    };
    forEachRecord(data, size, layout, [&](const WmfRecord& rec) {
        const ByteReader& p = rec.params;
        switch (rec.function) {
            case 0x0103:
                mapMode = p.u16(0);
                break;
            case 0x020B:
                if (!orgSeen) extent.windowOrg = {rec.coord(1), rec.coord(0)};
                orgSeen = true;
                break;
            case 0x020C:
                if (!extent.hasWindowExt && rec.coord(0) != 0 && rec.coord(1) != 0) {
                    extent.hasWindowExt = true;
                    extent.windowExt = {rec.coord(1), rec.coord(0)};
                    extent.mapMode = mapMode;
                }
                break;
            case 0x02FB:
                textHeight = std::max(1.0, std::fabs(rec.coord(0)));
                break;
            case 0x0213:
            case 0x0214:
                include(rec.coord(1), rec.coord(0));
                break;
            case 0x0418:
            case 0x041B:
            case 0x061C:
            case 0x0817:
            case 0x081A:
            case 0x0830: {
                const std::size_t base = rec.function == 0x061C              ? 2
                                         : (rec.function & 0xFF00) == 0x0800 ? 4
                                                                             : 0;
                include(rec.coord(base + 3), rec.coord(base + 2));
                include(rec.coord(base + 1), rec.coord(base));
                break;
            }
            case 0x0324:
            case 0x0325: {
                const std::size_t count = p.u16(0);
                for (const PointD& q : readPoints(p, 2, count)) include(q.x, q.y);
                break;
            }
            case 0x0521: {
                const std::size_t count = p.u16(0);
                const std::size_t after = 2 + ((count + 1) & ~std::size_t{1});
                const double x = p.i16(after + 2), y = p.i16(after);
                include(x, y);
                include(x + count * textHeight * 0.6, y + textHeight);
                break;
            }
            case 0x0A32: {
                const double x = rec.coord(1), y = rec.coord(0);
                const std::size_t count = p.u16(4);
                include(x, y);
                include(x + count * textHeight * 0.6, y + textHeight);
                break;
            }
            default:
                break;
        }
    });
    if (extent.hasWindowExt && !orgSeen) extent.windowOrg = {0, 0};
    return extent;
}

void PlayWmf(const std::uint8_t* data, std::size_t size, const WmfLayout& layout, GdiDevice& device,
             WorkBudget& budget) {
    WmfPlayer player(device, budget, layout.objectCount);
    forEachRecord(data, size, layout, [&](const WmfRecord& rec) {
        budget.charge(1);
        player.play(rec);
    });
}
