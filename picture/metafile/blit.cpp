#include "picture/metafile/blit.h"

#include <algorithm>
#include <cmath>

namespace {

Colour patternAt(const Paint* brush, int x, int y) {
    if (!brush) return kBlack;
    if (!brush->tile || brush->tile->width <= 0 || brush->tile->height <= 0) return brush->colour;
    const PatternTile& t = *brush->tile;
    const int tx = ((x % t.width) + t.width) % t.width, ty = ((y % t.height) + t.height) % t.height;
    return t.pixels[static_cast<std::size_t>(ty) * t.width + tx];
}

int clampInt(double v, int lo, int hi) {
    if (!(v > lo)) return lo;
    if (v > hi) return hi;
    return static_cast<int>(v);
}

}  // namespace

void Blit(Canvas& canvas, const BlitRequest& r) {
    const double det = r.axisX.x * r.axisY.y - r.axisX.y * r.axisY.x;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12 || !isFinite(r.origin)) return;
    const bool needSource = r.mode != BlitMode::RasterOp || Rop3UsesSource(r.rop3);
    if (needSource && (!r.source || r.source->width <= 0 || r.source->height <= 0)) return;

    // Bounding box of the parallelogram, in pixel rows and columns.
    const PointD corners[4] = {r.origin, r.origin + r.axisX, r.origin + r.axisY,
                               r.origin + r.axisX + r.axisY};
    double minX = corners[0].x, maxX = minX, minY = corners[0].y, maxY = minY;
    for (const PointD& c : corners) {
        minX = std::min(minX, c.x), maxX = std::max(maxX, c.x);
        minY = std::min(minY, c.y), maxY = std::max(maxY, c.y);
    }
    const int x0 = clampInt(std::ceil(minX), 0, canvas.width()),
              x1 = clampInt(std::ceil(maxX), 0, canvas.width());
    const int y0 = clampInt(std::ceil(minY), 0, canvas.height()),
              y1 = clampInt(std::ceil(maxY), 0, canvas.height());
    if (x0 >= x1 || y0 >= y1) return;

    // Inverse of the axes: picture offset -> (u, v).
    const double iu_x = r.axisY.y / det, iu_y = -r.axisY.x / det;
    const double iv_x = -r.axisX.y / det, iv_y = r.axisX.x / det;
    for (int y = y0; y < y1; ++y) {
        canvas.budget().charge(static_cast<std::uint64_t>(x1 - x0) + 1);
        canvas.forEachVisibleSpan(y, x0, x1, [&](int a, int b) {
            for (int x = a; x < b; ++x) {
                const double ox = x - r.origin.x, oy = y - r.origin.y;
                const double u = ox * iu_x + oy * iu_y;
                const double v = ox * iv_x + oy * iv_y;
                if (!(u >= 0 && u < 1 && v >= 0 && v < 1)) continue;
                Colour src = 0;
                std::uint32_t srcArgb = 0;
                if (needSource) {
                    // Sample at the centre of the destination pixel.
                    const double cu = u + 0.5 * (iu_x + iu_y), cv = v + 0.5 * (iv_x + iv_y);
                    const double sxf = r.srcX + std::clamp(cu, 0.0, 0.999999) * r.srcWidth;
                    const double syf = r.srcY + std::clamp(cv, 0.0, 0.999999) * r.srcHeight;
                    const int sx = static_cast<int>(std::floor(sxf)),
                              sy = static_cast<int>(std::floor(syf));
                    if (sx < 0 || sy < 0 || sx >= r.source->width || sy >= r.source->height)
                        continue;
                    srcArgb = r.source->at(sx, sy);
                    src = srcArgb & 0xFFFFFF;
                }
                const Colour dst = canvas.pixel(x, y);
                Colour out = dst;
                switch (r.mode) {
                    case BlitMode::RasterOp:
                        out = ApplyRop3(r.rop3, patternAt(r.brush, x, y), src, dst);
                        break;
                    case BlitMode::TransparentColour:
                        if (src == r.transparent) continue;
                        out = src;
                        break;
                    case BlitMode::AlphaBlend: {
                        const int ca = r.constantAlpha;
                        int channel[3];
                        const int sa = r.sourceAlpha ? static_cast<int>(srcArgb >> 24) : 255;
                        const int effectiveAlpha = sa * ca / 255;
                        for (int k = 0; k < 3; ++k) {
                            const int s = static_cast<int>((src >> (8 * k)) & 0xFF);
                            const int d = static_cast<int>((dst >> (8 * k)) & 0xFF);
                            // A source with alpha is premultiplied, so only the
                            // constant alpha scales it.
                            const int sp = s * ca / 255;
                            channel[k] = std::clamp(sp + d * (255 - effectiveAlpha) / 255, 0, 255);
                        }
                        out = static_cast<Colour>(channel[0] | (channel[1] << 8) |
                                                  (channel[2] << 16));
                        break;
                    }
                }
                canvas.store(x, y, out);
            }
        });
    }
}
