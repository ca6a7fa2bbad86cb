// The walk over a JPEG's markers before decoding: a progressive file broken
// between its scans is refused exactly where djpeg refuses it, and before
// any memory is asked for it; what libjpeg passes over is passed over.

#include "picture/jpeg/jpeg_structure.h"

#include <gtest/gtest.h>

#include "picture/file_fault.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/system/memory_stream.h"
#include "tests/picture/format_test_helpers.h"
#include "tests/support/fake_system_memory.h"

namespace {

// A marker segment: the marker, its length, its body.
std::vector<std::uint8_t> Segment(std::uint8_t marker, std::vector<std::uint8_t> body) {
    const std::size_t length = body.size() + 2;
    body.insert(body.begin(), {0xFF, marker, static_cast<std::uint8_t>(length >> 8),
                               static_cast<std::uint8_t>(length)});
    return body;
}

std::vector<std::uint8_t> HuffmanTable(std::uint8_t index, std::vector<std::uint8_t> counts,
                                       std::size_t values) {
    counts.resize(16);
    counts.insert(counts.begin(), index);
    counts.insert(counts.end(), values, 0);
    return Segment(0xC4, counts);
}

struct MarkerEdit {
    const char* name;
    std::vector<std::uint8_t> segment;  // put before the second scan
    bool broken;                        // djpeg stops at it
};

void PrintTo(const MarkerEdit& e, std::ostream* os) {
    *os << e.name;
}

std::vector<MarkerEdit> MarkerEdits() {
    const std::vector<std::uint8_t> file = SmallProgressiveJpeg();
    std::vector<std::uint8_t> frame;
    for (std::size_t i = 2; i + 3 < file.size() && frame.empty(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC2)
            frame.assign(file.begin() + static_cast<std::ptrdiff_t>(i),
                         file.begin() + static_cast<std::ptrdiff_t>(
                                            i + 2 + ((file[i + 2] << 8) | file[i + 3])));
    std::vector<std::uint8_t> leftOver = HuffmanTable(0x00, {0, 0, 1}, 1);
    leftOver.push_back(0);
    leftOver[3] += 1;
    return {
        {"HuffmanIndexFour", HuffmanTable(0x14, {1}, 1), true},
        {"HuffmanClassTwo", HuffmanTable(0x30, {1}, 1), true},
        {"HuffmanCountsOver256", HuffmanTable(0x00, {255, 255}, 0), true},
        {"HuffmanSegmentLongerThanItsTables", leftOver, true},
        {"QuantizationIndexFive", Segment(0xDB, std::vector<std::uint8_t>(65, 0x05)), true},
        {"SecondFrame", frame, true},
        {"SecondStartOfImage", {0xFF, 0xD8}, true},
        {"RestartIntervalOfThreeBytes", Segment(0xDD, {0, 0, 0}), true},
        {"MarkerOfNoKind", {0xFF, 0x4F}, true},
        {"ReservedFrameKind", Segment(0xC8, {0, 0}), true},
        {"ValidHuffmanTable", HuffmanTable(0x00, {0, 0, 1}, 1), false},
        {"LineCount", Segment(0xDC, {0, 16}), false},
        {"CommentShorterThanItsLength", {0xFF, 0xFE, 0x00, 0x01}, false},
        {"EmptyApplicationSegment", {0xFF, 0xE3, 0x00, 0x00}, false},
        {"LoneMarkers", {0xFF, 0x01, 0xFF, 0xD3}, false},
        {"GarbageBetweenSegments", {0x12, 0x34, 0xFF, 0x00, 0x56}, false},
        {"ArithmeticConditioning", Segment(0xCC, {0x00, 0x11}), false},
    };
}

// The fault of the refusal of `file`, which must be libjpeg's; empty when
// it decodes.
std::string DecodingFault(const std::vector<std::uint8_t>& file) {
    try {
        DecodeJPEG(file.data(), file.size(), {});
    } catch (const EJPEG& e) {
        EXPECT_GT(e.Code(), 0) << "libjpeg's own message code";
        return FaultOf(e);
    }
    return {};
}

class JpegMarkerEdits : public testing::TestWithParam<MarkerEdit> {};

TEST_P(JpegMarkerEdits, RefusedWhereDjpegStopsBeforeAnyMemoryIsAsked) {
    const MarkerEdit& edit = GetParam();
    const std::vector<std::uint8_t> file =
        WithSegmentBeforeSecondScan(SmallProgressiveJpeg(), edit.segment);
    const std::string fault = DecodingFault(file);
    EXPECT_EQ(!fault.empty(), edit.broken) << fault;
    if (edit.broken) {
        EXPECT_NE(fault.find("(the marker at byte "), std::string::npos) << fault;
        // The walk comes first: with no memory to be had it is still the
        // marker that refuses the file.
        FakeSystemMemory none(0);
        EXPECT_EQ(DecodingFault(file), fault);
    }
    if (RunCommand("djpeg -version").status == 127) return;
    TempDir dir;
    WriteBytes(dir.file("edited.jpg"), file);
    const int status = RunCommand("djpeg -outfile /dev/null " + dir.file("edited.jpg")).status;
    EXPECT_EQ(status == 1, edit.broken) << "djpeg's status " << status;
}

INSTANTIATE_TEST_SUITE_P(Jpeg, JpegMarkerEdits, testing::ValuesIn(MarkerEdits()), NameOfParam());

// What the walk tells of whole files: their scans, and whether they end
// before their end-of-image marker.
TEST(JpegStructure, CountsScansAndSeesAFileCutShort) {
    const std::vector<std::uint8_t> whole = SmallProgressiveJpeg();
    const int scans = static_cast<int>(ScanStarts(whole).size());
    auto walk = [](const std::vector<std::uint8_t>& file, int maxScans) {
        MemoryInputStream in(file.data(), file.size());
        return WalkJpegStructure(in, maxScans);
    };
    JpegStructure found = walk(whole, 300);
    EXPECT_EQ(found.scans, scans);
    EXPECT_FALSE(found.cutShort);
    EXPECT_EQ(found.faultCode, 0);

    const std::vector<std::uint8_t> cut(whole.begin(), whole.end() - 2);
    found = walk(cut, 300);
    EXPECT_EQ(found.scans, scans);
    EXPECT_TRUE(found.cutShort);

    found = walk(WithGarbageScans(whole, 20), scans + 5);
    EXPECT_EQ(found.scans, scans + 6) << "the walk stops once past the most it takes";
    EXPECT_FALSE(found.cutShort);
}

}  // namespace
