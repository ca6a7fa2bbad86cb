#pragma once

// The drawing objects a metafile creates, selects and deletes (pens,
// brushes, fonts, palettes, regions) and the table that holds them by
// index. Selected objects are shared with the device context, so deleting
// a selected object never leaves the context pointing at nothing.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "picture/metafile/canvas.h"
#include "picture/metafile/dib_image.h"
#include "picture/metafile/geometry.h"

// A colour as records give it: 0x00BBGGRR, or a palette index when the top
// byte is 1.
using ColorRef = std::uint32_t;

struct PenObject {
    int style = 0;     // dash style in the low bits, caps and joins above
    double width = 0;  // logical units; 0 draws one pixel wide
    ColorRef color = 0;
    bool extended = false;  // made by the extended pen record (geometric dashes allowed)
    bool geometric = false;
    std::vector<double> userDashes;  // logical units
};

enum BrushStyle {
    kBrushSolid = 0,
    kBrushNull = 1,
    kBrushHatched = 2,
    kBrushPattern = 3,
    kBrushDibPattern = 5,
    kBrushDibPatternPt = 6
};

struct BrushObject {
    int style = kBrushSolid;
    ColorRef color = 0;
    int hatch = 0;
    std::shared_ptr<const DibImage> pattern;
    bool monochromeUsesDcColours =
        false;  // 0 bits in the text colour, 1 bits in the background colour
    // The pattern as a tile, made on first use when it does not depend on
    // the context's colours.
    mutable std::shared_ptr<const PatternTile> tile;
};

struct FontObject {
    int height = 0;
    int width = 0;
    int escapement = 0;  // tenths of a degree
    int orientation = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 0;
    std::string face;  // UTF-8
};

struct PaletteObject {
    std::vector<Colour> entries;
};

struct RegionObject {
    std::vector<RectI> rects;  // logical units for WMF, device units for EMF
};

struct GdiObject {
    GdiObject() = default;
    // An entry holding the one object given.
    explicit GdiObject(std::shared_ptr<const PenObject> object) : pen(std::move(object)) {}
    explicit GdiObject(std::shared_ptr<const BrushObject> object) : brush(std::move(object)) {}
    explicit GdiObject(std::shared_ptr<const FontObject> object) : font(std::move(object)) {}
    explicit GdiObject(std::shared_ptr<PaletteObject> object) : palette(std::move(object)) {}
    explicit GdiObject(std::shared_ptr<const RegionObject> object) : region(std::move(object)) {}

    std::shared_ptr<const PenObject> pen;
    std::shared_ptr<const BrushObject> brush;
    std::shared_ptr<const FontObject> font;
    std::shared_ptr<PaletteObject> palette;
    std::shared_ptr<const RegionObject> region;
    bool other = false;  // a kind this renderer keeps only to hold its slot (colour spaces)
};

// Objects by index. WMF fills the first free slot; EMF names the slot.
class ObjectTable {
public:
    // The first free slot of a WMF table, or -1 when the table is full.
    int firstFree() const;
    void put(std::uint32_t index, GdiObject object);
    const GdiObject* get(std::uint32_t index) const;
    GdiObject* getMutable(std::uint32_t index);
    void remove(std::uint32_t index);

    // Slots at or above `capacity` are refused. A sequential table (WMF)
    // hands out its first free slot; the other kind (EMF) is told the slot.
    void setCapacity(std::uint32_t capacity, bool sequential) {
        capacity_ = capacity;
        sequential_ = sequential;
    }

private:
    std::unordered_map<std::uint32_t, GdiObject> objects_;
    std::uint32_t capacity_ = 65536;
    bool sequential_ = true;
    // Free slots below nextUnused_, so the first free slot is found at once.
    std::set<std::uint32_t> freed_;
    std::uint32_t nextUnused_ = 0;
};

// The colour a COLORREF stands for, palette indices looked up in `palette`.
Colour ResolveColor(ColorRef ref, const PaletteObject* palette);

// The palette a context starts with (the twenty static colours).
std::shared_ptr<PaletteObject> DefaultPalette();
