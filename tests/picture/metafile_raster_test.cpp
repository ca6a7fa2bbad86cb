// The rasteriser's building blocks: region algebra on span lists, the
// binary and ternary raster operations, and bounds-checked record reads.

#include <gtest/gtest.h>

#include <random>

#include "picture/errors.h"
#include "picture/metafile/canvas.h"
#include "picture/metafile/polygon_fill.h"
#include "picture/metafile/scan_region.h"
#include "picture/system/byte_reader.h"
#include "tests/support/test_support.h"

namespace {

long pixelCount(const ScanRegion& r) {
    long n = 0;
    for (int y = r.top(); y < r.bottom(); ++y) {
        auto [first, last] = r.row(y);
        for (const Span* s = first; s != last; ++s) n += s->x1 - s->x0;
    }
    return n;
}

struct RegionCase {
    const char* name;
    RegionOp op;
    long pixels;
    bool inOverlap, inFirstOnly, inSecondOnly;
};

class RegionAlgebra : public ::testing::TestWithParam<RegionCase> {};

// Two 10 x 10 squares overlapping in a 5 x 5 corner.
TEST_P(RegionAlgebra, CombinesTwoOverlappingSquares) {
    const RegionCase& c = GetParam();
    const ScanRegion a = ScanRegion::fromRect({0, 0, 10, 10});
    const ScanRegion b = ScanRegion::fromRect({5, 5, 15, 15});
    const ScanRegion r = a.combined(b, c.op);
    EXPECT_EQ(pixelCount(r), c.pixels);
    EXPECT_EQ(r.contains(7, 7), c.inOverlap);
    EXPECT_EQ(r.contains(2, 2), c.inFirstOnly);
    EXPECT_EQ(r.contains(12, 12), c.inSecondOnly);
    EXPECT_FALSE(r.contains(12, 2));
}

INSTANTIATE_TEST_SUITE_P(
    Metafile, RegionAlgebra,
    ::testing::Values(RegionCase{"And", RegionOp::And, 25, true, false, false},
                      RegionCase{"Or", RegionOp::Or, 175, true, true, true},
                      RegionCase{"Xor", RegionOp::Xor, 150, false, true, true},
                      RegionCase{"Diff", RegionOp::Diff, 75, false, true, false},
                      RegionCase{"Copy", RegionOp::Copy, 100, true, false, true}),
    NameOfParam());

// Set operations agree with a bitmap model over random rectangles.
TEST(MetafileRaster, RegionOperationsMatchAPixelModel) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coord(-5, 40);
    for (int round = 0; round < 200; ++round) {
        ScanRegion a, b;
        bool modelA[50][50] = {}, modelB[50][50] = {};
        for (int k = 0; k < 3; ++k) {
            int x0 = coord(random), x1 = coord(random), y0 = coord(random), y1 = coord(random);
            if (x0 > x1) std::swap(x0, x1);
            if (y0 > y1) std::swap(y0, y1);
            const RectI rect{x0, y0, x1, y1};
            ScanRegion& target = k < 2 ? a : b;
            auto& model = k < 2 ? modelA : modelB;
            target = target.combined(ScanRegion::fromRect(rect), RegionOp::Or);
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) model[y + 5][x + 5] = true;
        }
        const RegionOp op = static_cast<RegionOp>(1 + round % 4);
        const ScanRegion r = a.combined(b, op);
        for (int y = -5; y < 45; ++y)
            for (int x = -5; x < 45; ++x) {
                const bool inA = modelA[y + 5][x + 5], inB = modelB[y + 5][x + 5];
                const bool expected = op == RegionOp::And   ? inA && inB
                                      : op == RegionOp::Or  ? inA || inB
                                      : op == RegionOp::Xor ? inA != inB
                                                            : inA && !inB;
                ASSERT_EQ(r.contains(x, y), expected)
                    << "round " << round << " at " << x << "," << y;
            }
    }
}

TEST(MetafileRaster, TouchingRectanglesFillWithoutOverlapOrGap) {
    // Two polygons sharing an edge cover every pixel exactly once.
    WorkBudget budget(1 << 20);
    const RectI limit{0, 0, 40, 40};
    const ScanRegion left = FillPolygons({{{0, 0}, {20.5, 0}, {13.25, 40}, {0, 40}}},
                                         FillRule::Alternate, limit, budget);
    const ScanRegion right = FillPolygons({{{20.5, 0}, {40, 0}, {40, 40}, {13.25, 40}}},
                                          FillRule::Alternate, limit, budget);
    EXPECT_EQ(pixelCount(left.intersected(right)), 0);
    EXPECT_EQ(pixelCount(left.combined(right, RegionOp::Or)), 40 * 40);
}

struct Rop3Case {
    const char* name;
    int rop;
    Colour expected;
};

class TernaryRasterOperation : public ::testing::TestWithParam<Rop3Case> {};

// Pattern 0xF0F0F0, source 0xCCCCCC, destination 0xAAAAAA: each bit of the
// result is the operation's index bit for that combination.
TEST_P(TernaryRasterOperation, FollowsItsTruthTable) {
    EXPECT_EQ(ApplyRop3(GetParam().rop, 0xF0F0F0, 0xCCCCCC, 0xAAAAAA), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Metafile, TernaryRasterOperation,
                         ::testing::Values(Rop3Case{"SourceCopy", 0xCC, 0xCCCCCC},
                                           Rop3Case{"PatternCopy", 0xF0, 0xF0F0F0},
                                           Rop3Case{"SourceAnd", 0x88, 0x888888},
                                           Rop3Case{"SourcePaint", 0xEE, 0xEEEEEE},
                                           Rop3Case{"SourceInvert", 0x66, 0x666666},
                                           Rop3Case{"DestinationInvert", 0x55, 0x555555},
                                           Rop3Case{"MergeCopy", 0xC0, 0xC0C0C0},
                                           Rop3Case{"PatternInvert", 0x5A, 0x5A5A5A},
                                           Rop3Case{"Blackness", 0x00, 0x000000},
                                           Rop3Case{"Whiteness", 0xFF, 0xFFFFFF}),
                         NameOfParam());

struct Rop2Case {
    const char* name;
    int rop;
    Colour expected;
};

class BinaryRasterOperation : public ::testing::TestWithParam<Rop2Case> {};

// Pen 0xCCCCCC on destination 0xAAAAAA.
TEST_P(BinaryRasterOperation, FollowsItsTruthTable) {
    EXPECT_EQ(ApplyRop2(GetParam().rop, 0xCCCCCC, 0xAAAAAA), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Metafile, BinaryRasterOperation,
    ::testing::Values(Rop2Case{"Black", 1, 0x000000}, Rop2Case{"NotMergePen", 2, 0x111111},
                      Rop2Case{"Not", 6, 0x555555}, Rop2Case{"XorPen", 7, 0x666666},
                      Rop2Case{"MaskPen", 9, 0x888888}, Rop2Case{"Nop", 11, 0xAAAAAA},
                      Rop2Case{"CopyPen", 13, 0xCCCCCC}, Rop2Case{"MergePen", 15, 0xEEEEEE},
                      Rop2Case{"White", 16, 0xFFFFFF}),
    NameOfParam());

TEST(MetafileRaster, ReaderRefusesSpansOutsideItsData) {
    const std::uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const ByteReader r(data, sizeof data, "record");
    EXPECT_EQ(r.u32(4), 0x08070605u);
    EXPECT_THROW(r.u32(5), EInvalidGraphic);
    EXPECT_THROW(r.sub(4, SIZE_MAX), EInvalidGraphic) << "an offset plus count that wraps around";
    EXPECT_THROW(r.requireItems(0, SIZE_MAX / 2, 4), EInvalidGraphic)
        << "a count whose byte size overflows";
    EXPECT_TRUE(r.hasItems(0, 2, 4));
    EXPECT_FALSE(r.hasItems(0, 3, 4));
}

}  // namespace
