// Reduction of 24-bit pictures to at most 256 colours.

#include "picture/color_reduction.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "picture/dib.h"
#include "tests/support/picture_builders.h"

namespace {

int Rgb(int r, int g, int b) {
    return r | g << 8 | b << 16;
}

// A 24-bit picture whose pixels are `colors`, repeated row by row.
TDIB PictureOf(const std::vector<int>& colors, int width, int height, bool topDown = false) {
    return MakePicture(width, topDown ? -height : height, [&](int x, int y) {
        return colors[(static_cast<std::size_t>(y) * width + x) % colors.size()];
    });
}

std::vector<int> Palette(const TDIB& dib) {
    std::vector<int> colors;
    for (int i = 0; i < dib.ColorsUsed(); ++i) {
        const RGBQuad& q = dib.ColorTable()[i];
        colors.push_back(Rgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
    }
    return colors;
}

TDIB RandomPicture(std::uint32_t seed, int width, int height, bool topDown = false) {
    std::mt19937 random(seed);
    std::vector<int> colors;
    for (int i = 0; i < width * height; ++i)
        colors.push_back(static_cast<int>(random() & 0xFFFFFF));
    return PictureOf(colors, width, height, topDown);
}

TEST(ColorReduction, OneColourGivesOneEntry) {
    TDIB dib = PictureOf({Rgb(10, 20, 30)}, 5, 4);
    dib.SetPixelFormat(PixelFormat8Bit);
    EXPECT_EQ(dib.PixelFormat(), PixelFormat8Bit);
    EXPECT_EQ(Palette(dib), std::vector<int>{Rgb(10, 20, 30)});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(dib.GetPixels(x, y), 0);
}

TEST(ColorReduction, BlackAndWhiteSplitOnGreenWithTheUpperPartFirst) {
    TDIB dib = PictureOf({0, Rgb(255, 255, 255)}, 4, 2);
    dib.SetPixelFormat(PixelFormat8Bit);
    EXPECT_EQ(Palette(dib), (std::vector<int>{Rgb(255, 255, 255), 0}));
    EXPECT_EQ(dib.GetPixels(0, 0), 1);
    EXPECT_EQ(dib.GetPixels(1, 0), 0);
}

TEST(ColorReduction, ColoursSharingACellMergeIntoTheirTruncatedMean) {
    TDIB dib = PictureOf({Rgb(8, 0, 0), Rgb(9, 0, 0)}, 2, 1);
    dib.SetPixelFormat(PixelFormat8Bit);
    EXPECT_EQ(Palette(dib), std::vector<int>{Rgb(8, 0, 0)});
    // Three pixels of 7 and one of 5 in the same cell: (3*7+5) div 4 = 6.
    dib = PictureOf({Rgb(0, 0, 7), Rgb(0, 0, 7), Rgb(0, 0, 7), Rgb(0, 0, 5)}, 4, 1);
    dib.SetPixelFormat(PixelFormat8Bit);
    EXPECT_EQ(Palette(dib), std::vector<int>{Rgb(0, 0, 6)});
}

TEST(ColorReduction, SplitsOnTheComponentWithTheLargestWeightedVariance) {
    // Red varies most: the part with more red comes first.
    TDIB dib = PictureOf({Rgb(200, 10, 10), Rgb(16, 10, 10)}, 2, 1);
    dib.SetPixelFormat(PixelFormat8Bit);
    EXPECT_EQ(Palette(dib), (std::vector<int>{Rgb(200, 10, 10), Rgb(16, 10, 10)}));
    // Equal spreads in red and blue: red weighs 3, blue 2, so red decides; the
    // colours come out ordered by red.
    dib = PictureOf({Rgb(0, 0, 200), Rgb(200, 0, 0)}, 2, 1);
    dib.SetPixelFormat(PixelFormat8Bit);
    EXPECT_EQ(Palette(dib), (std::vector<int>{Rgb(200, 0, 0), Rgb(0, 0, 200)}));
}

TEST(ColorReduction, ManyColoursGiveAtMost256DistinctEntries) {
    TDIB dib = RandomPicture(7, 128, 96);
    TDIB original(dib);
    dib.SetPixelFormat(PixelFormat8Bit);
    const std::vector<int> palette = Palette(dib);
    EXPECT_EQ(palette.size(), 256u);
    EXPECT_EQ(std::set<int>(palette.begin(), palette.end()).size(), palette.size());
    EXPECT_EQ(original.PixelFormat(), PixelFormat24Bit);

    // Widening again gives every pixel the colour of its palette entry, and
    // that colour is close to the pixel's own (same box of the split).
    TDIB widened(dib);
    widened.SetPixelFormat(PixelFormat24Bit);
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 128; ++x) {
            const int index = dib.GetPixels(x, y);
            ASSERT_LT(index, 256);
            EXPECT_EQ(widened.GetPixels(x, y), palette[static_cast<std::size_t>(index)]);
        }
    }
}

TEST(ColorReduction, FewDistinctCellsGiveOneEntryEach) {
    // 40 colours in 40 different cells: each box at depth 8 holds one cell,
    // so every colour survives exactly.
    std::vector<int> colors;
    for (int i = 0; i < 40; ++i)
        colors.push_back(Rgb(i * 6 & 0xF8, (i * 37) & 0xFC, (255 - i * 5) & 0xF8));
    TDIB dib = PictureOf(colors, 40, 3);
    dib.SetPixelFormat(PixelFormat8Bit);
    const std::vector<int> palette = Palette(dib);
    EXPECT_EQ(palette.size(), 40u);
    EXPECT_EQ(std::set<int>(palette.begin(), palette.end()),
              std::set<int>(colors.begin(), colors.end()));
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(palette[static_cast<std::size_t>(dib.GetPixels(x, 1))], colors[x]);
}

TEST(ColorReduction, RowOrderDoesNotChangeTheResult) {
    TDIB up = RandomPicture(11, 33, 17, false);
    TDIB down = RandomPicture(11, 33, 17, true);
    up.SetPixelFormat(PixelFormat8Bit);
    down.SetPixelFormat(PixelFormat8Bit);
    EXPECT_EQ(Palette(up), Palette(down));
    EXPECT_TRUE(down.IsTopDown());
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x) ASSERT_EQ(up.GetPixels(x, y), down.GetPixels(x, y));
}

TEST(ColorReduction, KeepsTheHeaderButTheFormatFields) {
    TDIB dib = PictureOf({1, 2, 3}, 7, 5);
    dib.SetPixelFormat(PixelFormat8Bit);
    EXPECT_EQ(dib.Header().biBitCount, 8);
    EXPECT_EQ(dib.Header().biCompression, 0u);
    EXPECT_EQ(dib.Header().biSizeImage, 0u);
    EXPECT_EQ(dib.Stride(), 8u);
    EXPECT_EQ(dib.Width(), 7);
    EXPECT_EQ(dib.Height(), 5);
}

TEST(ColorReduction, OnlyTrueColourPicturesAreReduced) {
    TDIB indexed;
    try {
        ConvertTrueColorTo8BitRGBLow(indexed.Store());
        ADD_FAILURE() << "an 8-bit picture was reduced";
    } catch (const EDIBBadDIBType& e) {
        EXPECT_STREQ(e.what(), "ConvertTrueColorTo8BitRGBLow: Invalid Bitcount");
    }
}

}  // namespace
