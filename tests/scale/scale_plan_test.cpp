#include <gtest/gtest.h>

#include <string>

#include "picture/errors.h"
#include "scale/scale_run.h"
#include "tests/support/test_support.h"

namespace {

struct PlanCase {
    const char* name;
    ScaleSettings settings;
    SelectionRect selection;
    ScaleRefusal refusal;
    int targetWidth, targetHeight;      // before rotation
    int finishedWidth, finishedHeight;  // after rotation
};

ScaleSettings percent(int h, int v, int rotation = kRotate0) {
    ScaleSettings s;
    s.HorzValue = h;
    s.VertValue = v;
    s.Rotation = rotation;
    return s;
}

ScaleSettings pixels(int h, int v, bool lock, int rotation = kRotate0) {
    ScaleSettings s = percent(h, v, rotation);
    s.Unit = ScaleUnit::Pixel;
    s.AspectLock = lock;
    return s;
}

SelectionRect sized(int w, int h) {
    return WholePicture(w, h);
}

class PlanTable : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PlanTable, SizesOrRefuses) {
    const PlanCase& c = GetParam();
    ScalePlan plan;
    plan.TargetWidth = -77;  // must stay untouched on a refusal
    ASSERT_EQ(PlanScale(c.settings, c.selection, plan), c.refusal);
    if (c.refusal != ScaleRefusal::None) {
        EXPECT_EQ(plan.TargetWidth, -77);
        return;
    }
    EXPECT_EQ(plan.TargetWidth, c.targetWidth);
    EXPECT_EQ(plan.TargetHeight, c.targetHeight);
    EXPECT_EQ(plan.FinishedWidth, c.finishedWidth);
    EXPECT_EQ(plan.FinishedHeight, c.finishedHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PlanTable,
    ::testing::Values(
        PlanCase{"Half5RoundsToEven2", percent(50, 50), sized(5, 10), ScaleRefusal::None, 2, 5, 2,
                 5},
        PlanCase{"Half7RoundsToEven4", percent(50, 50), sized(7, 10), ScaleRefusal::None, 4, 5, 4,
                 5},
        PlanCase{"FrameLockedLandscape", pixels(100, 100, true), sized(400, 300),
                 ScaleRefusal::None, 100, 75, 100, 75},
        PlanCase{"FrameLockedTurnedRight", pixels(100, 100, true, kRotateRight), sized(400, 300),
                 ScaleRefusal::None, 100, 75, 75, 100},
        PlanCase{"FrameLockedHalfUpRoundsToEven76", pixels(100, 100, true), sized(400, 302),
                 ScaleRefusal::None, 100, 76, 100, 76},
        PlanCase{"FrameLockedHalfDownRoundsToEven76", pixels(100, 100, true), sized(400, 306),
                 ScaleRefusal::None, 100, 76, 100, 76},
        PlanCase{"FrameUnlockedExact", pixels(640, 480, false), sized(123, 457), ScaleRefusal::None,
                 640, 480, 640, 480},
        PlanCase{"FrameUnlockedTurnedLeft", pixels(640, 480, false, kRotateLeft), sized(123, 457),
                 ScaleRefusal::None, 480, 640, 640, 480},
        PlanCase{"FrameUnlockedHalfTurnKeepsAxes", pixels(640, 480, false, kRotate180),
                 sized(123, 457), ScaleRefusal::None, 640, 480, 640, 480},
        PlanCase{"PercentIgnoresRotationForAxes", percent(200, 50, kRotateRight), sized(100, 100),
                 ScaleRefusal::None, 200, 50, 50, 200},
        PlanCase{"PercentIgnoresTheLock", percent(640, 480), sized(10, 10), ScaleRefusal::None, 64,
                 48, 64, 48},
        PlanCase{"SelectionInsidePicture", percent(100, 100), SelectionRect{20, 30, 50, 40},
                 ScaleRefusal::None, 31, 11, 31, 11},
        PlanCase{"HorzZero", percent(0, 100), sized(10, 10), ScaleRefusal::ZeroValue, 0, 0, 0, 0},
        PlanCase{"VertZero", pixels(100, 0, false), sized(10, 10), ScaleRefusal::ZeroValue, 0, 0, 0,
                 0},
        PlanCase{"ZeroBeforeOnePixelWide", percent(0, 100), sized(1, 10), ScaleRefusal::ZeroValue,
                 0, 0, 0, 0},
        PlanCase{"OnePixelWide", percent(100, 100), sized(1, 10), ScaleRefusal::NothingToScale, 0,
                 0, 0, 0},
        PlanCase{"OnePixelHigh", percent(100, 100), sized(10, 1), ScaleRefusal::NothingToScale, 0,
                 0, 0, 0},
        PlanCase{"OnePercentOfFiftyRoundsToZero", percent(1, 1), sized(50, 50),
                 ScaleRefusal::TargetTooSmall, 0, 0, 0, 0},
        PlanCase{"OnePercentOfFiftyOneIsOne", percent(1, 1), sized(51, 51), ScaleRefusal::None, 1,
                 1, 1, 1},
        PlanCase{"NegativePercent", percent(-5, 100), sized(10, 10), ScaleRefusal::TargetTooSmall,
                 0, 0, 0, 0},
        PlanCase{"NegativeFrame", pixels(100, -5, true), sized(10, 10),
                 ScaleRefusal::TargetTooSmall, 0, 0, 0, 0}),
    NameOfParam());

TEST(PlanScale, StoresTheFactorsAsDoubles) {
    ScalePlan plan;
    ASSERT_EQ(PlanScale(pixels(100, 100, false, kRotateRight), sized(400, 300), plan),
              ScaleRefusal::None);
    EXPECT_EQ(plan.HorzFactor, 25.0);
    EXPECT_EQ(plan.VertFactor, static_cast<double>(100.0L / 300.0L * 100.0L));
}

TEST(PlanScale, RefusesATargetNoBufferCanHold) {
    ScalePlan plan;
    EXPECT_THROW(PlanScale(percent(2000000000, 2000000000), sized(60000, 40000), plan),
                 EOutOfMemory);
    EXPECT_THROW(PlanScale(percent(9999, 9999), sized(60000, 40000), plan), EOutOfMemory);
}

}  // namespace
