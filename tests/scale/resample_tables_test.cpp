#include "scale/resample_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scale/resample_kernel.h"
#include "tests/support/test_support.h"

namespace {

struct TableCase {
    const char* name;
    int n, m;
    bool vertical;
    int from;  // the first entry checked
    std::vector<std::int32_t> index;
    std::vector<std::int32_t> frac;
    std::int64_t divisor;  // area passes only
};

void PrintTo(const TableCase& c, std::ostream* os) {
    *os << c.name;
}

class PositionTables : public ::testing::TestWithParam<TableCase> {};

TEST_P(PositionTables, Entries) {
    const TableCase& c = GetParam();
    ResampleTables t;
    SizeTablesForRun(c.m, 1, t);
    if (UsesAreaAveraging(c.n, c.m)) {
        BuildAreaTables(c.n, c.m, c.vertical, t);
        EXPECT_EQ(AreaDivisor(c.n, c.m), c.divisor);
    } else {
        BuildLinearTables(c.n, c.m, t);
    }
    const auto from = t.IndexTable.begin() + c.from;
    const auto fracFrom = t.FracTable.begin() + c.from;
    const std::size_t used = c.index.size();
    EXPECT_EQ(std::vector<std::int32_t>(from, from + used), c.index);
    EXPECT_EQ(std::vector<std::int32_t>(fracFrom, fracFrom + used), c.frac);
}

INSTANTIATE_TEST_SUITE_P(
    Passes, PositionTables,
    ::testing::Values(
        TableCase{"EqualSizes", 4, 4, false, 0, {0, 1, 2, 3, 4}, {0, 0, 0, 0, 0}, 256},
        TableCase{"ToOneSample", 10, 1, true, 0, {0, 10}, {0, 0}, 2560},
        TableCase{"TenToFour", 10, 4, false, 0, {0, 2, 5, 7, 10}, {0, 128, 0, 128, 0}, 640},
        TableCase{
            "SevenToThreeAcrossTruncates", 7, 3, false, 0, {0, 2, 4, 7}, {0, 85, 170, 0}, 597},
        TableCase{"SevenToThreeDownRounds", 7, 3, true, 0, {0, 2, 4, 7}, {0, 85, 171, 0}, 597},
        // 513 / 512 * 511 = 511.998046875: a fraction of 255.5, which rounds
        // to 256 down the columns (and 254.5 to the even 254 just before).
        TableCase{"FractionRoundsTo256Down",
                  513,
                  512,
                  true,
                  509,
                  {509, 510, 511, 513},
                  {254, 255, 256, 0},
                  256},
        TableCase{"FractionTruncatedTo255Across",
                  513,
                  512,
                  false,
                  509,
                  {509, 510, 511, 513},
                  {254, 255, 255, 0},
                  256},
        TableCase{"ThreeToSevenInterpolates",
                  3,
                  7,
                  false,
                  0,
                  {0, 0, 0, 1, 1, 1, 2},
                  {0, 85, 170, 0, 85, 170, 0},
                  0}),
    NameOfParam());

TEST(PositionTables, RoundedFractionOf256IsSeenAsTheNextSample) {
    // The same pass as FractionRoundsTo256Down, all entries, in kernel form:
    // the output starting at 511 + 256/256 takes nothing from sample 511.
    ResampleTables t;
    SizeTablesForRun(512, 1, t);
    BuildAreaTables(513, 512, true, t);
    ResampleKernel k;
    BuildKernel(513, 512, true, t.IndexTable, t.FracTable, k);
    EXPECT_EQ(k.First[511], 512);
    EXPECT_EQ(k.Count[511], 1);
    EXPECT_TRUE(k.consecutive);
}

struct KernelCase {
    const char* name;
    int n, m;
    bool vectorizable;
    int maxSpan;
};

class KernelPaths : public ::testing::TestWithParam<KernelCase> {};

// Which loops a pass runs on: the 16-bit SIMD lanes, or 64-bit sums where
// an output's span is too long for them.
TEST_P(KernelPaths, Choice) {
    const KernelCase& c = GetParam();
    ResampleTables t;
    SizeTablesForRun(c.m, 1, t);
    const bool area = UsesAreaAveraging(c.n, c.m);
    if (area)
        BuildAreaTables(c.n, c.m, false, t);
    else
        BuildLinearTables(c.n, c.m, t);
    ResampleKernel k;
    BuildKernel(c.n, c.m, area, t.IndexTable, t.FracTable, k);
    EXPECT_EQ(k.vectorizable, c.vectorizable);
    EXPECT_EQ(k.maxSpan, c.maxSpan);
}

INSTANTIATE_TEST_SUITE_P(Passes, KernelPaths,
                         ::testing::Values(KernelCase{"Half", 6000, 3000, true, 2},
                                           KernelCase{"ThirtySevenPercent", 6000, 2220, true, 4},
                                           KernelCase{"FourHundredPercent", 1000, 4000, true, 2},
                                           KernelCase{"OnePercent", 6000, 60, true, 100},
                                           KernelCase{"SpanBeyondSixteenBits", 6000, 20, false,
                                                      300},
                                           KernelCase{"WholeLineToOne", 40000, 1, false, 40000}),
                         NameOfParam());

}  // namespace
