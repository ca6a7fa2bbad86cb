#pragma once

// The tone over a whole row of 24-bit pixels, giving for every channel what
// Contrast gives for it, without long double arithmetic for every pixel.

#include <cstdint>

// row holds `pixels` pixels of blue, green, red.
void ApplyToneToRow(std::uint8_t* row, int pixels, std::int32_t contrastStep,
                    std::int32_t brightnessStep);
