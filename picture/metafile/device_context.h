#pragma once

// The state a metafile's records change between drawings: the coordinate
// spaces (mapping mode, window and viewport, the world transform of EMF),
// the selected objects, colours and modes, the current position and the
// clip region. SaveDC pushes a copy of all of it; RestoreDC brings one back.

#include <memory>

#include "picture/metafile/gdi_objects.h"
#include "picture/metafile/geometry.h"
#include "picture/metafile/scan_region.h"

enum MapMode {
    kMapText = 1,
    kMapLoMetric = 2,
    kMapHiMetric = 3,
    kMapLoEnglish = 4,
    kMapHiEnglish = 5,
    kMapTwips = 6,
    kMapIsotropic = 7,
    kMapAnisotropic = 8
};

constexpr int kBkTransparent = 1;
constexpr int kBkOpaque = 2;

struct DcState {
    int mapMode = kMapText;
    PointD windowOrg{0, 0};
    PointD windowExt{1, 1};
    PointD viewportOrg{0, 0};
    PointD viewportExt{1, 1};
    Matrix world;

    std::shared_ptr<const PenObject> pen;
    std::shared_ptr<const BrushObject> brush;
    std::shared_ptr<const FontObject> font;
    std::shared_ptr<PaletteObject> palette;

    ColorRef textColor = 0x000000;
    ColorRef bkColor = 0xFFFFFF;
    int bkMode = kBkOpaque;
    int polyFillMode = 1;  // alternate
    int rop2 = 13;         // copy pen
    int stretchMode = 1;
    int textAlign = 0;
    int textCharExtra = 0;
    bool arcClockwise = false;
    double miterLimit = 10;

    PointD currentPosition{0, 0};  // logical units

    std::shared_ptr<const ScanRegion> clip;      // picture pixels; none: everything
    std::shared_ptr<const ScanRegion> metaClip;  // picture pixels; none: everything
};
