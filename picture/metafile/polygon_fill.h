#pragma once

// Scan conversion of polygons without anti-aliasing: a pixel belongs to the
// shape when its centre (the integer point) lies inside, an edge counting
// for the pixels on its left and top sides only, so shapes sharing an edge
// never overlap and a rectangle from (0,0) to (10,10) covers exactly
// 10 x 10 pixels.

#include <vector>

#include "picture/metafile/geometry.h"
#include "picture/metafile/scan_region.h"
#include "picture/metafile/work_budget.h"

enum class FillRule { Alternate = 1, Winding = 2 };

using Contour = std::vector<PointD>;  // implicitly closed

// The pixels inside `contours` under `rule`, limited to `limit`. Contours
// with a non-finite point are left out.
ScanRegion FillPolygons(const std::vector<Contour>& contours, FillRule rule, const RectI& limit,
                        WorkBudget& budget);
