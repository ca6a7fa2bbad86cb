#include "scale/tone_row.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "scale/tone.h"

namespace {

struct ToneSteps {
    std::int32_t contrast;
    std::int32_t brightness;
};

class ToneRowMatchesContrast : public ::testing::TestWithParam<ToneSteps> {};

// Every grey (many of them put the sum exactly on a half), every pure
// primary, and random colours, for the row function against Contrast.
TEST_P(ToneRowMatchesContrast, EveryChannel) {
    const ToneSteps steps = GetParam();
    std::vector<std::uint8_t> row;
    for (int v = 0; v < 256; ++v) {
        const std::uint8_t pixels[4][3] = {{std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)},
                                           {std::uint8_t(v), 0, 0},
                                           {0, std::uint8_t(v), 0},
                                           {0, 0, std::uint8_t(v)}};
        for (const auto& p : pixels) row.insert(row.end(), p, p + 3);
    }
    std::mt19937 rng(steps.contrast * 100 + steps.brightness + 1000);
    for (int i = 0; i < 3 * 6000; ++i) row.push_back(static_cast<std::uint8_t>(rng()));
    const int count = static_cast<int>(row.size() / 3);

    std::vector<std::uint8_t> toned = row;
    ApplyToneToRow(toned.data(), count, steps.contrast, steps.brightness);
    for (int i = 0; i < count; ++i) {
        const int b = row[3 * i], g = row[3 * i + 1], r = row[3 * i + 2];
        const double y = Luminance(r, g, b);
        ASSERT_EQ(toned[3 * i], Contrast(b, y, steps.contrast, steps.brightness)) << "pixel " << i;
        ASSERT_EQ(toned[3 * i + 1], Contrast(g, y, steps.contrast, steps.brightness))
            << "pixel " << i;
        ASSERT_EQ(toned[3 * i + 2], Contrast(r, y, steps.contrast, steps.brightness))
            << "pixel " << i;
    }
}

std::vector<ToneSteps> allSteps() {
    std::vector<ToneSteps> steps;
    for (int c = 0; c <= 20; ++c)
        for (int b : {-10, -1, 0, 3, 10}) steps.push_back({c, b});
    return steps;
}

INSTANTIATE_TEST_SUITE_P(Steps, ToneRowMatchesContrast, ::testing::ValuesIn(allSteps()),
                         [](const ::testing::TestParamInfo<ToneSteps>& info) {
                             const ToneSteps s = info.param;
                             return "Contrast" + std::to_string(s.contrast) + "Brightness" +
                                    (s.brightness < 0 ? "Minus" : "") +
                                    std::to_string(s.brightness < 0 ? -s.brightness : s.brightness);
                         });

}  // namespace
