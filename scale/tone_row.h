#pragma once

// The tone over whole rows of 24-bit pixels, giving for every channel what
// Contrast gives for it, without long double arithmetic for every pixel.

#include <cstdint>
#include <vector>

class ToneMap {
public:
    // Sets the steps; builds the tables a run of rows uses.
    void Prepare(std::int32_t contrastStep, std::int32_t brightnessStep);
    // row holds `pixels` pixels of blue, green, red.
    void Apply(std::uint8_t* row, int pixels) const;

private:
    std::int32_t contrast_ = 0;
    std::int32_t brightness_ = 0;
    std::uint8_t shifted_[256] = {};    // without contrast: value -> result
    std::uint8_t clamp_[1536] = {};     // value + offset + bias -> result
    std::vector<std::int16_t> offset_;  // by 1000 x luminance
};

// One row with its own map (for a single row; a run prepares one map).
void ApplyToneToRow(std::uint8_t* row, int pixels, std::int32_t contrastStep,
                    std::int32_t brightnessStep);
