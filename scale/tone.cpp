#include "scale/tone.h"

#include <cmath>

// Both functions compute in long double (the 64-bit mantissa of the x87
// unit) and round the result to double where it is stored, so that a pixel
// lying exactly between two values rounds the same way on every run.

int Contrast(int value, double luminance, std::int32_t contrastStep, std::int32_t brightnessStep) {
    const double x = static_cast<double>((static_cast<long double>(luminance) - 128.0L) *
                                             static_cast<long double>(contrastStep) / 10.0L +
                                         static_cast<long double>(value) +
                                         static_cast<long double>(brightnessStep) * 10.0L);
    const double r = std::nearbyint(x);  // ties to even in the default rounding mode
    if (r >= 255.0) return 255;
    if (r <= 0.0) return 0;
    return static_cast<int>(r);
}

double Luminance(int r, int g, int b) {
    return static_cast<double>(0.299L * static_cast<long double>(r) +
                               0.587L * static_cast<long double>(g) +
                               0.114L * static_cast<long double>(b));
}
