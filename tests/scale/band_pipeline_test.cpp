// The bands between a decoder and the scale run: the run gets exactly the
// selection's rows whatever the band size, queue depth or thread; the
// decoder still goes through the rows above and below the selection and
// finishes; its failure reaches the run where the run waits for it; the
// rows held stay a few bands, however tall the picture.

#include "scale/band_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

// Row y of a picture `width` wide: every byte tells its row and place.
std::uint8_t byteOf(int y, std::size_t i) {
    return static_cast<std::uint8_t>(y * 31 + i * 7);
}

class CountingProducer : public RowProducer {
public:
    CountingProducer(int width, int height, int failAtRow = -1, bool failAtFinish = false)
        : width_(width), height_(height), failAtRow_(failAtRow), failAtFinish_(failAtFinish) {}

    void Produce(std::uint8_t* const* rows, int count) override {
        if (count < 1 || made_ + count > height_) throw std::logic_error("rows past the picture");
        for (int r = 0; r < count; ++r, ++made_) {
            if (made_ == failAtRow_)
                throw std::runtime_error("damaged at row " + std::to_string(made_));
            for (std::size_t i = 0; i < 3 * static_cast<std::size_t>(width_); ++i)
                rows[r][i] = byteOf(made_, i);
        }
    }
    void Finish() override {
        if (made_ != height_) throw std::logic_error("finished early");
        if (failAtFinish_) throw std::runtime_error("damaged after the last row");
        finished_ = true;
    }

    int made() const { return made_; }
    bool finished() const { return finished_; }

private:
    int width_, height_, failAtRow_;
    bool failAtFinish_;
    std::atomic<int> made_{0};
    std::atomic<bool> finished_{false};
};

struct BandCase {
    const char* name;
    int width, height;
    SelectionRect selection;
    BandSettings bands;
    std::vector<int> takes;  // rows the run asks for per call, repeated
};

void PrintTo(const BandCase& c, std::ostream* os) {
    *os << c.name;
}

class BandedRowsCases : public ::testing::TestWithParam<BandCase> {};

TEST_P(BandedRowsCases, HandOverTheSelectionsRowsAndFinishTheProducer) {
    const BandCase& c = GetParam();
    CountingProducer producer(c.width, c.height);
    BandedRows rows(producer, c.width, c.height, c.selection, c.bands);
    const int selHeight = c.selection.Height();
    const std::size_t selBytes = 3 * static_cast<std::size_t>(c.selection.Width());
    int next = 0;
    for (std::size_t call = 0; next < selHeight; ++call) {
        const int count = std::min(c.takes[call % c.takes.size()], selHeight - next);
        const std::uint8_t* got[16];
        rows.NextRows(count, got);
        for (int r = 0; r < count; ++r) {
            const int y = c.selection.Top + next + r;
            for (std::size_t i = 0; i < selBytes; ++i)
                ASSERT_EQ(got[r][i], byteOf(y, 3 * static_cast<std::size_t>(c.selection.Left) + i))
                    << "row " << y << " byte " << i;
        }
        next += count;
    }
    rows.Finish();
    EXPECT_TRUE(rows.ProducerFinished());
    EXPECT_TRUE(producer.finished());
    EXPECT_EQ(producer.made(), c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Bands, BandedRowsCases,
    ::testing::Values(
        BandCase{"WholePictureOneRowBandsInline", 5, 40, {0, 0, 4, 39}, {1, 1, false, 0}, {16}},
        BandCase{"WholePictureOneRowBandsThreaded", 5, 40, {0, 0, 4, 39}, {1, 1, true, 0}, {16}},
        BandCase{"BandsLargerThanThePicture", 4, 23, {0, 0, 3, 22}, {1000, 4, true, 0}, {16, 7}},
        BandCase{
            "SelectionInsideOddBandsInline", 9, 61, {2, 13, 6, 50}, {5, 2, false, 0}, {16, 3, 1}},
        BandCase{
            "SelectionInsideOddBandsThreaded", 9, 61, {2, 13, 6, 50}, {5, 2, true, 0}, {16, 3, 1}},
        BandCase{"SelectionAtTheBottom", 3, 30, {0, 28, 2, 29}, {16, 8, true, 0}, {2}},
        BandCase{"SelectionAtTheTop", 3, 300, {1, 0, 2, 1}, {7, 3, true, 0}, {2}},
        BandCase{"BandsStraddledByEveryCall", 6, 100, {0, 3, 5, 96}, {3, 1, true, 0}, {16}}),
    NameOfParam());

struct FailureCase {
    const char* name;
    int failAtRow;
    bool failAtFinish;
    bool ownThread;
    bool failsInRows;  // the run sees the failure before it has its rows
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class BandedRowsFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(BandedRowsFailures, ReachTheRunAndLeaveTheProducerUnfinished) {
    const FailureCase& c = GetParam();
    CountingProducer producer(4, 64, c.failAtRow, c.failAtFinish);
    BandedRows rows(producer, 4, 64, SelectionRect{0, 10, 3, 40},
                    BandSettings{4, 2, c.ownThread, 0});
    auto takeAll = [&] {
        const std::uint8_t* got[16];
        for (int next = 0; next < 31; next += 16) rows.NextRows(std::min(16, 31 - next), got);
    };
    if (c.failsInRows) {
        EXPECT_THROW(takeAll(), std::runtime_error);
    } else {
        takeAll();
        EXPECT_THROW(rows.Finish(), std::runtime_error);
    }
    EXPECT_FALSE(rows.ProducerFinished());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, BandedRowsFailures,
    ::testing::Values(FailureCase{"AboveTheSelectionInline", 5, false, false, true},
                      FailureCase{"AboveTheSelectionThreaded", 5, false, true, true},
                      FailureCase{"InsideTheSelectionThreaded", 25, false, true, true},
                      FailureCase{"BelowTheSelectionInline", 50, false, false, false},
                      FailureCase{"BelowTheSelectionThreaded", 50, false, true, false},
                      FailureCase{"AtTheFinishThreaded", -1, true, true, false}),
    NameOfParam());

// A run that gives up early (its writer failed) stops the producer's thread
// instead of waiting for the rest of the picture.
TEST(BandedRows, ARunGivingUpStopsTheProducer) {
    CountingProducer producer(8, 100000);
    {
        BandedRows rows(producer, 8, 100000, SelectionRect{0, 0, 7, 99999},
                        BandSettings{16, 2, true, 0});
        const std::uint8_t* got[16];
        rows.NextRows(16, got);
    }
    EXPECT_LT(producer.made(), 1000);
    EXPECT_FALSE(producer.finished());
}

// The rows held at once stay within what BytesHeld promises (what the
// memory budget is asked for), and that does not grow with the picture.
TEST(BandedRows, HoldAFewBandsHoweverTallThePicture) {
    for (const int height : {200, 20000}) {
        for (const int perBand : {1, 5, 16}) {
            for (const bool thread : {false, true}) {
                const SelectionRect all{0, 0, 49, height - 1};
                const BandSettings settings{perBand, 4, thread, 0};
                CountingProducer producer(50, height);
                BandedRows rows(producer, 50, height, all, settings);
                const std::uint8_t* got[16];
                for (int next = 0; next < height; next += 16)
                    rows.NextRows(std::min(16, height - next), got);
                rows.Finish();
                const std::string what = std::to_string(height) + " rows, bands of " +
                                         std::to_string(perBand) +
                                         (thread ? ", threaded" : ", inline");
                EXPECT_LE(rows.PeakBandBytes(), BandedRows::BytesHeld(50, all, settings)) << what;
                EXPECT_LE(BandedRows::BytesHeld(50, all, settings), 30u * 16 * 150) << what;
            }
        }
    }
}

}  // namespace
