// Records beyond the basic shapes: paths, world transforms, arcs and pies,
// regions, bitmaps in WMF records, pattern brushes, dashed pens, the text
// encodings, and the bound on drawing work.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "picture/metafile/metafile_renderer.h"
#include "picture/metafile/text_encoding.h"
#include "tests/picture/metafile_builder.h"
#include "tests/support/test_support.h"

using namespace metafile_test;

namespace {

constexpr std::uint32_t kNullPen = 0x80000008;
constexpr std::uint32_t kBlackBrush = 0x80000004;

DecodedPicture render(const Bytes& bytes, MetafileKind kind) {
    DecodedPicture picture;
    RenderMetafile(bytes.data(), bytes.size(), kind, picture);
    return picture;
}

std::uint32_t floatBits(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// A 2 x 2, 24-bit bottom-up DIB: red, green over blue, yellow (BITMAPINFO and bits).
Bytes smallDib() {
    Bytes p;
    put32(p, 40), put32(p, 2), put32(p, 2);
    put16(p, 1), put16(p, 24);
    for (int i = 0; i < 6; ++i) put32(p, 0);
    auto row = [&](std::uint32_t a, std::uint32_t b) {
        for (std::uint32_t c : {a, b})
            p.push_back(c & 0xFF), p.push_back((c >> 8) & 0xFF), p.push_back(c >> 16);
        p.push_back(0), p.push_back(0);
    };
    row(0x0000FF, 0xFFFF00);  // bottom: blue, yellow
    row(0xFF0000, 0x00FF00);  // top: red, green
    return p;
}

struct PixelCheck {
    int x, y;
    std::uint32_t colour;
};

struct RecordCase {
    const char* name;
    MetafileKind kind;
    std::function<Bytes()> build;
    std::vector<PixelCheck> checks;
};

class MetafileRecords : public ::testing::TestWithParam<RecordCase> {};

TEST_P(MetafileRecords, DrawWhatTheyDescribe) {
    const RecordCase& c = GetParam();
    const DecodedPicture picture = render(c.build(), c.kind);
    for (const PixelCheck& check : c.checks)
        EXPECT_EQ(pixelAt(picture, check.x, check.y), check.colour)
            << "at " << check.x << ", " << check.y;
}

const RecordCase kRecordCases[] = {
    {"PathFilledAndClosed",
     MetafileKind::EMF,
     [] {
         return EmfBuilder(48, 48)
             .select(kNullPen)
             .select(kBlackBrush)
             .record(59, {})
             .moveTo(10, 10)
             .lineTo(40, 10)
             .lineTo(40, 40)
             .record(61, {})
             .record(60, {})
             .record(62, {0, 0, 0, 0})
             .build();
     },
     {{35, 15, 0x000000}, {15, 35, 0xFFFFFF}}},
    {"PathStrokedOnlyWhenAsked",
     MetafileKind::EMF,
     [] {
         return EmfBuilder(48, 48)
             .record(59, {})
             .moveTo(10, 24)
             .lineTo(40, 24)
             .record(60, {})
             .moveTo(0, 0)
             .build();
     },
     {{20, 24, 0xFFFFFF}}},
    {"ClipPathLimitsFill",
     MetafileKind::EMF,
     [] {
         return EmfBuilder(48, 48)
             .select(kNullPen)
             .select(kBlackBrush)
             .record(59, {})
             .ellipse(8, 8, 40, 40)
             .record(60, {})
             .record(67, {5})
             .rectangle(0, 0, 49, 49)
             .build();
     },
     {{24, 24, 0x000000}, {9, 9, 0xFFFFFF}, {2, 24, 0xFFFFFF}}},
    {"WorldTransformTranslates",
     MetafileKind::EMF,
     [] {
         return EmfBuilder(48, 48)
             .select(kNullPen)
             .select(kBlackBrush)
             .record(35, {floatBits(1), 0, 0, floatBits(1), floatBits(20), floatBits(10)})
             .rectangle(0, 0, 10, 10)
             .build();
     },
     {{22, 12, 0x000000}, {2, 2, 0xFFFFFF}}},
    {"WorldTransformRotatesQuarterTurn",
     MetafileKind::EMF,
     [] {
         // (x, y) -> (-y, x) then moved right by 40: a tall bar becomes a wide one.
         return EmfBuilder(48, 48)
             .select(kNullPen)
             .select(kBlackBrush)
             .record(35, {0, floatBits(1), floatBits(-1), 0, floatBits(40), 0})
             .rectangle(0, 0, 6, 30)
             .build();
     },
     {{25, 3, 0x000000}, {3, 25, 0xFFFFFF}}},
    {"PieFillsItsQuarter",
     MetafileKind::EMF,
     [] {
         // From the ray towards the right to the ray upwards, counter-clockwise.
         return EmfBuilder(48, 48)
             .select(kNullPen)
             .select(kBlackBrush)
             .record(47, {4, 4, 44, 44, 44, 24, 24, 0})
             .build();
     },
     {{32, 16, 0x000000}, {16, 16, 0xFFFFFF}, {32, 32, 0xFFFFFF}, {16, 32, 0xFFFFFF}}},
    {"ClockwiseArcDirectionTakesTheOtherThreeQuarters",
     MetafileKind::EMF,
     [] {
         return EmfBuilder(48, 48)
             .select(kNullPen)
             .select(kBlackBrush)
             .record(57, {2})
             .record(47, {4, 4, 44, 44, 44, 24, 24, 0})
             .build();
     },
     {{32, 16, 0xFFFFFF}, {16, 16, 0x000000}, {32, 32, 0x000000}}},
    {"RoundRectLeavesCornersOut",
     MetafileKind::EMF,
     [] {
         return EmfBuilder(48, 48)
             .select(kNullPen)
             .select(kBlackBrush)
             .record(44, {4, 4, 44, 44, 20, 20})
             .build();
     },
     {{5, 5, 0xFFFFFF}, {24, 5, 0x000000}, {5, 24, 0x000000}}},
    {"RegionSelectedAsClip",
     MetafileKind::EMF,
     [] {
         Bytes p;
         put32(p, 48), put32(p, 5);                             // region size, copy
         put32(p, 32), put32(p, 1), put32(p, 1), put32(p, 16);  // header: size, type, count, bytes
         for (int v : {10, 10, 20, 20}) put32(p, EmfBuilder::u(v));
         for (int v : {10, 10, 20, 20}) put32(p, EmfBuilder::u(v));
         return EmfBuilder(48, 48)
             .bytesRecord(75, p)
             .select(kNullPen)
             .select(kBlackBrush)
             .rectangle(0, 0, 49, 49)
             .build();
     },
     {{15, 15, 0x000000}, {25, 15, 0xFFFFFF}, {9, 9, 0xFFFFFF}}},
    {"WmfStretchDib",
     MetafileKind::WMF,
     [] {
         Bytes p;
         put32(p, 0x00CC0020);
         for (int v : {0, 2, 2, 0, 0, 20, 20, 10, 10}) put16(p, v);  // usage, source, destination
         const Bytes dib = smallDib();
         p.insert(p.end(), dib.begin(), dib.end());
         return WmfBuilder(0, 0, 48, 48, 96).bytesRecord(0x0F43, p).build();
     },
     {{15, 15, 0xFF0000},
      {25, 15, 0x00FF00},
      {15, 25, 0x0000FF},
      {25, 25, 0xFFFF00},
      {31, 31, 0xFFFFFF}}},
    {"WmfDibPatternBrushTiles",
     MetafileKind::WMF,
     [] {
         Bytes p;
         put16(p, 5), put16(p, 0);
         const Bytes dib = smallDib();
         p.insert(p.end(), dib.begin(), dib.end());
         return WmfBuilder(0, 0, 48, 48, 96)
             .pen(5, 0, 0)
             .select(0)
             .bytesRecord(0x0142, p)
             .select(1)
             .rectangle(0, 0, 49, 49)
             .build();
     },
     // The tile repeats from the picture's origin, top row first.
     {{0, 0, 0xFF0000},
      {1, 0, 0x00FF00},
      {0, 1, 0x0000FF},
      {1, 1, 0xFFFF00},
      {10, 10, 0xFF0000},
      {11, 13, 0xFFFF00}}},
    {"WmfPatBltBlackness",
     MetafileKind::WMF,
     [] {
         return WmfBuilder(0, 0, 48, 48, 96).record(0x061D, {0x0042, 0x0000, 10, 10, 5, 5}).build();
     },
     {{5, 5, 0x000000}, {14, 14, 0x000000}, {15, 15, 0xFFFFFF}}},
    {"CosmeticDashLeavesGaps",
     MetafileKind::WMF,
     [] {
         return WmfBuilder(0, 0, 96, 48, 96)
             .bkMode(1)
             .pen(1, 0, 0)
             .select(0)
             .moveTo(0, 10)
             .lineTo(96, 10)
             .build();
     },
     // Dashes of 18 pixels, gaps of 6.
     {{0, 10, 0x000000},
      {17, 10, 0x000000},
      {18, 10, 0xFFFFFF},
      {23, 10, 0xFFFFFF},
      {24, 10, 0x000000}}},
    {"OpaqueDashGapsTakeTheBackground",
     MetafileKind::WMF,
     [] {
         return WmfBuilder(0, 0, 96, 48, 96)
             .record(0x0201, {0x00FF, 0})
             .bkMode(2)
             .pen(1, 0, 0)
             .select(0)
             .moveTo(0, 10)
             .lineTo(96, 10)
             .build();
     },
     {{17, 10, 0x000000}, {20, 10, 0xFF0000}}},
    {"IsotropicKeepsUnitsSquare",
     MetafileKind::WMF,
     [] {
         // A window 100 x 100 on a viewport of 96 x 48: both axes take the
         // smaller scale, so the square stays square.
         return WmfBuilder(0, 0, 96, 48, 96)
             .mapMode(7)
             .windowExt(100, 100)
             .record(0x020E, {48, 96})
             .pen(5, 0, 0)
             .select(0)
             .brush(0, 0)
             .select(1)
             .rectangle(0, 0, 50, 50)
             .build();
     },
     {{0, 0, 0x000000}, {22, 22, 0x000000}, {26, 2, 0xFFFFFF}}},
};

INSTANTIATE_TEST_SUITE_P(Metafile, MetafileRecords, ::testing::ValuesIn(kRecordCases),
                         NameOfParam());

TEST(MetafileRecordsText, OpaqueBackgroundFillsTheTextBox) {
    const DecodedPicture picture = render(EmfBuilder(96, 48)
                                              .record(25, {rgb(0, 0, 255)})
                                              .bkMode(2)
                                              .font(1, -20, u"Arial")
                                              .select(1)
                                              .text(10, 10, u"i")
                                              .build(),
                                          MetafileKind::EMF);
    int blue = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 96; ++x) blue += pixelAt(picture, x, y) == 0x0000FF;
    EXPECT_GT(blue, 50) << "the cell behind the letter is painted";
    EXPECT_EQ(pixelAt(picture, 9, 15), 0xFFFFFFu) << "nothing left of the reference point";
}

// ------------------------------------------------------------ encodings

struct EncodingCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    int charset;
    std::u32string chars;
    std::vector<std::size_t> firstUnit;
};

class AnsiTextDecoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(AnsiTextDecoding, GivesUnicodeAndTheFirstByteOfEachCharacter) {
    const EncodingCase& c = GetParam();
    const DecodedText text = DecodeAnsiText(c.bytes.data(), c.bytes.size(), c.charset);
    EXPECT_EQ(text.chars, c.chars);
    EXPECT_EQ(text.firstUnit, c.firstUnit);
}

INSTANTIATE_TEST_SUITE_P(
    Metafile, AnsiTextDecoding,
    ::testing::Values(
        EncodingCase{"Western", {'A', 0xE9, 0x80}, 0, U"A\u00E9\u20AC", {0, 1, 2}},
        EncodingCase{"ShiftJis", {0x93, 0xFA, 'x', 0x96, 0x7B}, 128, U"\u65E5x\u672C", {0, 2, 3}},
        EncodingCase{"ShiftJisHalfWidthKana", {0xB1, 0xB2}, 128, U"\uFF71\uFF72", {0, 1}},
        EncodingCase{"Cyrillic", {0xC0, 0xE0}, 204, U"\u0410\u0430", {0, 1}},
        EncodingCase{"Symbol", {'a', 'p', 0xA5}, 2, U"\u03B1\u03C0\u221E", {0, 1, 2}},
        EncodingCase{"PrivateSymbolFont", {'a'}, kPrivateSymbolEncoding, U"\uF061", {0}}),
    NameOfParam());

TEST(MetafileRecordsText, SymbolFaceUsesTheSymbolLayoutWhateverItsCharset) {
    EXPECT_EQ(TextEncodingFor("Symbol", 1), kSymbolCharset);
    EXPECT_EQ(TextEncodingFor("SYMBOL", 0), kSymbolCharset);
    EXPECT_EQ(TextEncodingFor("Wingdings", 2), kPrivateSymbolEncoding);
    EXPECT_EQ(TextEncodingFor("Arial", 128), 128);
}

TEST(MetafileRecordsText, Utf16SurrogatePairsAreOneCharacter) {
    const std::uint16_t units[] = {'a', 0xD83D, 0xDE00, 0xDC00, 'b'};
    const DecodedText text = DecodeUtf16Text(units, 5);
    EXPECT_EQ(text.chars, (std::u32string{U'a', 0x1F600, 0xFFFD, U'b'}));
    EXPECT_EQ(text.firstUnit, (std::vector<std::size_t>{0, 1, 3, 4}));
}

// ---------------------------------------------------------- bounded work

TEST(MetafileRecordsWork, EndlessFillsStopAndKeepWhatWasDrawn) {
    // A hundred thousand full-picture fills would take many seconds;
    // drawing stops once the work bound is spent.
    EmfBuilder builder(240, 240);
    builder.select(kNullPen)
        .select(kBlackBrush)
        .rectangle(0, 0, 241, 241)
        .record(20, {7});  // exclusive-or
    for (int i = 0; i < 100000; ++i) builder.rectangle(0, 0, 241, 241);
    const Bytes bytes = builder.build();
    DecodedPicture picture;
    RenderMetafile(bytes.data(), bytes.size(), MetafileKind::EMF, picture);
    EXPECT_EQ(picture.width, 240);
    const std::uint32_t c = pixelAt(picture, 120, 120);
    EXPECT_TRUE(c == 0x000000 || c == 0xFFFFFF);
}

}  // namespace
