#pragma once

// Windows metafiles of the 16-bit kind: the optional placeable header, the
// metafile header, and the records, played on a GdiDevice.

#include <cstddef>
#include <cstdint>

#include "picture/metafile/gdi_device.h"
#include "picture/metafile/geometry.h"

struct WmfLayout {
    bool placeable = false;
    int bounds[4] = {0, 0, 0, 0};  // left, top, right, bottom in logical units (placeable only)
    int unitsPerInch = 0;          // placeable only
    std::size_t recordsOffset = 0;
    std::uint32_t objectCount = 0;
};

// Reads and checks the headers; throws EInvalidGraphic naming the fault.
WmfLayout ReadWmfLayout(const std::uint8_t* data, std::size_t size);

// What the records say about the picture's extent, for a metafile without
// the placeable header: the first window origin and extent it sets, the
// mapping mode then in force, and the box its drawing coordinates span.
struct WmfExtent {
    bool hasWindowExt = false;
    PointD windowOrg{0, 0};
    PointD windowExt{0, 0};
    int mapMode = 1;
    bool hasDrawing = false;
    double drawLeft = 0, drawTop = 0, drawRight = 0, drawBottom = 0;
};
WmfExtent ScanWmfExtent(const std::uint8_t* data, std::size_t size, const WmfLayout& layout);

// Plays every record up to the end record (or the end of the data, when
// the end record is missing). A record whose size or contents run past the
// file or the record throws EInvalidGraphic naming the record and offset.
void PlayWmf(const std::uint8_t* data, std::size_t size, const WmfLayout& layout, GdiDevice& device,
             WorkBudget& budget);
