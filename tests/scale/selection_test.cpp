#include "scale/selection.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

struct ReleaseCase {
    const char* name;
    SelectionRect dragged;  // anchor in Left/Top, corner in Right/Bottom
    bool kept;
    SelectionRect expected;  // after release (unchanged when cancelled)
};

class SelectionRelease : public ::testing::TestWithParam<ReleaseCase> {};

// A 100 x 80 picture throughout.
TEST_P(SelectionRelease, KeepsOrCancels) {
    const ReleaseCase& c = GetParam();
    SelectionRect sel = c.dragged;
    EXPECT_EQ(KeepSelection(sel, 100, 80), c.kept);
    EXPECT_EQ(sel.Left, c.expected.Left);
    EXPECT_EQ(sel.Top, c.expected.Top);
    EXPECT_EQ(sel.Right, c.expected.Right);
    EXPECT_EQ(sel.Bottom, c.expected.Bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Drags, SelectionRelease,
    ::testing::Values(
        ReleaseCase{"NarrowDragCancelled", {10, 10, 9, 60}, false, {10, 10, 9, 60}},
        ReleaseCase{"PlainClickCancelled", {30, 30, 30, 30}, false, {30, 30, 30, 30}},
        ReleaseCase{"FourPixelSpanCancelled", {10, 10, 14, 40}, false, {10, 10, 14, 40}},
        ReleaseCase{"FivePixelSpanKept", {10, 10, 15, 15}, true, {10, 10, 15, 15}},
        ReleaseCase{"UpAndLeftIsOrdered", {50, 40, 20, 30}, true, {20, 30, 50, 40}},
        ReleaseCase{"UpOnlyIsOrdered", {20, 60, 40, 10}, true, {20, 10, 40, 60}},
        ReleaseCase{"WholePicture", {0, 0, 99, 79}, true, {0, 0, 99, 79}},
        ReleaseCase{"AnchorOutsideIsClamped", {-7, 90, 20, 30}, true, {0, 30, 20, 79}}),
    NameOfParam());

TEST(Selection, SuffixNamesWidthAndHeight) {
    EXPECT_EQ(SelectionSuffix({10, 10, 15, 15}), "（6×6）");
    EXPECT_EQ(SelectionSuffix({20, 30, 50, 40}), "（31×11）");
}

struct ClampCase {
    const char* name;
    int x, y;
    int expectedX, expectedY;
};

class DragCorner : public ::testing::TestWithParam<ClampCase> {};

TEST_P(DragCorner, StaysOnThePicture) {
    const ClampCase& c = GetParam();
    int x = c.x;
    int y = c.y;
    ClampDragCorner(x, y, 100, 80);
    EXPECT_EQ(x, c.expectedX);
    EXPECT_EQ(y, c.expectedY);
}

INSTANTIATE_TEST_SUITE_P(Corners, DragCorner,
                         ::testing::Values(ClampCase{"Inside", 5, 6, 5, 6},
                                           ClampCase{"LeftAndAbove", -3, -1, 0, 0},
                                           ClampCase{"RightAndBelow", 100, 500, 99, 79},
                                           ClampCase{"LastPixel", 99, 79, 99, 79}),
                         NameOfParam());

struct ScrollCase {
    const char* name;
    int coord, pos, inc, range, view;
    int expected;
};

class ScrollAlongEdges : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(ScrollAlongEdges, NewPosition) {
    const ScrollCase& c = GetParam();
    EXPECT_EQ(ScrollAlong(c.coord, c.pos, c.inc, c.range, c.view), c.expected);
}

// A view 300 wide over a picture 1000 wide, increment 8 unless stated.
INSTANTIATE_TEST_SUITE_P(
    Edges, ScrollAlongEdges,
    ::testing::Values(ScrollCase{"MiddleStays", 300, 100, 8, 1000, 300, 100},
                      ScrollCase{"NearLeftEdgeScrollsBack", 110, 100, 8, 1000, 300, 92},
                      ScrollCase{"NearLeftEdgeBelowOneStepGoesToZero", 20, 12, 8, 1000, 300, 0},
                      ScrollCase{"AtZeroStaysZero", 0, 0, 8, 1000, 300, 0},
                      ScrollCase{"NearRightEdgeScrollsOn", 386, 100, 8, 1000, 300, 108},
                      ScrollCase{"PastTheEndJumpsToTheEnd", 990, 701, 8, 1000, 300, 724},
                      ScrollCase{"JustBeforeTheEndStillSteps", 985, 670, 8, 1000, 300, 678}),
    NameOfParam());

}  // namespace
