// The picture control draws from the picture's own pixels, a part at a
// time: what it paints and what it renders of any part are the picture's
// colours, with the selection outlines inverted over them.

#include "app/window_kit/image_view.h"

#include <gtest/gtest.h>

#include <QImage>

#include "picture/internal_dib.h"
#include "tests/support/picture_builders.h"

namespace {

// A picture of `bitCount` bits per pixel whose pixels cycle through its
// colour table (a colour pattern at 24 bits).
TDIB PictureOfDepth(int bitCount, int width, int height) {
    if (bitCount == 24)
        return MakePicture24(width, height, [](int x, int y) {
            return (x * 7 & 0xFF) | (y * 5 & 0xFF) << 8 | ((x + y) * 3 & 0xFF) << 16;
        });
    const int colors = 1 << bitCount;
    auto store = TInternalDIB::CreateDIB(width, height, bitCount, colors);
    for (int i = 0; i < colors; ++i)
        store->ColorTable[i] = {static_cast<std::uint8_t>(i * 37),
                                static_cast<std::uint8_t>(i * 91),
                                static_cast<std::uint8_t>(255 - i), 0};
    TDIB dib;
    dib.ReplaceStore(store);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) dib.SetPixels(x, y, (x * 3 + y) % colors);
    return dib;
}

// The colour a picture's pixel stands for, read through its own accessors.
QRgb ColourOf(const TDIB& dib, int x, int y) {
    const int value = dib.GetPixels(x, y);
    if (dib.Header().biBitCount == 24)
        return qRgb(value & 0xFF, value >> 8 & 0xFF, value >> 16 & 0xFF);
    const RGBQuad& c = dib.ColorTable()[value];
    return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

bool OnOutline(const QRect& outline, int x, int y) {
    return outline.contains(x, y) && (x == outline.left() || x == outline.right() ||
                                      y == outline.top() || y == outline.bottom());
}

class ImageView : public ::testing::TestWithParam<int> {};

TEST_P(ImageView, PaintsAndRendersThePictureWithItsOutlinesInverted) {
    // Taller than one painted strip, with odd sizes and an odd part.
    constexpr int kWidth = 151, kHeight = 141;
    const TDIB picture = PictureOfDepth(GetParam(), kWidth, kHeight);
    TImage view;
    view.SetPicture(picture);
    ASSERT_EQ(view.size(), QSize(kWidth, kHeight));
    const QRect outline(QPoint(3, 70), QPoint(120, 139));
    view.InvertOutline(outline.right(), outline.bottom(), outline.left(), outline.top());
    view.InvertOutline(10, 10, 20, 20);
    view.InvertOutline(20, 20, 10, 10);  // the same outline again: gone

    const QImage whole = view.Rendered();
    ASSERT_EQ(whole.size(), QSize(kWidth, kHeight));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const QRgb shown =
                ColourOf(picture, x, y) ^ (OnOutline(outline, x, y) ? 0xFFFFFFu : 0u);
            ASSERT_EQ(whole.pixel(x, y), shown) << x << "," << y;
        }
    const QRect part(7, 61, 93, 45);
    EXPECT_EQ(view.Rendered(part), whole.copy(part));
    EXPECT_EQ(view.grab().toImage().convertToFormat(QImage::Format_RGB32), whole);
}

INSTANTIATE_TEST_SUITE_P(Depths, ImageView, ::testing::Values(1, 4, 8, 24));

}  // namespace
