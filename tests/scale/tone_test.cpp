#include "scale/tone.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tests/support/test_support.h"

namespace {

struct ToneCase {
    const char* name;
    std::int32_t contrast;
    std::int32_t brightness;
    std::array<int, 3> rgb;
    std::array<int, 3> expected;
};

// Applies the tone to one pixel the way the vertical pass does: the
// luminance first, then B, G and R with that same luminance.
std::array<int, 3> tonePixel(const ToneCase& c) {
    const double y = Luminance(c.rgb[0], c.rgb[1], c.rgb[2]);
    return {Contrast(c.rgb[0], y, c.contrast, c.brightness),
            Contrast(c.rgb[1], y, c.contrast, c.brightness),
            Contrast(c.rgb[2], y, c.contrast, c.brightness)};
}

class ToneTable : public ::testing::TestWithParam<ToneCase> {};

TEST_P(ToneTable, AdjustsEveryChannel) {
    const ToneCase& c = GetParam();
    EXPECT_EQ(tonePixel(c), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, ToneTable,
    ::testing::Values(ToneCase{"Contrast10Grey100", 10, 0, {100, 100, 100}, {72, 72, 72}},
                      ToneCase{"Contrast10Grey200Clamped", 10, 0, {200, 200, 200}, {255, 255, 255}},
                      ToneCase{"Contrast10PureRed", 10, 0, {255, 0, 0}, {203, 0, 0}},
                      ToneCase{"Contrast20Grey100", 20, 0, {100, 100, 100}, {44, 44, 44}},
                      ToneCase{"Contrast20Grey85ClampsAtZero", 20, 0, {85, 85, 85}, {0, 0, 0}},
                      ToneCase{"Contrast20Grey170", 20, 0, {170, 170, 170}, {254, 254, 254}},
                      ToneCase{"BrightnessMinus10", 0, -10, {150, 99, 100}, {50, 0, 0}},
                      ToneCase{"BrightnessPlus3", 0, 3, {250, 10, 0}, {255, 40, 30}},
                      ToneCase{"BrightnessPlus1", 0, 1, {0, 128, 250}, {10, 138, 255}},
                      ToneCase{"BothStepsClampOnce", 10, -10, {255, 255, 255}, {255, 255, 255}},
                      ToneCase{"NoStepsKeepsValues", 0, 0, {1, 2, 254}, {1, 2, 254}}),
    NameOfParam());

// Contrast 20 maps a grey g to 3g - 256 (clamped): the offset is twice the
// distance of the luminance from 128.
TEST(Tone, Contrast20TriplesTheDistanceFromTheMiddle) {
    for (int g = 0; g <= 255; ++g) {
        const int expected = std::max(0, std::min(255, 3 * g - 256));
        EXPECT_EQ(Contrast(g, Luminance(g, g, g), 20, 0), expected) << "grey " << g;
    }
}

struct TieCase {
    const char* name;
    double luminance;
    int value;
    std::int32_t contrast;
    int expected;
};

class ToneTies : public ::testing::TestWithParam<TieCase> {};

// Exact halves round to the even neighbour, not away from zero.
TEST_P(ToneTies, RoundToEven) {
    const TieCase& c = GetParam();
    EXPECT_EQ(Contrast(c.value, c.luminance, c.contrast, 0), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Halves, ToneTies,
    ::testing::Values(TieCase{"HalfBelowEvenStays", 133.0, 100, 1, 100},  // 100.5 -> 100
                      TieCase{"HalfAboveOddGoesUp", 133.0, 101, 1, 102},  // 101.5 -> 102
                      TieCase{"NegativeHalfAboveOdd", 123.0, 3, 1, 2},    // 2.5 -> 2
                      TieCase{"NegativeHalfAboveEven", 123.0, 4, 1, 4}),  // 3.5 -> 4
    NameOfParam());

TEST(Tone, LuminanceWeightsAndStoredPrecision) {
    EXPECT_DOUBLE_EQ(Luminance(255, 0, 0), 76.245);
    EXPECT_DOUBLE_EQ(Luminance(0, 255, 0), 149.685);
    EXPECT_DOUBLE_EQ(Luminance(0, 0, 255), 29.07);
    EXPECT_EQ(Luminance(255, 255, 255), 255.0);
    EXPECT_EQ(Luminance(0, 0, 0), 0.0);
}

}  // namespace
