// Reading a JPEG's size and EXIF orientation from its marker segments:
// both byte orders, every value, and damaged structures that must give
// orientation 1 rather than a wrong turn or a read past the segment.

#include "picture/jpeg/jpeg_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "picture/system/memory_stream.h"
#include "tests/support/exif_builders.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<JpegHeader> headerOf(const Bytes& bytes) {
    MemoryInputStream in(bytes.data(), bytes.size());
    return ReadJpegHeader(in);
}

Bytes smallJpeg(int width = 21, int height = 13) {
    TJPEGPicture jpeg;
    jpeg.Assign(MakePicture(width, height, [](int x, int y) { return x * 9 + y * 700; }));
    return jpeg.SaveToBytes();
}

TEST(ExifOrientation, EveryValueInBothByteOrders) {
    for (bool bigEndian : {false, true}) {
        for (int value = 1; value <= 8; ++value) {
            ExifEntry e;
            e.value = static_cast<std::uint32_t>(value);
            const Bytes tiff = ExifTiff({e}, bigEndian);
            EXPECT_EQ(ExifOrientation(tiff.data(), tiff.size()), value)
                << (bigEndian ? "MM " : "II ") << value;
        }
    }
}

struct TiffCase {
    const char* name;
    std::vector<ExifEntry> entries;
    bool bigEndian;
    int expected;
};

void PrintTo(const TiffCase& c, std::ostream* os) {
    *os << c.name;
}

class ExifDirectories : public ::testing::TestWithParam<TiffCase> {};

TEST_P(ExifDirectories, Orientation) {
    const Bytes tiff = ExifTiff(GetParam().entries, GetParam().bigEndian);
    EXPECT_EQ(ExifOrientation(tiff.data(), tiff.size()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ExifDirectories,
    ::testing::Values(TiffCase{"AmongOtherTags",
                               {{0x010F, 2, 4, 0x00414243}, {0x0112, 3, 1, 6}, {0x011A, 5, 1, 300}},
                               true,
                               6},
                      TiffCase{"StoredAsLong", {{0x0112, 4, 1, 8}}, false, 8},
                      TiffCase{"NoOrientationTag", {{0x0110, 2, 4, 0}}, false, 1},
                      TiffCase{"EmptyDirectory", {}, true, 1},
                      TiffCase{"ValueZero", {{0x0112, 3, 1, 0}}, false, 1},
                      TiffCase{"ValueNine", {{0x0112, 3, 1, 9}}, true, 1},
                      TiffCase{"TwoValues", {{0x0112, 3, 2, 6}}, false, 1},
                      TiffCase{"TypeAscii", {{0x0112, 2, 1, 6}}, false, 1},
                      TiffCase{"ByteOrderOnlyInTheHighByte", {{0x0112, 3, 1, 0x0600}}, false, 1}),
    NameOfParam());

struct DamageCase {
    const char* name;
    std::function<void(Bytes&)> damage;
};

void PrintTo(const DamageCase& c, std::ostream* os) {
    *os << c.name;
}

class DamagedTiff : public ::testing::TestWithParam<DamageCase> {};

// Every damage ends in 1 and reads nothing outside the bytes given (the
// sanitizer build checks that).
TEST_P(DamagedTiff, GivesOne) {
    ExifEntry e;
    e.value = 6;
    Bytes tiff = ExifTiff({e}, false);
    GetParam().damage(tiff);
    EXPECT_EQ(ExifOrientation(tiff.data(), tiff.size()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Structures, DamagedTiff,
    ::testing::Values(DamageCase{"UnknownByteOrder", [](Bytes& t) { t[0] = t[1] = 'X'; }},
                      DamageCase{"MixedByteOrderMark", [](Bytes& t) { t[1] = 'M'; }},
                      DamageCase{"Not42", [](Bytes& t) { t[2] = 43; }},
                      DamageCase{"DirectoryBeyondTheEnd", [](Bytes& t) { t[4] = 200; }},
                      DamageCase{"DirectoryInsideTheHeader", [](Bytes& t) { t[4] = 4; }},
                      DamageCase{"DirectoryAtTheVeryEnd",
                                 [](Bytes& t) { t[4] = static_cast<std::uint8_t>(t.size() - 1); }},
                      DamageCase{"OffsetOverflowing",
                                 [](Bytes& t) { t[4] = t[5] = t[6] = t[7] = 0xFF; }},
                      DamageCase{"EntryCutShort", [](Bytes& t) { t.resize(8 + 2 + 10); }},
                      DamageCase{"MoreEntriesThanBytes",
                                 [](Bytes& t) {
                                     t[8] = 0xFF;
                                     t[9] = 0xFF;
                                     t[10] = 0;  // the first entry is no longer the orientation
                                 }},
                      DamageCase{"OnlyTheHeader", [](Bytes& t) { t.resize(8); }},
                      DamageCase{"ShorterThanTheHeader", [](Bytes& t) { t.resize(7); }}),
    NameOfParam());

TEST(JpegHeader, SizeFromTheFrameHeaderAndOrientationFromExif) {
    const Bytes plain = smallJpeg(21, 13);
    ExifEntry e;
    e.value = 5;
    const std::optional<JpegHeader> h =
        headerOf(WithSegment(plain, ExifSegment(ExifTiff({e}, true))));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->Width, 21);
    EXPECT_EQ(h->Height, 13);
    EXPECT_EQ(h->Orientation, 5);

    const std::optional<JpegHeader> untagged = headerOf(plain);
    ASSERT_TRUE(untagged);
    EXPECT_EQ(untagged->Width, 21);
    EXPECT_EQ(untagged->Orientation, 1);
}

TEST(JpegHeader, OtherApp1SegmentsArePassedAndTheFirstExifDecides) {
    const Bytes xmp = {0xFF, 0xE1, 0x00, 0x10, 'h', 't', 't', 'p', ':',
                       '/',  '/',  'n',  's',  '.', 'a', 'd', 'o', 'b'};
    ExifEntry first, second;
    first.value = 3;
    second.value = 8;
    Bytes file = smallJpeg();
    file = WithSegment(file, ExifSegment(ExifTiff({second}, false)));
    file = WithSegment(file, ExifSegment(ExifTiff({first}, false)));
    file = WithSegment(file, xmp);
    const std::optional<JpegHeader> h = headerOf(file);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->Orientation, 3);
    EXPECT_EQ(h->Width, 21);
}

TEST(JpegHeader, FillBytesBeforeAMarkerAreSkipped) {
    Bytes file = smallJpeg();
    ExifEntry e;
    e.value = 7;
    Bytes segment = ExifSegment(ExifTiff({e}, false));
    segment.insert(segment.begin(), {0xFF, 0xFF});
    const std::optional<JpegHeader> h = headerOf(WithSegment(file, segment));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->Orientation, 7);
}

struct CutCase {
    const char* name;
    std::size_t keep;  // bytes kept of the tagged file
    bool isJpeg;
};

void PrintTo(const CutCase& c, std::ostream* os) {
    *os << c.name;
}

class CutJpegHeaders : public ::testing::TestWithParam<CutCase> {};

// A file cut anywhere gives no size rather than a made-up one.
TEST_P(CutJpegHeaders, GiveNoSize) {
    ExifEntry e;
    e.value = 6;
    Bytes file = WithSegment(smallJpeg(), ExifSegment(ExifTiff({e}, false)));
    file.resize(GetParam().keep);
    const std::optional<JpegHeader> h = headerOf(file);
    ASSERT_EQ(h.has_value(), GetParam().isJpeg);
    if (h) {
        EXPECT_EQ(h->Width, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cuts, CutJpegHeaders,
                         ::testing::Values(CutCase{"Empty", 0, false},
                                           CutCase{"HalfASignature", 1, false},
                                           CutCase{"SignatureOnly", 2, true},
                                           CutCase{"InsideTheExifLength", 5, true},
                                           CutCase{"InsideTheExifSegment", 20, true}),
                         NameOfParam());

TEST(JpegHeader, NotAJpeg) {
    const Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_FALSE(headerOf(png));
    EXPECT_FALSE(ReadJpegHeaderOfFile("/no/such/file.jpg"));
}

TEST(JpegHeader, ASegmentLengthBelowTwoEndsTheWalk) {
    Bytes file = smallJpeg();
    const Bytes broken = {0xFF, 0xE2, 0x00, 0x01};
    const std::optional<JpegHeader> h = headerOf(WithSegment(file, broken));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->Width, 0);
}

}  // namespace
