#pragma once

// Points and affine transforms in the renderer's coordinate spaces. A
// transform follows the metafile's own convention:
//   x' = x * m11 + y * m21 + dx,   y' = x * m12 + y * m22 + dy.
// Picture coordinates put pixel (x, y)'s centre at the integer point (x, y).

#include <cmath>

struct PointD {
    double x = 0;
    double y = 0;
};

inline PointD operator+(PointD a, PointD b) {
    return {a.x + b.x, a.y + b.y};
}
inline PointD operator-(PointD a, PointD b) {
    return {a.x - b.x, a.y - b.y};
}
inline PointD operator*(PointD a, double s) {
    return {a.x * s, a.y * s};
}
inline double lengthOf(PointD a) {
    return std::hypot(a.x, a.y);
}
inline bool isFinite(PointD a) {
    return std::isfinite(a.x) && std::isfinite(a.y);
}

struct Matrix {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

    PointD map(PointD p) const { return {p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy}; }
    // Maps a vector: the linear part only.
    PointD mapVector(PointD v) const { return {v.x * m11 + v.y * m21, v.x * m12 + v.y * m22}; }
    double determinant() const { return m11 * m22 - m12 * m21; }
    bool isFinite() const {
        return std::isfinite(m11) && std::isfinite(m12) && std::isfinite(m21) &&
               std::isfinite(m22) && std::isfinite(dx) && std::isfinite(dy);
    }
    // This transform followed by `next`.
    Matrix then(const Matrix& next) const {
        Matrix r;
        r.m11 = m11 * next.m11 + m12 * next.m21;
        r.m12 = m11 * next.m12 + m12 * next.m22;
        r.m21 = m21 * next.m11 + m22 * next.m21;
        r.m22 = m21 * next.m12 + m22 * next.m22;
        r.dx = dx * next.m11 + dy * next.m21 + next.dx;
        r.dy = dx * next.m12 + dy * next.m22 + next.dy;
        return r;
    }
    static Matrix scaling(double sx, double sy, double tx, double ty) {
        Matrix r;
        r.m11 = sx;
        r.m22 = sy;
        r.dx = tx;
        r.dy = ty;
        return r;
    }
};

struct RectI {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    bool empty() const { return right <= left || bottom <= top; }
};
