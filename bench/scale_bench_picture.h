#pragma once

// The benchmark's test picture: 24-bit, photo-like (smooth colour fields,
// fine grain and a few hard edges), the same bytes on every run.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "picture/dib.h"
#include "tests/support/picture_builders.h"

inline TDIB MakeBenchPicture(int width, int height) {
    TDIB dib = BlankTrueColour(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = dib.ScanLineForWrite(y);
        const double v = static_cast<double>(y) / height;
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            std::uint32_t h = static_cast<std::uint32_t>(x) * 2654435761u ^
                              static_cast<std::uint32_t>(y) * 2246822519u;
            h ^= h >> 15;
            h *= 2246822519u;
            h ^= h >> 13;
            const int grain = static_cast<int>(h & 15) - 8;
            // A sky-like gradient, a lit disc and a dark band with sharp edges.
            double r = 90 + 80 * std::sin(3.1 * u + 1.3 * v) + 40 * v;
            double g = 110 + 70 * std::sin(2.3 * v - 1.7 * u + 0.5);
            double b = 150 + 60 * std::cos(4.0 * u * v + 0.3);
            const double dx = u - 0.62, dy = v - 0.41;
            if (dx * dx + dy * dy < 0.03) {
                r += 60;
                g += 45;
                b -= 30;
            }
            if (std::fabs(v - 0.8 + 0.1 * std::sin(9 * u)) < 0.04) {
                r *= 0.3;
                g *= 0.3;
                b *= 0.35;
            }
            auto clamp = [](double c) { return c < 0 ? 0 : c > 255 ? 255 : static_cast<int>(c); };
            row[3 * x] = static_cast<std::uint8_t>(clamp(b + grain));
            row[3 * x + 1] = static_cast<std::uint8_t>(clamp(g + grain));
            row[3 * x + 2] = static_cast<std::uint8_t>(clamp(r + grain));
        }
    }
    return dib;
}

// The same picture as a decoded photo is held: taken from a decoded
// picture, so with no colour table left from 8 bits.
inline TDIB MakeBenchPhoto(int width, int height) {
    const TDIB made = MakeBenchPicture(width, height);
    DecodedPicture rows;
    rows.allocate(width, height, 24);
    for (int y = 0; y < height; ++y)
        std::copy(made.ScanLine(y), made.ScanLine(y) + 3 * static_cast<std::size_t>(width),
                  rows.row(y));
    TDIB dib;
    dib.Assign(std::move(rows));
    return dib;
}
