#include "picture/metafile/shapes.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

int SegmentsForRadius(double radius) {
    if (!(radius > 0.5)) return 8;
    const double n = kPi * std::sqrt(2.0 * radius);
    if (!(n < 4096)) return 4096;
    return std::max(8, static_cast<int>(std::ceil(n)));
}

Polyline EllipsePoints(double cx, double cy, double rx, double ry) {
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    const int n = SegmentsForRadius(std::max(rx, ry));
    Polyline points;
    points.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = 2 * kPi * i / n;
        points.push_back({cx + rx * std::cos(t), cy - ry * std::sin(t)});
    }
    return points;
}

// The parameter of the ellipse point on the ray from the centre towards p,
// counted counter-clockwise as seen on the picture (y grows downwards).
static double angleTowards(double cx, double cy, double rx, double ry, PointD p) {
    const double dx = rx > 0 ? (p.x - cx) / rx : 0;
    const double dy = ry > 0 ? (cy - p.y) / ry : 0;
    if (dx == 0 && dy == 0) return 0;
    return std::atan2(dy, dx);
}

Polyline ArcPoints(double cx, double cy, double rx, double ry, PointD start, PointD end,
                   bool clockwise) {
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    double a0 = angleTowards(cx, cy, rx, ry, start);
    double a1 = angleTowards(cx, cy, rx, ry, end);
    double sweep = clockwise ? a0 - a1 : a1 - a0;
    while (sweep <= 0) sweep += 2 * kPi;
    if (!std::isfinite(sweep) || sweep > 2 * kPi) sweep = 2 * kPi;
    const int full = SegmentsForRadius(std::max(rx, ry));
    const int n = std::max(2, static_cast<int>(std::ceil(full * sweep / (2 * kPi))));
    Polyline points;
    points.reserve(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
        const double t = a0 + (clockwise ? -sweep : sweep) * i / n;
        points.push_back({cx + rx * std::cos(t), cy - ry * std::sin(t)});
    }
    return points;
}

Polyline RoundRectPoints(double left, double top, double right, double bottom, double cornerWidth,
                         double cornerHeight) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const double rx = std::min(std::fabs(cornerWidth) / 2, (right - left) / 2);
    const double ry = std::min(std::fabs(cornerHeight) / 2, (bottom - top) / 2);
    const int quarter = std::max(2, SegmentsForRadius(std::max(rx, ry)) / 4);
    Polyline points;
    const double centres[4][2] = {{right - rx, top + ry},
                                  {left + rx, top + ry},
                                  {left + rx, bottom - ry},
                                  {right - rx, bottom - ry}};
    for (int corner = 0; corner < 4; ++corner) {
        for (int i = 0; i <= quarter; ++i) {
            const double t = kPi / 2 * (corner + static_cast<double>(i) / quarter);
            points.push_back(
                {centres[corner][0] + rx * std::cos(t), centres[corner][1] - ry * std::sin(t)});
        }
    }
    return points;
}

void AppendBezier(PointD p0, PointD p1, PointD p2, PointD p3, Polyline& out) {
    const double length = lengthOf(p1 - p0) + lengthOf(p2 - p1) + lengthOf(p3 - p2);
    int n = 1;
    if (std::isfinite(length)) n = std::clamp(static_cast<int>(std::sqrt(length) * 2), 1, 1024);
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n;
        const double u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        out.push_back(
            {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
}
