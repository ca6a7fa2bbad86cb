#include "picture/dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace {

// A 24-bit picture of the given size whose pixel (x, y) holds ColorAt(x, y).
int ColorAt(int x, int y) {
    return ((x * 37 + y * 11) & 0xFF) | (((x * 5) & 0xFF) << 8) | (((y * 7) & 0xFF) << 16);
}

TDIB MakeTrueColor(int width, int height) {
    return MakePicture(width, height, ColorAt);
}

DecodedPicture MakeDecoded(int width, int height, int depth) {
    DecodedPicture p;
    p.allocate(width, height, depth);
    return p;
}

}  // namespace

TEST(TDIB, NewBufferIsOneBlackPixelOfEightBits) {
    TDIB dib;
    EXPECT_EQ(dib.Width(), 1);
    EXPECT_EQ(dib.Height(), 1);
    EXPECT_EQ(dib.PixelFormat(), PixelFormat8Bit);
    EXPECT_EQ(dib.GetPixels(0, 0), 0);
    EXPECT_EQ(dib.ColorsUsed(), 256);
    EXPECT_EQ(dib.Header().biXPelsPerMeter, 3780);
    EXPECT_EQ(dib.Header().biYPelsPerMeter, 3780);
    EXPECT_EQ(dib.RefCount(), 1);
}

TEST(TDIB, RefusesWidthsAndHeightsItCannotHold) {
    TDIB dib;
    EXPECT_EQ(MessageOf<EDIBInvalidDIBPara>([&] { dib.SetWidth(0); }),
              "TDIB.SetWidth: Invalid Width");
    EXPECT_EQ(MessageOf<EDIBInvalidDIBPara>([&] { dib.SetWidth(-3); }),
              "TDIB.SetWidth: Invalid Width");
    MessageOf<EDIBInvalidDIBPara>([&] { dib.SetHeight(0); });
    EXPECT_EQ(dib.Width(), 1);
    EXPECT_EQ(dib.Height(), 1);
    // A size the machine cannot hold is refused before any memory is taken.
    MessageOf<EOutOfMemory>([&] {
        dib.SetWidth(100000);
        dib.SetHeight(2000000000);
    });
}

TEST(TDIB, NegativeHeightGivesTopDownRowsWithTheSamePixels) {
    TDIB up = MakeTrueColor(5, 4);
    TDIB down;
    down.SetWidth(5);
    down.SetHeight(-4);
    down.SetPixelFormat(PixelFormat24Bit);
    EXPECT_EQ(down.Height(), 4);
    EXPECT_TRUE(down.IsTopDown());
    EXPECT_FALSE(up.IsTopDown());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) down.SetPixels(x, y, ColorAt(x, y));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(down.GetPixels(x, y), up.GetPixels(x, y));
    // The first row in memory is the top row of a top-down picture and the
    // bottom row of a bottom-up one.
    EXPECT_EQ(down.Bits()[0], ColorAt(0, 0) >> 16);
    EXPECT_EQ(up.Bits()[0], ColorAt(0, 3) >> 16);
}

TEST(TDIB, ResizingDiscardsPixelsButKeepsTheFormat) {
    TDIB dib = MakeTrueColor(4, 3);
    dib.SetWidth(6);
    EXPECT_EQ(dib.PixelFormat(), PixelFormat24Bit);
    EXPECT_EQ(dib.Height(), 3);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dib.GetPixels(x, 1), 0);
    dib.SetPixels(2, 2, 0x123456);
    dib.SetHeight(3);  // the same height: nothing happens
    EXPECT_EQ(dib.GetPixels(2, 2), 0x123456);
    dib.SetHeight(5);
    EXPECT_EQ(dib.GetPixels(2, 2), 0);
    EXPECT_EQ(dib.ColorsUsed(), 256);  // carried over from the first store
}

TEST(TDIB, TrueColorPixelsAreStoredBlueGreenRed) {
    TDIB dib;
    dib.SetPixelFormat(PixelFormat24Bit);
    dib.SetPixels(0, 0, 0x0000FF);
    const std::uint8_t* p = dib.ScanLine(0);
    EXPECT_EQ(p[0], 0);    // blue
    EXPECT_EQ(p[1], 0);    // green
    EXPECT_EQ(p[2], 255);  // red
    EXPECT_EQ(dib.GetPixels(0, 0), 0x0000FF);
    dib.SetPixels(0, 0, 0x7F010203);  // the top byte is ignored
    EXPECT_EQ(dib.GetPixels(0, 0), 0x010203);
}

struct IndexedCase {
    const char* name;
    int bitCount;
    int value;     // value written
    int readBack;  // what GetPixels returns
};

class IndexedPixels : public ::testing::TestWithParam<IndexedCase> {};

TEST_P(IndexedPixels, WriteAndReadEveryPosition) {
    const IndexedCase& c = GetParam();
    DecodedPicture p = MakeDecoded(11, 3, c.bitCount);
    TDIB dib;
    dib.Assign(p);
    for (int x = 0; x < 11; ++x) {
        dib.SetPixels(x, 1, c.value);
        EXPECT_EQ(dib.GetPixels(x, 1), c.readBack) << "x = " << x;
        // Neighbours stay untouched.
        if (x + 1 < 11) {
            EXPECT_EQ(dib.GetPixels(x + 1, 1), 0);
        }
        EXPECT_EQ(dib.GetPixels(x, 0), 0);
        EXPECT_EQ(dib.GetPixels(x, 2), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(TDIB, IndexedPixels,
                         ::testing::Values(IndexedCase{"EightBitIndex", 8, 200, 200},
                                           IndexedCase{"FourBitNibble", 4, 0x3B, 0xB},
                                           IndexedCase{"OneBitAnyNonZeroSets", 1, 6, 1}),
                         NameOfParam());

TEST(TDIB, PixelAccessChecksPositionAndValue) {
    TDIB dib = MakeTrueColor(3, 2);
    EXPECT_EQ(MessageOf<EDIBPixelPositionRange>([&] { dib.GetPixels(3, 0); }),
              "TDIB.GetPixels: Pixel Position is Out of Range");
    EXPECT_EQ(MessageOf<EDIBPixelPositionRange>([&] { dib.GetPixels(0, -1); }),
              "TDIB.GetPixels: Pixel Position is Out of Range");
    EXPECT_EQ(MessageOf<EDIBPixelPositionRange>([&] { dib.SetPixels(-1, 0, 0); }),
              "TDIB.SetPixels: Pixel Position is Out of Range");
    EXPECT_EQ(MessageOf<EDIBPixelPositionRange>([&] { dib.SetPixels(0, 2, 0); }),
              "TDIB.SetPixels: Pixel Position is Out of Range");
    EXPECT_EQ(MessageOf<ERangeError>([&] { dib.SetPixels(0, 0, -1); }), "Range check error");
    TDIB indexed;
    MessageOf<ERangeError>([&] { indexed.SetPixels(0, 0, 256); });
    MessageOf<ERangeError>([&] { indexed.SetPixels(0, 0, -1); });
    EXPECT_EQ(indexed.GetPixels(0, 0), 0);
}

TEST(TDIB, AssignSharesUntilOneSideWrites) {
    TDIB a = MakeTrueColor(4, 4);
    TDIB b;
    b.Assign(a);
    EXPECT_TRUE(b.SharesStoreWith(a));
    EXPECT_EQ(a.RefCount(), 2);
    b.SetPixels(1, 1, 0xABCDEF);
    EXPECT_FALSE(b.SharesStoreWith(a));
    EXPECT_EQ(a.GetPixels(1, 1), ColorAt(1, 1));
    EXPECT_EQ(b.GetPixels(1, 1), 0xABCDEF);
    EXPECT_EQ(b.GetPixels(2, 3), ColorAt(2, 3));
    EXPECT_EQ(a.RefCount(), 1);

    // Writing through a row pointer makes the store private too.
    TDIB c(a);
    c.ScanLineForWrite(0)[0] = 0x55;
    EXPECT_NE(a.ScanLine(0)[0], 0x55);

    // Assigning a handle to itself changes nothing.
    a.Assign(a);
    EXPECT_EQ(a.GetPixels(1, 1), ColorAt(1, 1));
}

TEST(TDIB, ConvertingToTheCurrentFormatDoesNotCopyASharedStore) {
    TDIB a = MakeTrueColor(3, 3);
    TDIB b(a);
    b.SetPixelFormat(PixelFormat24Bit);
    EXPECT_TRUE(b.SharesStoreWith(a));
}

TEST(TDIB, ConversionOfASharedStoreLeavesTheOtherHandleAsItWas) {
    TDIB a = MakeTrueColor(6, 5);
    TDIB b(a);
    b.SetPixelFormat(PixelFormat8Bit);
    EXPECT_EQ(a.PixelFormat(), PixelFormat24Bit);
    EXPECT_EQ(b.PixelFormat(), PixelFormat8Bit);
    EXPECT_EQ(a.GetPixels(5, 4), ColorAt(5, 4));
}

TEST(TDIB, IndexedPicturesWidenThroughTheirColourTable) {
    struct Case {
        int depth;
        int index;
    };
    for (const Case c : {Case{1, 1}, Case{4, 5}, Case{8, 5}, Case{8, 200}}) {
        DecodedPicture p = MakeDecoded(9, 4, c.depth);
        p.colors.resize(std::size_t{1} << c.depth);
        p.colors[c.index] = RGBQuad{0, 0, 255, 0};  // red
        TDIB dib;
        dib.Assign(p);
        dib.SetPixels(3, 2, c.index);
        dib.SetPixels(8, 0, c.index);
        dib.SetPixelFormat(PixelFormat24Bit);
        SCOPED_TRACE(c.depth);
        EXPECT_EQ(dib.PixelFormat(), PixelFormat24Bit);
        EXPECT_EQ(dib.GetPixels(3, 2), 0x0000FF);
        EXPECT_EQ(dib.GetPixels(8, 0), 0x0000FF);
        EXPECT_EQ(dib.GetPixels(0, 0), 0);          // index 0 is black
        EXPECT_EQ(dib.ColorsUsed(), 1 << c.depth);  // left as it was
    }
}

TEST(TDIB, IndicesBeyondTheColoursUsedReadBlack) {
    DecodedPicture p = MakeDecoded(2, 1, 8);
    p.colors = {RGBQuad{10, 20, 30, 0}, RGBQuad{40, 50, 60, 0}};
    TDIB dib;
    dib.Assign(p);
    dib.SetPixels(1, 0, 77);
    dib.SetPixelFormat(PixelFormat24Bit);
    EXPECT_EQ(dib.GetPixels(0, 0), 30 | 20 << 8 | 10 << 16);
    EXPECT_EQ(dib.GetPixels(1, 0), 0);
}

TEST(TDIB, UnsupportedConversionsAreRefusedAndChangeNothing) {
    TDIB dib;  // 8 bits
    MessageOf<EDIBBadDIBType>([&] { dib.SetPixelFormat(PixelFormat1Bit); });
    EXPECT_EQ(dib.PixelFormat(), PixelFormat8Bit);
}

TEST(TDIB, AssignFromNothingGivesAFreshBuffer) {
    TDIB dib = MakeTrueColor(7, 7);
    dib.AssignNothing();
    EXPECT_EQ(dib.Width(), 1);
    EXPECT_EQ(dib.PixelFormat(), PixelFormat8Bit);
}

struct DecodedCase {
    const char* name;
    int depth;
    TDIBPixelFormat format;  // what the buffer holds afterwards
};

class AssignDecoded : public ::testing::TestWithParam<DecodedCase> {};

TEST_P(AssignDecoded, KeepsPixelsAndRowOrderBothWays) {
    const DecodedCase& c = GetParam();
    DecodedPicture p = MakeDecoded(13, 7, c.depth);
    // Fill every byte of every row (padding included) with a pattern.
    for (std::size_t i = 0; i < p.bits.size(); ++i)
        p.bits.data()[i] = static_cast<std::uint8_t>(i * 7 + 3);
    if (c.depth <= 8) {
        p.colors.resize(std::size_t{1} << c.depth);
        for (std::size_t i = 0; i < p.colors.size(); ++i)
            p.colors[i] = RGBQuad{static_cast<std::uint8_t>(i), 1, 2, 0};
    }
    TDIB dib;
    dib.Assign(p);
    EXPECT_EQ(dib.PixelFormat(), c.format);
    EXPECT_EQ(dib.Width(), 13);
    EXPECT_EQ(dib.Height(), 7);
    EXPECT_FALSE(dib.IsTopDown());
    EXPECT_EQ(dib.Header().biXPelsPerMeter, 3780);  // a resolution of 0 becomes 96 dpi

    if (c.depth == 16 || c.depth == 32) {
        // 5-5-5 and 8-8-8 widened to 24 bits.
        const std::uint8_t* row = p.row(2);
        std::uint32_t px;
        int r, g, b;
        if (c.depth == 16) {
            px = static_cast<std::uint32_t>(row[0] | row[1] << 8);
            r = ((px >> 10) & 31) * 255 / 31;
            g = ((px >> 5) & 31) * 255 / 31;
            b = (px & 31) * 255 / 31;
        } else {
            r = row[2];
            g = row[1];
            b = row[0];
        }
        EXPECT_EQ(dib.GetPixels(0, 2), r | g << 8 | b << 16);
        return;
    }
    DecodedPicture back;
    dib.AssignTo(back);
    EXPECT_EQ(back.depth, c.depth);
    ASSERT_EQ(back.bits.size(), p.bits.size());
    for (int y = 0; y < 7; ++y) {
        // Compare the pixel bytes of each row (the padding is unspecified).
        const std::size_t used = (13 * static_cast<std::size_t>(c.depth) + 7) / 8;
        EXPECT_EQ(std::memcmp(back.row(y), p.row(y), used - (c.depth == 4 || c.depth == 1 ? 1 : 0)),
                  0)
            << "row " << y;
    }
    EXPECT_EQ(back.colors.size(), c.depth <= 8 ? std::size_t{1} << c.depth : 0u);

    // Taking the rows over without a copy gives the same picture.
    TDIB moved;
    DecodedPicture again = MakeDecoded(13, 7, c.depth);
    std::memcpy(again.bits.data(), p.bits.data(), p.bits.size());
    again.colors = p.colors;
    const std::uint8_t* block = again.bits.data();
    moved.Assign(std::move(again));
    EXPECT_EQ(moved.Bits(), block);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) EXPECT_EQ(moved.GetPixels(x, y), dib.GetPixels(x, y));
}

INSTANTIATE_TEST_SUITE_P(TDIB, AssignDecoded,
                         ::testing::Values(DecodedCase{"OneBit", 1, PixelFormat1Bit},
                                           DecodedCase{"FourBits", 4, PixelFormat4Bit},
                                           DecodedCase{"EightBits", 8, PixelFormat8Bit},
                                           DecodedCase{"SixteenBitsWiden", 16, PixelFormat24Bit},
                                           DecodedCase{"TwentyFourBits", 24, PixelFormat24Bit},
                                           DecodedCase{"ThirtyTwoBitsWiden", 32, PixelFormat24Bit}),
                         NameOfParam());

TEST(TDIB, AssignToOfATopDownPictureGivesTheSamePicture) {
    TDIB down;
    down.SetWidth(3);
    down.SetHeight(-2);
    down.SetPixelFormat(PixelFormat24Bit);
    down.SetPixels(0, 0, 0x010203);
    down.SetPixels(2, 1, 0x040506);
    DecodedPicture p;
    down.AssignTo(p);
    TDIB up;
    up.Assign(p);
    EXPECT_EQ(up.GetPixels(0, 0), 0x010203);
    EXPECT_EQ(up.GetPixels(2, 1), 0x040506);
    EXPECT_FALSE(up.IsTopDown());
}

TEST(TDIB, AFailedAssignKeepsTheOldPicture) {
    TDIB dib = MakeTrueColor(4, 4);
    DecodedPicture broken;
    broken.width = 10;
    broken.height = 10;
    broken.depth = 24;  // no rows behind it
    EXPECT_THROW(dib.Assign(broken), EInvalidGraphic);
    EXPECT_EQ(dib.Width(), 4);
    EXPECT_EQ(dib.GetPixels(3, 3), ColorAt(3, 3));
}
