#include "scale/tone_row.h"

#include <cmath>

#include "scale/tone.h"

// Without contrast the offset term is exactly zero and every channel value
// maps through one table. With contrast, a pixel's offset (luminance - 128)
// * step / 10 is the same for its three channels, and adding the integer
// value + brightness * 10 does not move where it rounds, except exactly at a
// half, where ties go to the even result. So the offset is taken in double
// and rounded once per pixel; only where it lies within a hair of a half
// does Contrast itself, in extended precision, decide each channel.

namespace {

constexpr double kTieMargin = 1e-6;

}  // namespace

void ApplyToneToRow(std::uint8_t* row, int pixels, std::int32_t contrastStep,
                    std::int32_t brightnessStep) {
    if (contrastStep == 0) {
        std::uint8_t table[256];
        for (int v = 0; v < 256; ++v)
            table[v] = static_cast<std::uint8_t>(Contrast(v, 0.0, 0, brightnessStep));
        for (int i = 0; i < 3 * pixels; ++i) row[i] = table[row[i]];
        return;
    }
    // Clamping the shifted value: index = value + offset + 512 - 10 * (-brightness).
    std::uint8_t clamp[1024 + 512];
    for (int i = 0; i < 1024 + 512; ++i) {
        const int v = i - 768;
        clamp[i] = static_cast<std::uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : v);
    }
    const int bias = 768 + brightnessStep * 10;
    for (int i = 0; i < pixels; ++i, row += 3) {
        const int b = row[0], g = row[1], r = row[2];
        const double y = 0.299 * r + 0.587 * g + 0.114 * b;
        const double offset = (y - 128.0) * contrastStep / 10.0;
        const double whole = std::floor(offset);
        const double frac = offset - whole;
        if (std::fabs(frac - 0.5) < kTieMargin) {
            const double exact = Luminance(r, g, b);
            row[0] = static_cast<std::uint8_t>(Contrast(b, exact, contrastStep, brightnessStep));
            row[1] = static_cast<std::uint8_t>(Contrast(g, exact, contrastStep, brightnessStep));
            row[2] = static_cast<std::uint8_t>(Contrast(r, exact, contrastStep, brightnessStep));
            continue;
        }
        const int shift = static_cast<int>(whole) + (frac > 0.5 ? 1 : 0) + bias;
        row[0] = clamp[b + shift];
        row[1] = clamp[g + shift];
        row[2] = clamp[r + shift];
    }
}
