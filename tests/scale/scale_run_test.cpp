#include "scale/scale_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scale/scale_errors.h"
#include "tests/support/picture_builders.h"
#include "tests/support/scale_helpers.h"
#include "tests/support/test_support.h"

namespace {

ScaleSettings exactPixels(int w, int h, int rotation = kRotate0) {
    ScaleSettings s;
    s.Unit = ScaleUnit::Pixel;
    s.AspectLock = false;
    s.HorzValue = w;
    s.VertValue = h;
    s.Rotation = rotation;
    return s;
}

// ---------------------------------------------------------- worked lines

struct LineCase {
    const char* name;
    std::vector<int> input;
    int outputs;
    std::vector<int> horizontal;  // as the horizontal pass gives it
    std::vector<int> vertical;    // as the vertical pass gives it (fractions rounded)
};

enum class Axis { Horizontal, Vertical };

struct LineParam {
    LineCase line;
    Axis axis;
    int channelShift;  // 0 red, 8 green, 16 blue
};

class WorkedLines : public ::testing::TestWithParam<LineParam> {};

// The line is laid along one axis of a two-line picture (both lines alike),
// in one channel; the other axis keeps its size.
TEST_P(WorkedLines, ResampleAsDescribed) {
    const LineParam& p = GetParam();
    const int n = static_cast<int>(p.line.input.size());
    const int shift = p.channelShift;
    std::vector<int> got;
    if (p.axis == Axis::Horizontal) {
        const TDIB src = MakePicture(n, 2, [&](int x, int) { return p.line.input[x] << shift; });
        got = RowOf(ScaleWholePicture(src, exactPixels(p.line.outputs, 2)), 1);
    } else {
        const TDIB src = MakePicture(2, n, [&](int, int y) { return p.line.input[y] << shift; });
        got = ColumnOf(ScaleWholePicture(src, exactPixels(2, p.line.outputs)), 0);
    }
    const std::vector<int>& want = p.axis == Axis::Horizontal ? p.line.horizontal : p.line.vertical;
    std::vector<int> expected;
    for (int v : want) expected.push_back(v << shift);
    EXPECT_EQ(got, expected);
}

const LineCase kLines[] = {
    {"EqualSizesCopy", {3, 200, 17, 255, 0}, 5, {3, 200, 17, 255, 0}, {3, 200, 17, 255, 0}},
    {"ToOneSampleAverages", {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}, 1, {45}, {45}},
    {"HalfOfTen",
     {0, 10, 20, 30, 40, 50, 60, 70, 80, 90},
     5,
     {5, 25, 45, 65, 85},
     {5, 25, 45, 65, 85}},
    {"TenToFour", {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}, 4, {8, 32, 58, 82}, {8, 32, 58, 82}},
    {"ThreeWhiteToTwoComesOutLow", {255, 255, 255}, 2, {254, 254}, {254, 254}},
    // 7 / 3: the fraction at position 2 is 170.67, truncated across and
    // rounded down the columns.
    {"SevenWhiteToThree", {255, 255, 255, 255, 255, 255, 255}, 3, {254, 254, 255}, {254, 255, 254}},
    {"ThreeToSeven",
     {0, 100, 200},
     7,
     {0, 33, 66, 100, 132, 165, 200},
     {0, 33, 66, 100, 132, 165, 200}},
    {"TwoWhiteToFive", {255, 255}, 5, {255, 254, 254, 254, 255}, {255, 254, 254, 254, 255}},
    {"BlackWhiteToThree", {0, 255}, 3, {0, 127, 255}, {0, 127, 255}},
};

std::vector<LineParam> lineParams() {
    std::vector<LineParam> params;
    for (const LineCase& line : kLines)
        for (Axis axis : {Axis::Horizontal, Axis::Vertical})
            for (int shift : {0, 8, 16}) params.push_back({line, axis, shift});
    return params;
}

INSTANTIATE_TEST_SUITE_P(Lines, WorkedLines, ::testing::ValuesIn(lineParams()),
                         [](const ::testing::TestParamInfo<LineParam>& info) {
                             const LineParam& p = info.param;
                             const char* channel = p.channelShift == 0   ? "Red"
                                                   : p.channelShift == 8 ? "Green"
                                                                         : "Blue";
                             return std::string(p.line.name) +
                                    (p.axis == Axis::Horizontal ? "Across" : "Down") + channel;
                         });

// ---------------------------------------------------------------- rotation

struct RotationCase {
    const char* name;
    int rotation;
    int width, height;
    std::vector<int> rows;  // the finished picture, row by row
};

class Rotations : public ::testing::TestWithParam<RotationCase> {};

// a b c over d e f, at 100 %.
TEST_P(Rotations, MapThePixels) {
    const RotationCase& c = GetParam();
    const int abc[2][3] = {{'a', 'b', 'c'}, {'d', 'e', 'f'}};
    const TDIB src = MakePicture(3, 2, [&](int x, int y) { return abc[y][x]; });
    ScaleSettings s;  // 100 %, percent unit
    s.Rotation = c.rotation;
    const TDIB result = ScaleWholePicture(src, s);
    EXPECT_EQ(result.Width(), c.width);
    EXPECT_EQ(result.Height(), c.height);
    EXPECT_EQ(AllPixels(result), c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Turns, Rotations,
    ::testing::Values(RotationCase{"None", kRotate0, 3, 2, {'a', 'b', 'c', 'd', 'e', 'f'}},
                      RotationCase{"Right", kRotateRight, 2, 3, {'d', 'a', 'e', 'b', 'f', 'c'}},
                      RotationCase{"Half", kRotate180, 3, 2, {'f', 'e', 'd', 'c', 'b', 'a'}},
                      RotationCase{"Left", kRotateLeft, 2, 3, {'c', 'f', 'b', 'e', 'a', 'd'}}),
    NameOfParam());

TEST(RunScale, FourRightTurnsGiveTheOriginal) {
    const TDIB src =
        MakePicture(7, 4, [](int x, int y) { return x * 40 + y * 3 * 256 + 0x110000; });
    ScaleSettings s;
    s.Rotation = kRotateRight;
    TDIB turned = src;
    for (int i = 0; i < 4; ++i) turned = ScaleWholePicture(turned, s);
    EXPECT_EQ(AllPixels(turned), AllPixels(src));
}

// ------------------------------------------------------------ the whole run

TEST(RunScale, BrightnessAddsTenPerStepInTheVerticalPass) {
    const TDIB src =
        MakePicture(4, 3, [](int x, int y) { return (x * 80) | ((y * 120) << 8) | (250 << 16); });
    ScaleSettings s;
    s.BrightnessStep = 1;
    const TDIB result = ScaleWholePicture(src, s);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const int r = x * 80 + 10, g = y * 120 + 10, b = 255;
            EXPECT_EQ(result.GetPixels(x, y), r | (g << 8) | (b << 16)) << x << "," << y;
        }
}

TEST(RunScale, ReadsOnlyTheSelection) {
    // Inside the selection the picture is a ramp; outside, white.
    const SelectionRect sel{3, 2, 9, 6};
    const TDIB src = MakePicture(12, 9, [&](int x, int y) {
        const bool inside = x >= sel.Left && x <= sel.Right && y >= sel.Top && y <= sel.Bottom;
        return inside ? (x * 7 + y * 5) : 0xFFFFFF;
    });
    for (const ScaleSettings& s : {ScaleSettings{}, exactPixels(3, 2), exactPixels(20, 15)}) {
        ScalePlan plan;
        ASSERT_EQ(PlanScale(s, sel, plan), ScaleRefusal::None);
        TDIB result;
        ResampleTables tables;
        RunScale(src, sel, s, plan, result, tables);
        for (int v : AllPixels(result)) EXPECT_LE(v, 9 * 7 + 6 * 5) << "a pixel outside was read";
    }
}

TEST(RunScale, ResultHasThePixelBuffersHeaderFacts) {
    const TDIB src = MakePicture(10, 8, [](int x, int y) { return x + y; });
    const TDIB result = ScaleWholePicture(src, exactPixels(4, 3));
    EXPECT_EQ(result.PixelFormat(), PixelFormat24Bit);
    EXPECT_EQ(result.ColorsUsed(), 256);  // carried over from the fresh 8-bit buffer
    EXPECT_FALSE(result.IsTopDown());
    EXPECT_EQ(result.Header().biXPelsPerMeter, 3780);
}

TEST(RunScale, ReportsProgressPerLine) {
    const TDIB src = MakePicture(6, 4, [](int x, int y) { return x * y; });
    const ScaleSettings s = exactPixels(3, 5);
    const SelectionRect sel = WholePicture(6, 4);
    ScalePlan plan;
    ASSERT_EQ(PlanScale(s, sel, plan), ScaleRefusal::None);
    std::vector<std::string> events;
    ScaleProgress progress;
    progress.PassStarted = [&](int max) { events.push_back("max " + std::to_string(max)); };
    progress.Position = [&](int pos) { events.push_back(std::to_string(pos)); };
    TDIB result;
    ResampleTables tables;
    RunScale(src, sel, s, plan, result, tables, progress);
    const std::vector<std::string> expected = {"max 6", "0", "1", "2", "3", "max 4", "2", "3", "4"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(tables.ResampleTableLength, 5);
    EXPECT_EQ(tables.IndexTable.size(), 6u);
}

TEST(RunScale, RefusesARequestOutsideThePicture) {
    const TDIB src = MakePicture(5, 5, [](int, int) { return 0; });
    TDIB result = MakePicture(2, 2, [](int, int) { return 0x123456; });
    ResampleTables tables;
    ScalePlan plan;
    ASSERT_EQ(PlanScale(ScaleSettings{}, SelectionRect{1, 1, 5, 4}, plan), ScaleRefusal::None);
    EXPECT_THROW(RunScale(src, SelectionRect{1, 1, 5, 4}, ScaleSettings{}, plan, result, tables),
                 EScaleError);
    EXPECT_EQ(AllPixels(result), std::vector<int>(4, 0x123456));  // untouched
}

TEST(RunScale, ResultMayBeTheSource) {
    TDIB pic = MakePicture(4, 4, [](int x, int y) { return x * 60 + y; });
    const TDIB copy = MakePicture(4, 4, [](int x, int y) { return x * 60 + y; });
    ScaleSettings s;
    s.Rotation = kRotate180;
    ScalePlan plan;
    ASSERT_EQ(PlanScale(s, WholePicture(4, 4), plan), ScaleRefusal::None);
    ResampleTables tables;
    RunScale(pic, WholePicture(4, 4), s, plan, pic, tables);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(pic.GetPixels(x, y), copy.GetPixels(3 - x, 3 - y));
}

}  // namespace

namespace {

// A line of 40000 white samples reduced to one: the sum (10.2 million) times
// 256 no longer fits 32 bits, and the divisor 40000 * 256 nearly does not;
// the engine keeps both wide, so white stays white.
TEST(RunScale, VeryLongSpansKeepTheirSums) {
    const TDIB src = MakePicture(40000, 2, [](int, int) { return 0xFFFFFF; });
    const TDIB result = ScaleWholePicture(src, exactPixels(1, 2));
    ASSERT_EQ(result.Width(), 1);
    EXPECT_EQ(result.GetPixels(0, 0), 0xFFFFFF);
    EXPECT_EQ(result.GetPixels(0, 1), 0xFFFFFF);
}

}  // namespace

namespace {

// A one-pixel-wide result turned a quarter: the finished picture is as
// small as the unturned one, and no 60000 x 60000 buffer (10.8 GB) is
// wanted on the way.
TEST(RunScale, QuarterTurnOfALongThinResult) {
    const TDIB src = MakePicture(2, 60000, [](int, int y) { return y & 0xFF; });
    ScaleSettings s = exactPixels(60000, 1, kRotateRight);
    const TDIB result = ScaleWholePicture(src, s);
    EXPECT_EQ(result.Width(), 60000);
    EXPECT_EQ(result.Height(), 1);
    EXPECT_EQ(result.GetPixels(59999, 0), 0);         // source row 0
    EXPECT_EQ(result.GetPixels(0, 0), 59999 & 0xFF);  // source row 59999
}

}  // namespace
