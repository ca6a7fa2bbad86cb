#pragma once

// Bitmap transfers onto the picture: a source rectangle of a decoded bitmap
// stretched (nearest pixel, as the platform's colour-on-colour mode does)
// onto a destination parallelogram, combined with the brush and the picture
// by a ternary raster operation, a transparent colour or alpha blending.

#include <cstdint>

#include "picture/metafile/canvas.h"
#include "picture/metafile/dib_image.h"
#include "picture/metafile/geometry.h"

enum class BlitMode { RasterOp, TransparentColour, AlphaBlend };

struct BlitRequest {
    const DibImage* source = nullptr;  // may be null for operations without a source
    double srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0;  // in source pixels, top row 0
    // The destination in picture coordinates: the point `origin` plus u times
    // `axisX` plus v times `axisY`, for u and v in [0, 1).
    PointD origin, axisX, axisY;
    BlitMode mode = BlitMode::RasterOp;
    int rop3 = 0xCC;
    const Paint* brush = nullptr;  // the pattern of the raster operation
    Colour transparent = 0;        // BlitMode::TransparentColour
    int constantAlpha = 255;       // BlitMode::AlphaBlend
    bool sourceAlpha = false;      // BlitMode::AlphaBlend: premultiplied per-pixel alpha
};

// True when the raster operation reads the source / the pattern.
inline bool Rop3UsesSource(int rop3) {
    return ((rop3 >> 2) & 0x33) != (rop3 & 0x33);
}
inline bool Rop3UsesPattern(int rop3) {
    return ((rop3 >> 4) & 0x0F) != (rop3 & 0x0F);
}

void Blit(Canvas& canvas, const BlitRequest& request);
