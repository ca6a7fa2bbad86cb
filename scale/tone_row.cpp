#include "scale/tone_row.h"

#include <cmath>

#include "scale/tone.h"

// Without contrast the offset term is exactly zero and every channel value
// maps through one table. With contrast, a pixel's offset (luminance - 128)
// * step / 10 is the same for its three channels, and adding the integer
// value + brightness * 10 does not move where it rounds, except exactly at a
// half, where ties go to the even result. The luminance is L / 1000 for the
// integer L = 299 R + 587 G + 114 B, so the rounded offset is tabulated by L;
// where it lies within a hair of a half, Contrast itself decides each
// channel in extended precision.

namespace {

constexpr int kMaxLuminance1000 = 255 * 1000;
constexpr std::int16_t kNearHalf = INT16_MIN;
constexpr double kTieMargin = 1e-6;
constexpr int kClampBias = 768;

}  // namespace

void ToneMap::Prepare(std::int32_t contrastStep, std::int32_t brightnessStep) {
    contrast_ = contrastStep;
    brightness_ = brightnessStep;
    for (int v = 0; v < 256; ++v)
        shifted_[v] = static_cast<std::uint8_t>(Contrast(v, 0.0, 0, brightnessStep));
    if (contrastStep == 0) return;
    for (int i = 0; i < 1536; ++i) {
        const int v = i - kClampBias;
        clamp_[i] = static_cast<std::uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : v);
    }
    offset_.resize(kMaxLuminance1000 + 1);
    for (int l = 0; l <= kMaxLuminance1000; ++l) {
        const double offset = (l / 1000.0 - 128.0) * contrastStep / 10.0;
        const double whole = std::floor(offset);
        const double frac = offset - whole;
        offset_[l] = std::fabs(frac - 0.5) < kTieMargin
                         ? kNearHalf
                         : static_cast<std::int16_t>(whole + (frac > 0.5 ? 1 : 0));
    }
}

void ToneMap::Apply(std::uint8_t* row, int pixels) const {
    if (contrast_ == 0) {
        for (int i = 0; i < 3 * pixels; ++i) row[i] = shifted_[row[i]];
        return;
    }
    const int bias = kClampBias + brightness_ * 10;
    for (int i = 0; i < pixels; ++i, row += 3) {
        const int b = row[0], g = row[1], r = row[2];
        const std::int16_t offset = offset_[299 * r + 587 * g + 114 * b];
        if (offset == kNearHalf) {
            const double exact = Luminance(r, g, b);
            row[0] = static_cast<std::uint8_t>(Contrast(b, exact, contrast_, brightness_));
            row[1] = static_cast<std::uint8_t>(Contrast(g, exact, contrast_, brightness_));
            row[2] = static_cast<std::uint8_t>(Contrast(r, exact, contrast_, brightness_));
            continue;
        }
        const int shift = offset + bias;
        row[0] = clamp_[b + shift];
        row[1] = clamp_[g + shift];
        row[2] = clamp_[r + shift];
    }
}

void ApplyToneToRow(std::uint8_t* row, int pixels, std::int32_t contrastStep,
                    std::int32_t brightnessStep) {
    ToneMap map;
    map.Prepare(contrastStep, brightnessStep);
    map.Apply(row, pixels);
}
