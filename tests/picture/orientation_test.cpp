// Turning pictures upright by their EXIF orientation, against the meaning of
// each value written out pixel by pixel: where the stored picture's pixel
// (x, y) is seen.

#include "picture/orientation.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/support/exif_builders.h"
#include "tests/support/picture_builders.h"

namespace {

int colour(int x, int y) {
    return (x * 37 + 11) % 256 | ((y * 53 + 7) % 256) << 8 | ((x ^ y) & 255) << 16;
}

class EveryOrientation : public ::testing::TestWithParam<int> {};

TEST_P(EveryOrientation, EachPixelLandsWhereItIsSeen) {
    const int orientation = GetParam();
    // Odd sizes, taller than wide and the other way, and one wider than a tile.
    for (auto [w, h] : {std::pair{7, 3}, std::pair{5, 11}, std::pair{70, 33}, std::pair{1, 4}}) {
        const TDIB stored = MakePicture(w, h, colour);
        TDIB picture = stored;
        TurnUpright(picture, orientation);
        const bool quarter = orientation >= 5;
        ASSERT_EQ(picture.Width(), quarter ? h : w);
        ASSERT_EQ(picture.Height(), quarter ? w : h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto [sx, sy] = SeenAt(orientation, x, y, w, h);
                ASSERT_EQ(picture.GetPixels(sx, sy), colour(x, y))
                    << w << "x" << h << " pixel " << x << "," << y;
            }
        EXPECT_EQ(AllPixels(stored), AllPixels(MakePicture(w, h, colour)))
            << "a picture sharing the store was changed";
    }
}

INSTANTIATE_TEST_SUITE_P(Values, EveryOrientation, ::testing::Range(1, 9),
                         [](const testing::TestParamInfo<int>& info) {
                             return "Orientation" + std::to_string(info.param);
                         });

TEST(TurnUpright, ValuesOutsideOneToEightChangeNothing) {
    for (int orientation : {0, 9, -1, 65535}) {
        TDIB picture = MakePicture(4, 3, colour);
        TurnUpright(picture, orientation);
        EXPECT_EQ(AllPixels(picture), AllPixels(MakePicture(4, 3, colour))) << orientation;
    }
}

TEST(TurnUpright, QuarterTurnsUndoEachOther) {
    TDIB picture = MakePicture(9, 4, colour);
    TurnUpright(picture, 6);
    TurnUpright(picture, 8);
    EXPECT_EQ(AllPixels(picture), AllPixels(MakePicture(9, 4, colour)));
}

TEST(TurnUpright, TopDownRowsTurnLikeBottomUpOnes) {
    TDIB bottomUp = MakePicture(6, 5, colour);
    TDIB topDown = MakePicture(6, -5, colour);
    ASSERT_TRUE(topDown.IsTopDown());
    for (int orientation = 2; orientation <= 8; ++orientation) {
        TDIB a = bottomUp, b = topDown;
        TurnUpright(a, orientation);
        TurnUpright(b, orientation);
        EXPECT_EQ(AllPixels(a), AllPixels(b)) << orientation;
    }
}

}  // namespace
