// The byte reader's bounds: every read at offsets or in sequence either
// lies wholly inside the data and gives its bytes in their order, or fails
// the reader's way (a short stream, a damaged graphic, or the caller's own
// failure) before a byte is touched, however large the offset or count.

#include "picture/system/byte_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>

#include "tests/support/test_support.h"

namespace {

const std::uint8_t kData[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x80};
constexpr const char* kPastEnd = "data runs past the end of the record";

struct BoundsCase {
    const char* name;
    // Reads from a reader over kData; what it reads, where it fits.
    std::function<std::uint64_t(ByteReader&)> read;
    std::uint64_t value;  // what it reads
    const char* fault;    // why it fails instead, or nullptr
};

void PrintTo(const BoundsCase& c, std::ostream* out) {
    *out << c.name;
}

const BoundsCase kCases[] = {
    // At offsets.
    {"U8LastByte", [](ByteReader& r) { return r.u8(7); }, 0x80, nullptr},
    {"U8AtTheEnd", [](ByteReader& r) { return r.u8(8); }, 0, kPastEnd},
    {"U16LittleEndian", [](ByteReader& r) { return r.u16(0); }, 0x0201, nullptr},
    {"U16BigEndianAcrossTheEnd", [](ByteReader& r) { return r.u16be(7); }, 0, kPastEnd},
    {"I16Negative", [](ByteReader& r) { return std::uint64_t(std::int64_t{r.i16(6)}); },
     std::uint64_t(std::int64_t{-32761}), nullptr},
    {"U32EndingAtTheEnd", [](ByteReader& r) { return r.u32(4); }, 0x80070605, nullptr},
    {"U32BigEndianEndingAtTheEnd", [](ByteReader& r) { return r.u32be(4); }, 0x05060780, nullptr},
    {"U32OneBytePastTheEnd", [](ByteReader& r) { return r.u32(5); }, 0, kPastEnd},
    {"OffsetThatWrapsAround", [](ByteReader& r) { return r.u32(SIZE_MAX - 1); }, 0, kPastEnd},
    {"BytesAll", [](ByteReader& r) { return std::uint64_t{r.bytes(0, 8)[7]}; }, 0x80, nullptr},
    {"BytesOneTooMany", [](ByteReader& r) { return std::uint64_t{*r.bytes(1, 8)}; }, 0, kPastEnd},
    {"NoBytesAtTheEnd", [](ByteReader& r) { return std::uint64_t(r.bytes(8, 0) - kData); }, 8,
     nullptr},
    // Spans of the data, which read only inside themselves.
    {"SubReadsItsLastByte", [](ByteReader& r) { return r.sub(2, 3).u8(2); }, 0x05, nullptr},
    {"SubEndsWhereItSays", [](ByteReader& r) { return r.sub(2, 3).u8(3); }, 0, kPastEnd},
    {"SubPastTheEnd", [](ByteReader& r) { return r.sub(2, 7).size(); }, 0, kPastEnd},
    {"SubWhoseEndWraps", [](ByteReader& r) { return r.sub(4, SIZE_MAX).size(); }, 0, kPastEnd},
    {"FromTheEndIsEmpty", [](ByteReader& r) { return r.from(8).size(); }, 0, nullptr},
    {"FromPastTheEnd", [](ByteReader& r) { return r.from(9).size(); }, 0, kPastEnd},
    {"FromReadsInSequence", [](ByteReader& r) { return std::uint64_t{r.from(6).u16le()}; }, 0x8007,
     nullptr},
    // In sequence.
    {"SequenceToTheEnd",
     [](ByteReader& r) {
         r.skip(1);
         r.take(3);
         return std::uint64_t{r.u32le()} + r.remaining();
     },
     0x80070605, nullptr},
    {"SequenceOneBytePast",
     [](ByteReader& r) {
         r.skip(5);
         return std::uint64_t{r.u32be()};
     },
     0, kPastEnd},
    {"TakeOfAHugeCount",
     [](ByteReader& r) {
         r.u8();
         return std::uint64_t{*r.take(SIZE_MAX)};
     },
     0, kPastEnd},
    {"PeekDoesNotMoveOn",
     [](ByteReader& r) {
         r.skip(6);
         r.peek(2);
         return std::uint64_t{r.u16le()};
     },
     0x8007, nullptr},
    {"PeekPastTheEnd",
     [](ByteReader& r) {
         r.skip(6);
         return std::uint64_t{*r.peek(3)};
     },
     0, kPastEnd},
    // Counts of items whose byte size does not fit in a size_t.
    {"ItemsThatFit", [](ByteReader& r) { return std::uint64_t{r.hasItems(0, 2, 4)}; }, 1, nullptr},
    {"ItemsOneTooMany", [](ByteReader& r) { return std::uint64_t{r.hasItems(0, 3, 4)}; }, 0,
     nullptr},
    {"ItemsWhoseSizeWraps",
     [](ByteReader& r) { return std::uint64_t{r.hasItems(0, SIZE_MAX / 4 + 1, 4)}; }, 0, nullptr},
    {"RequiredItemsWhoseSizeWraps",
     [](ByteReader& r) {
         r.requireItems(0, SIZE_MAX / 2 + 1, 2);
         return std::uint64_t{0};
     },
     0, "count exceeds the record"},
};

// The three ways a reader fails, and what each must throw.
enum class Way { ShortStream, NamedGraphic, OwnFailure };

struct OwnFault {
    std::string what, fault;
};

[[noreturn]] void throwOwnFault(const std::string& what, const char* fault) {
    throw OwnFault{what, fault};
}

ByteReader readerFailing(Way way) {
    switch (way) {
        case Way::ShortStream:
            return ByteReader(kData, sizeof kData);
        case Way::NamedGraphic:
            return ByteReader(kData, sizeof kData, "EMR_POLYGON");
        case Way::OwnFailure:
            break;
    }
    return ByteReader(kData, sizeof kData, "chunk", &throwOwnFault);
}

using BoundsParam = std::tuple<BoundsCase, Way>;

class ByteReaderBounds : public ::testing::TestWithParam<BoundsParam> {};

TEST_P(ByteReaderBounds, ReadInsideOrFailTheReadersWay) {
    const BoundsCase& c = std::get<0>(GetParam());
    const Way way = std::get<1>(GetParam());
    ByteReader reader = readerFailing(way);
    if (!c.fault) {
        EXPECT_EQ(c.read(reader), c.value);
        return;
    }
    switch (way) {
        case Way::ShortStream:
            EXPECT_EQ(MessageOf<EReadError>([&] { c.read(reader); }), "Stream read error");
            break;
        case Way::NamedGraphic:
            EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { c.read(reader); }),
                      std::string("EMR_POLYGON: ") + c.fault);
            break;
        case Way::OwnFailure:
            try {
                c.read(reader);
                ADD_FAILURE() << "no failure";
            } catch (const OwnFault& f) {
                EXPECT_EQ(f.what, "chunk");
                EXPECT_EQ(f.fault, c.fault);
            }
            break;
    }
}

std::string NameOfBounds(const testing::TestParamInfo<BoundsParam>& info) {
    static const char* const kWays[] = {"ShortStream", "NamedGraphic", "OwnFailure"};
    return std::string(std::get<0>(info.param).name) + "_" +
           kWays[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Reads, ByteReaderBounds,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(Way::ShortStream, Way::NamedGraphic,
                                                              Way::OwnFailure)),
                         NameOfBounds);

// A failure of the caller's that returns instead of throwing still stops the read.
TEST(ByteReader, AFailureThatReturnsStillStopsTheRead) {
    const ByteReader reader(kData, sizeof kData, "chunk", [](const std::string&, const char*) {});
    EXPECT_THROW(reader.u8(8), EReadError);
}

}  // namespace
