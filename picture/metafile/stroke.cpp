#include "picture/metafile/stroke.h"

#include <algorithm>
#include <cmath>

#include "picture/metafile/polygon_fill.h"

namespace {

// Pixel lengths of the cosmetic dash styles, on and off alternating.
const std::vector<int>& cosmeticPattern(int dash) {
    static const std::vector<int> solid;
    static const std::vector<int> patterns[] = {
        {}, {18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}, {}, {}, {}, {1, 1}};
    if (dash < 0 || dash > kDashAlternate) return solid;
    return patterns[dash];
}

// Lengths of the geometric dash styles in multiples of the pen width.
std::vector<double> geometricPattern(const StrokeStyle& style) {
    switch (style.dash) {
        case kDashDash:
            return {3, 1};
        case kDashDot:
            return {1, 1};
        case kDashDashDot:
            return {3, 1, 1, 1};
        case kDashDashDotDot:
            return {3, 1, 1, 1, 1, 1};
        case kDashAlternate:
            return {1, 1};
        default:
            return {};
    }
}

// Clips the segment a-b to `box` (Liang-Barsky); false when nothing is left.
bool clipSegment(PointD& a, PointD& b, double left, double top, double right, double bottom) {
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - left, right - a.x, a.y - top, bottom - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (t0 > t1) return false;
    }
    const PointD start = a;
    a = {start.x + t0 * dx, start.y + t0 * dy};
    b = {start.x + t1 * dx, start.y + t1 * dy};
    return true;
}

long roundCoordinate(double v) {
    return static_cast<long>(std::floor(v + 0.5));
}

class CosmeticLine {
public:
    CosmeticLine(Canvas& canvas, const StrokeStyle& style)
        : canvas_(canvas), style_(style), pattern_(cosmeticPattern(style.dash)) {
        for (int length : pattern_) period_ += length;
    }

    // Draws a to b, leaving out b's pixel.
    void segment(PointD a, PointD b) {
        if (!isFinite(a) || !isFinite(b)) return;
        const double fullSteps = std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y));
        PointD ca = a, cb = b;
        const double margin = 2;
        if (!clipSegment(ca, cb, -margin, -margin, canvas_.width() + margin,
                         canvas_.height() + margin)) {
            advance(fullSteps);
            return;
        }
        // Dash phase of the clipped start.
        advance(std::max(std::fabs(ca.x - a.x), std::fabs(ca.y - a.y)));
        long x = roundCoordinate(ca.x), y = roundCoordinate(ca.y);
        const long x1 = roundCoordinate(cb.x), y1 = roundCoordinate(cb.y);
        const long dx = std::labs(x1 - x), dy = -std::labs(y1 - y);
        const int sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
        long error = dx + dy;
        while (x != x1 || y != y1) {
            plotDashed(static_cast<int>(x), static_cast<int>(y));
            const long e2 = 2 * error;
            if (e2 >= dy) {
                error += dy;
                x += sx;
            }
            if (e2 <= dx) {
                error += dx;
                y += sy;
            }
        }
    }

private:
    void advance(double steps) {
        if (period_ == 0 || !std::isfinite(steps)) return;
        phase_ = static_cast<int>((phase_ + static_cast<long long>(std::fmod(steps, period_))) %
                                  period_);
    }

    void plotDashed(int x, int y) {
        bool on = true;
        if (period_ > 0) {
            int p = phase_;
            std::size_t i = 0;
            while (p >= pattern_[i]) {
                p -= pattern_[i];
                i = (i + 1) % pattern_.size();
            }
            on = (i % 2) == 0;
            phase_ = (phase_ + 1) % period_;
        }
        if (on)
            canvas_.plot(x, y, style_.colour, style_.rop2);
        else if (style_.opaqueGaps)
            canvas_.plot(x, y, style_.gapColour, style_.rop2);
    }

    Canvas& canvas_;
    const StrokeStyle& style_;
    const std::vector<int>& pattern_;
    int period_ = 0;
    int phase_ = 0;
};

double signedArea(const std::vector<PointD>& c) {
    double area = 0;
    for (std::size_t i = 0; i < c.size(); ++i) {
        const PointD a = c[i], b = c[(i + 1) % c.size()];
        area += a.x * b.y - b.x * a.y;
    }
    return area / 2;
}

void addOriented(std::vector<std::vector<PointD>>& out, std::vector<PointD> contour) {
    if (signedArea(contour) < 0) std::reverse(contour.begin(), contour.end());
    out.push_back(std::move(contour));
}

PointD unitNormal(PointD a, PointD b) {
    const PointD d = b - a;
    const double len = lengthOf(d);
    return {-d.y / len, d.x / len};
}

void addDisc(std::vector<std::vector<PointD>>& out, PointD centre, double radius) {
    addOriented(out, EllipsePoints(centre.x, centre.y, radius, radius));
}

void addJoin(std::vector<std::vector<PointD>>& out, PointD prev, PointD v, PointD next,
             const StrokeStyle& style, double half) {
    if (style.join == kJoinRound) {
        addDisc(out, v, half);
        return;
    }
    const PointD n1 = unitNormal(prev, v) * half;
    const PointD n2 = unitNormal(v, next) * half;
    const PointD d1 = v - prev, d2 = next - v;
    const double turn = d1.x * d2.y - d1.y * d2.x;
    if (turn == 0) return;
    // The outer side is opposite to the turn.
    const double side = turn > 0 ? -1 : 1;
    const PointD a = v + n1 * side, b = v + n2 * side;
    if (style.join == kJoinMiter) {
        const PointD bisector = (n1 + n2) * side;
        const double len = lengthOf(bisector);
        const double cosHalf = len / (2 * half);
        if (cosHalf > 1e-9) {
            const double miterLength = half / cosHalf;
            if (miterLength / half <= std::max(1.0, style.miterLimit)) {
                const PointD m = v + bisector * (miterLength / len);
                addOriented(out, {v, a, m, b});
                return;
            }
        }
    }
    addOriented(out, {v, a, b});
}

void outlinePiece(std::vector<std::vector<PointD>>& out, const Polyline& points, bool closed,
                  const StrokeStyle& style) {
    const double half = style.width / 2;
    if (points.size() == 1) {
        const PointD p = points[0];
        if (style.cap == kCapRound)
            addDisc(out, p, half);
        else if (style.cap == kCapSquare)
            addOriented(out, {{p.x - half, p.y - half},
                              {p.x + half, p.y - half},
                              {p.x + half, p.y + half},
                              {p.x - half, p.y + half}});
        return;
    }
    const std::size_t n = points.size();
    const std::size_t segments = closed ? n : n - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        PointD a = points[i], b = points[(i + 1) % n];
        const PointD nrm = unitNormal(a, b) * half;
        if (!closed && style.cap == kCapSquare) {
            const PointD along = PointD{nrm.y, -nrm.x};  // unit direction times half
            if (i == 0) a = a - along;
            if (i + 1 == segments) b = b + along;
        }
        addOriented(out, {a + nrm, b + nrm, b - nrm, a - nrm});
    }
    for (std::size_t i = 0; i < n; ++i) {
        const bool end = !closed && (i == 0 || i + 1 == n);
        if (end) {
            if (style.cap == kCapRound) addDisc(out, points[i], half);
            continue;
        }
        addJoin(out, points[(i + n - 1) % n], points[i], points[(i + 1) % n], style, half);
    }
}

// Splits a polyline into its dashes.
std::vector<Polyline> dashPieces(const Polyline& points, bool closed,
                                 const std::vector<double>& pattern) {
    std::vector<Polyline> pieces;
    double period = 0;
    for (double d : pattern) period += d;
    if (pattern.empty() || !(period > 0.5)) return {points};
    std::size_t index = 0;
    double left = pattern[0];
    bool on = true;
    Polyline current{points[0]};
    const std::size_t n = points.size();
    const std::size_t segments = closed ? n : n - 1;
    std::size_t pieceBudget = 200000;
    for (std::size_t i = 0; i < segments && pieceBudget > 0; ++i) {
        PointD a = points[i];
        const PointD b = points[(i + 1) % n];
        double length = lengthOf(b - a);
        while (length > left && pieceBudget > 0) {
            const PointD cut = a + (b - a) * (left / length);
            if (on) {
                current.push_back(cut);
                pieces.push_back(std::move(current));
                --pieceBudget;
            }
            current = {cut};
            length -= left;
            a = cut;
            on = !on;
            index = (index + 1) % pattern.size();
            left = pattern[index];
        }
        left -= length;
        if (on)
            current.push_back(b);
        else
            current = {b};
    }
    if (on && current.size() > 1) pieces.push_back(std::move(current));
    return pieces;
}

}  // namespace

std::vector<std::vector<PointD>> WideStrokeOutline(const Polyline& input, bool closed,
                                                   const StrokeStyle& style) {
    Polyline points;
    for (const PointD& p : input) {
        if (!isFinite(p)) return {};
        if (points.empty() || p.x != points.back().x || p.y != points.back().y) points.push_back(p);
    }
    if (closed && points.size() > 1 && points.front().x == points.back().x &&
        points.front().y == points.back().y)
        points.pop_back();
    std::vector<std::vector<PointD>> out;
    if (points.empty()) return out;
    std::vector<double> pattern;
    if (style.dash == kDashUser)
        pattern = style.userDashes;
    else
        for (double d : geometricPattern(style)) pattern.push_back(d * style.width);
    if (pattern.empty() || points.size() < 2) {
        outlinePiece(out, points, closed && points.size() > 2, style);
        return out;
    }
    for (const Polyline& piece : dashPieces(points, closed, pattern))
        outlinePiece(out, piece, false, style);
    return out;
}

void StrokePolyline(Canvas& canvas, const Polyline& points, bool closed, const StrokeStyle& style) {
    if (style.dash == kDashNull || points.empty()) return;
    if (IsCosmeticWidth(style.width)) {
        CosmeticLine line(canvas, style);
        if (points.size() == 1) return;
        for (std::size_t i = 0; i + 1 < points.size(); ++i) line.segment(points[i], points[i + 1]);
        if (closed && points.size() > 2) line.segment(points.back(), points.front());
        return;
    }
    const auto outline = WideStrokeOutline(points, closed, style);
    const ScanRegion region =
        FillPolygons(outline, FillRule::Winding, canvas.bounds(), canvas.budget());
    canvas.fillRegion(region, Paint::solid(style.colour), style.rop2);
}
