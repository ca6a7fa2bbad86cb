#include "picture/metafile/polygon_fill.h"

#include <algorithm>
#include <cmath>

namespace {

struct Edge {
    double yTop, yBottom;  // yTop < yBottom
    double xAtTop;
    double slope;  // dx per unit of y
    int direction;
};

struct Crossing {
    double x;
    int direction;
};

// Clamps a coordinate to a range whose integers fit an int with room to spare.
int clampToInt(double v, int lo, int hi) {
    if (!(v > lo)) return lo;  // also NaN
    if (v > hi) return hi;
    return static_cast<int>(v);
}

}  // namespace

ScanRegion FillPolygons(const std::vector<Contour>& contours, FillRule rule, const RectI& limit,
                        WorkBudget& budget) {
    std::vector<Edge> edges;
    double minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (const Contour& contour : contours) {
        if (contour.size() < 2) continue;
        if (!std::all_of(contour.begin(), contour.end(), [](PointD p) { return isFinite(p); }))
            continue;
        budget.charge(contour.size());
        for (std::size_t i = 0; i < contour.size(); ++i) {
            const PointD a = contour[i];
            const PointD b = contour[(i + 1) % contour.size()];
            if (a.y == b.y) continue;
            Edge e;
            e.direction = a.y < b.y ? 1 : -1;
            const PointD top = a.y < b.y ? a : b;
            const PointD bottom = a.y < b.y ? b : a;
            e.yTop = top.y;
            e.yBottom = bottom.y;
            e.xAtTop = top.x;
            e.slope = (bottom.x - top.x) / (bottom.y - top.y);
            if (!std::isfinite(e.slope)) continue;
            edges.push_back(e);
            minY = std::min(minY, top.y);
            maxY = std::max(maxY, bottom.y);
        }
    }
    if (edges.empty() || limit.empty()) return ScanRegion();

    // Rows whose centre lies in [minY, maxY).
    const int firstRow =
        std::max(limit.top, clampToInt(std::ceil(minY), limit.top - 1, limit.bottom));
    const int lastRow =
        std::min(limit.bottom - 1, clampToInt(std::ceil(maxY) - 1, limit.top - 1, limit.bottom));
    ScanRegion::Builder builder(firstRow);
    if (firstRow > lastRow) return builder.finish();

    std::sort(edges.begin(), edges.end(),
              [](const Edge& a, const Edge& b) { return a.yTop < b.yTop; });
    std::vector<const Edge*> active;
    std::vector<Crossing> crossings;
    std::size_t next = 0;
    for (int y = firstRow; y <= lastRow; ++y) {
        const double sample = y;
        while (next < edges.size() && edges[next].yTop <= sample) active.push_back(&edges[next++]);
        active.erase(std::remove_if(active.begin(), active.end(),
                                    [sample](const Edge* e) { return e->yBottom <= sample; }),
                     active.end());
        budget.charge(active.size() + 1);
        crossings.clear();
        for (const Edge* e : active) {
            if (e->yTop > sample) continue;
            crossings.push_back({e->xAtTop + (sample - e->yTop) * e->slope, e->direction});
        }
        std::sort(crossings.begin(), crossings.end(),
                  [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
        int winding = 0;
        for (std::size_t i = 0; i < crossings.size(); ++i) {
            const bool wasInside = rule == FillRule::Alternate ? (i % 2) == 1 : winding != 0;
            winding += crossings[i].direction;
            const bool isInside = rule == FillRule::Alternate ? (i % 2) == 0 : winding != 0;
            if (!wasInside && isInside && i + 1 < crossings.size()) {
                // Find where this inside stretch ends.
                std::size_t j = i + 1;
                int w = winding;
                if (rule == FillRule::Winding) {
                    while (j < crossings.size()) {
                        w += crossings[j].direction;
                        if (w == 0) break;
                        ++j;
                    }
                    if (j == crossings.size()) break;
                }
                const int x0 = clampToInt(std::ceil(crossings[i].x), limit.left, limit.right);
                const int x1 = clampToInt(std::ceil(crossings[j].x), limit.left, limit.right);
                builder.add(x0, x1);
                winding = w;
                i = j;
            }
        }
        builder.endRow();
    }
    return builder.finish();
}
