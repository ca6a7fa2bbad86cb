#pragma once

// Brightness and contrast of the scaled picture, applied to every pixel the
// vertical pass writes.

#include <cstdint>

// The adjusted channel value (0..255) for a channel value and the pixel's
// luminance 0.299 R + 0.587 G + 0.114 B: (luminance - 128) * contrastStep / 10
// + value + brightnessStep * 10 in extended precision, rounded to even and
// clamped once.
int Contrast(int value, double luminance, std::int32_t contrastStep, std::int32_t brightnessStep);

// The luminance as the vertical pass computes it (extended precision, stored
// as a double).
double Luminance(int r, int g, int b);
