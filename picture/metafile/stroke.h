#pragma once

// Lines as a pen draws them. A pen at most about one pixel wide is a
// cosmetic pen: it steps from pixel to pixel and leaves out the last pixel
// of an open line, so a chain of line segments lights each joint once. A
// wider pen is outlined (caps, joins, dashes scaled with the width) and the
// outline filled, every pixel once, whatever the raster operation.

#include <vector>

#include "picture/metafile/canvas.h"
#include "picture/metafile/shapes.h"

enum PenDash {
    kDashSolid = 0,
    kDashDash = 1,
    kDashDot = 2,
    kDashDashDot = 3,
    kDashDashDotDot = 4,
    kDashNull = 5,
    kDashInsideFrame = 6,
    kDashUser = 7,
    kDashAlternate = 8
};
enum PenCap { kCapRound = 0, kCapSquare = 1, kCapFlat = 2 };
enum PenJoin { kJoinRound = 0, kJoinBevel = 1, kJoinMiter = 2 };

struct StrokeStyle {
    int dash = kDashSolid;
    double width = 1;  // picture pixels
    int cap = kCapRound;
    int join = kJoinRound;
    double miterLimit = 10;
    std::vector<double> userDashes;  // picture pixels, on/off alternating
    Colour colour = kBlack;
    int rop2 = kRop2CopyPen;
    bool opaqueGaps = false;  // gaps of a dashed cosmetic line painted with gapColour
    Colour gapColour = kWhite;
};

// True when a pen of this width in pixels draws as a cosmetic one.
inline bool IsCosmeticWidth(double width) {
    return !(width >= 1.5);
}

void StrokePolyline(Canvas& canvas, const Polyline& points, bool closed, const StrokeStyle& style);

// The outline of a wide stroke as positively oriented contours, to be filled
// with the winding rule (used for wide pens and for widened paths).
std::vector<std::vector<PointD>> WideStrokeOutline(const Polyline& points, bool closed,
                                                   const StrokeStyle& style);
