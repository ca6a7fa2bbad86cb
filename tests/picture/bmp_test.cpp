// BMP files and packed DIBs: reading (headers, colour tables, 16/32-bit
// masks, RLE), refusals with their messages, and writing.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "picture/bmp/bmp_format.h"
#include "picture/dib.h"
#include "picture/system/file_io.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
std::uint32_t get32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A BMP file built field by field; the defaults make a valid file.
struct BmpBuilder {
    std::uint32_t headerSize = 40;
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::int32_t resolution = 2835;
    std::vector<std::uint32_t> masks;        // written after the header
    Bytes colors;                            // the colour table as it stands in the file
    Bytes pixels;                            // the pixel block
    std::optional<std::uint32_t> bfSize;     // default: the real file size
    std::optional<std::uint32_t> bfOffBits;  // default: right after the colours
    std::optional<char> type;                // first letter of the signature

    Bytes build() const {
        Bytes info;
        put32(info, headerSize);
        if (headerSize == 12) {
            put16(info, static_cast<std::uint32_t>(width));
            put16(info, static_cast<std::uint32_t>(height));
            put16(info, 1);
            put16(info, bitCount);
        } else {
            put32(info, static_cast<std::uint32_t>(width));
            put32(info, static_cast<std::uint32_t>(height));
            put16(info, 1);
            put16(info, bitCount);
            put32(info, compression);
            put32(info, static_cast<std::uint32_t>(pixels.size()));
            put32(info, static_cast<std::uint32_t>(resolution));
            put32(info, static_cast<std::uint32_t>(resolution));
            put32(info, colorsUsed);
            put32(info, 0);
            while (info.size() < headerSize) info.push_back(0);
        }
        for (std::uint32_t m : masks) put32(info, m);
        info.insert(info.end(), colors.begin(), colors.end());
        const std::uint32_t offset =
            bfOffBits.value_or(static_cast<std::uint32_t>(14 + info.size()));
        Bytes file;
        file.push_back(static_cast<std::uint8_t>(type.value_or('B')));
        file.push_back('M');
        put32(file, bfSize.value_or(static_cast<std::uint32_t>(offset + pixels.size())));
        put32(file, 0);
        put32(file, offset);
        file.insert(file.end(), info.begin(), info.end());
        while (file.size() < offset) file.push_back(0);
        file.insert(file.end(), pixels.begin(), pixels.end());
        return file;
    }
};

TDIB LoadBmp(const Bytes& file) {
    std::istringstream in(std::string(file.begin(), file.end()));
    TDIB dib;
    dib.LoadFromStream(in);
    return dib;
}

// A grey colour table of n entries: entry i is (i, i, i).
Bytes GreyTable(int n, int bytesPerEntry = 4) {
    Bytes t;
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) t.push_back(static_cast<std::uint8_t>(i));
        if (bytesPerEntry == 4) t.push_back(0);
    }
    return t;
}

int Grey(int v) {
    return v | v << 8 | v << 16;
}

// What a read of `file` throws: "class: message", or "" when it loads.
std::string ReadOutcome(const Bytes& file) {
    try {
        TDIB dib = LoadBmp(file);
        dib.SetPixelFormat(PixelFormat24Bit);
        return "";
    } catch (const EDIBInvalidDIBFile& e) {
        return std::string("EDIBInvalidDIBFile: ") + e.what();
    } catch (const EDIBError& e) {
        return std::string("EDIBError: ") + e.what();
    } catch (const EReadError& e) {
        return std::string("EReadError: ") + e.what();
    } catch (const EOutOfMemory& e) {
        return std::string("EOutOfMemory: ") + e.what();
    }
}

BmpBuilder Valid8Bit() {
    BmpBuilder b;
    b.bitCount = 8;
    b.width = 3;
    b.height = 2;
    b.colorsUsed = 4;
    b.colors = GreyTable(4);
    b.pixels = Bytes(8, 1);
    return b;
}

// One pixel of 16 or 32 bits whose colours the masks (bit fields) pick.
BmpBuilder OnePixelWithMasks(std::uint16_t bitCount, std::vector<std::uint32_t> masks,
                             Bytes pixel) {
    BmpBuilder b;
    b.bitCount = bitCount;
    b.compression = 3;
    b.masks = std::move(masks);
    b.width = 1;
    b.height = 1;
    b.pixels = std::move(pixel);
    return b;
}

struct RefusalCase {
    const char* name;
    Bytes file;
    std::string outcome;
};

std::vector<RefusalCase> RefusalCases() {
    std::vector<RefusalCase> cases;
    auto add = [&](const char* name, BmpBuilder b, const std::string& outcome) {
        cases.push_back({name, b.build(), outcome});
    };
    BmpBuilder b = Valid8Bit();
    b.type = 'X';
    add("NotBM", b, "EDIBInvalidDIBFile: TInternalDIB.LoadFromFile: File type is invalid");
    for (std::uint32_t size : {108u, 124u, 64u}) {
        b = Valid8Bit();
        b.headerSize = size;
        add(size == 108   ? "V4Header"
            : size == 124 ? "V5Header"
                          : "OtherHeader",
            b, "EDIBError: TInternalDIB.LoadFromStream: Invalid Bitmap Header Size");
    }
    b = Valid8Bit();
    b.bitCount = 2;
    add("BitCountTwo", b, "EDIBError: TInternalDIB.LoadFromStream: Invalid BitCout");
    b = Valid8Bit();
    b.headerSize = 12;
    b.bitCount = 16;
    b.colors.clear();
    add("CoreHeaderSixteenBits", b, "EDIBError: TInternalDIB.LoadFromStream: Invalid BitCount");
    b = Valid8Bit();
    b.bfOffBits = 14 + 40 + 4 * 4 - 1;
    add("OffsetInsideColourTable", b,
        "EDIBError: TInternalDIB.LoadFromFile: bfOffBits is too small");
    b = Valid8Bit();
    b.headerSize = 12;
    b.colors = GreyTable(256, 3);
    b.bfOffBits = 14 + 12 + 3 * 256 - 3;
    add("CoreOffsetInsideColourTable", b,
        "EDIBError: TInternalDIB.LoadFromFile: bfOffBits is too small");
    for (auto [name, w, h] :
         {std::tuple{"WidthZero", 0, 2}, std::tuple{"WidthNegative", -3, 2},
          std::tuple{"HeightZero", 3, 0}, std::tuple{"HeightMostNegative", 3, INT32_MIN}}) {
        b = Valid8Bit();
        b.width = w;
        b.height = h;
        add(name, b, "EDIBError: TInternalDIB.LoadFromStream: Invalid Width or Height");
    }
    b = Valid8Bit();
    b.bfSize = 14 + 40 + 16 + 7;  // one byte short of the two rows
    add("PixelBlockShorterThanRows", b,
        "EDIBError: TInternalDIB.LoadFromStream: Pixel data is shorter than the image");
    b = Valid8Bit();
    b.bfSize = 10;  // below the offset: a negative block
    add("FileSizeBelowOffset", b,
        "EDIBError: TInternalDIB.LoadFromStream: Pixel data is shorter than the image");
    b = Valid8Bit();
    b.height = 1 << 30;  // rows of 4 GB behind an 8-byte block
    add("HugeHeightSmallBlock", b,
        "EDIBError: TInternalDIB.LoadFromStream: Pixel data is shorter than the image");
    b = Valid8Bit();
    b.bfSize = 1000000;  // larger than the file
    add("FileSizeBeyondTheFile", b, "EReadError: Stream read error");
    b = Valid8Bit();
    b.colorsUsed = 0xFFFFFFF0u;  // colours to skip far beyond the end
    add("EndlessColourTable", b, "EReadError: Stream read error");
    b.colorsUsed = 4;
    {
        Bytes cut = Valid8Bit().build();
        cut.resize(30);
        cases.push_back({"TruncatedHeader", cut, "EReadError: Stream read error"});
    }
    b = BmpBuilder();
    b.bitCount = 16;
    b.compression = 3;
    b.masks = {0x7C00, 0, 0x1F};
    b.pixels = Bytes(8, 0);
    add("ZeroMask", b, "EDIBError: TInternalDIB.LoadFromStream: Invalid Masks");
    b = BmpBuilder();
    b.bitCount = 32;
    b.width = 1 << 20;
    b.height = 1 << 20;
    add("SixteenBitRowsBeyondTheFile", b, "EReadError: Stream read error");
    b = Valid8Bit();
    b.compression = 2;  // 4-bit RLE with 8 bits per pixel
    add("CompressionThatDoesNotFit", b,
        "EDIBError: TInternalDIB.GetPixelFormat: Invalid DIB(8Bit)");
    b = BmpBuilder();
    b.compression = 1;
    add("CompressedTrueColour", b, "EDIBError: TInternalDIB.GetPixelFormat: Invalid DIB(24Bit)");
    return cases;
}

class BmpRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(BmpRefusal, GivesItsErrorAndKeepsTheOldPicture) {
    EXPECT_EQ(ReadOutcome(GetParam().file), GetParam().outcome);
    // A failed read leaves the handle with its old store.
    TDIB dib;
    dib.SetWidth(5);
    std::istringstream in(std::string(GetParam().file.begin(), GetParam().file.end()));
    try {
        dib.LoadFromStream(in);
    } catch (const std::exception&) {
    }
    if (!GetParam().outcome.empty() &&
        GetParam().outcome.find("GetPixelFormat") == std::string::npos) {
        EXPECT_EQ(dib.Width(), 5);
    }
}

INSTANTIATE_TEST_SUITE_P(Bmp, BmpRefusal, ::testing::ValuesIn(RefusalCases()), NameOfParam());

TEST(BmpRead, SixteenBitDefaultMasksScaleEachChannel) {
    BmpBuilder b;
    b.bitCount = 16;
    b.width = 2;
    b.height = 1;
    b.pixels = {0xFF, 0x7F, 0x00, 0x04};  // 0x7FFF, then 0x0400 (red 5-bit value 1)
    TDIB dib = LoadBmp(b.build());
    EXPECT_EQ(dib.PixelFormat(), PixelFormat24Bit);
    EXPECT_EQ(dib.GetPixels(0, 0), 0xFFFFFF);
    EXPECT_EQ(dib.GetPixels(1, 0), 8);  // 8 * 255 div 248
    EXPECT_EQ(dib.Header().biCompression, 0u);
    EXPECT_EQ(dib.Header().biSizeImage, 0u);
}

TEST(BmpRead, ThirtyTwoBitExplicitMasksReadLikeTheDefault) {
    BmpBuilder plain;
    plain.bitCount = 32;
    plain.width = 3;
    plain.height = 1;
    plain.pixels = {1, 2, 3, 0, 200, 100, 50, 9, 255, 0, 128, 255};
    BmpBuilder fields = plain;
    fields.compression = 3;
    fields.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    const TDIB a = LoadBmp(plain.build());
    const TDIB b = LoadBmp(fields.build());
    for (int x = 0; x < 3; ++x) EXPECT_EQ(a.GetPixels(x, 0), b.GetPixels(x, 0));
    EXPECT_EQ(a.GetPixels(0, 0), 3 | 2 << 8 | 1 << 16);
    EXPECT_EQ(a.GetPixels(1, 0), 50 | 100 << 8 | 200 << 16);
}

TEST(BmpRead, SixteenBitWithFiveSixFiveMasks) {
    const BmpBuilder b =
        OnePixelWithMasks(16, {0xF800, 0x07E0, 0x001F}, {0xE0, 0x07, 0, 0});  // green all ones
    EXPECT_EQ(LoadBmp(b.build()).GetPixels(0, 0), 255 << 8);
}

TEST(BmpRead, TopDownSixteenAndThirtyTwoBitFilesReadTopDown) {
    for (std::uint16_t bits : {16, 32}) {
        BmpBuilder b;
        b.bitCount = bits;
        b.width = 1;
        b.height = -2;
        b.pixels =
            bits == 16 ? Bytes{0x1F, 0, 0, 0, 0, 0x7C, 0, 0} : Bytes{255, 0, 0, 0, 0, 0, 255, 0};
        TDIB dib = LoadBmp(b.build());
        SCOPED_TRACE(bits);
        EXPECT_EQ(dib.Height(), 2);
        EXPECT_EQ(dib.GetPixels(0, 0), 0xFF0000);  // first row in the file is the top: blue
        EXPECT_EQ(dib.GetPixels(0, 1), 0x0000FF);  // red
    }
}

TEST(BmpRead, CoreHeaderWithThreeByteColours) {
    BmpBuilder b;
    b.headerSize = 12;
    b.bitCount = 8;
    b.width = 2;
    b.height = 1;
    b.colors = GreyTable(256, 3);
    b.pixels = {7, 200, 0, 0};
    TDIB dib = LoadBmp(b.build());
    EXPECT_EQ(dib.ColorsUsed(), 256);
    EXPECT_EQ(dib.Header().biXPelsPerMeter, 3780);
    dib.SetPixelFormat(PixelFormat24Bit);
    EXPECT_EQ(dib.GetPixels(0, 0), Grey(7));
    EXPECT_EQ(dib.GetPixels(1, 0), Grey(200));
}

TEST(BmpRead, ColourTableRules) {
    // Colours used 0 means all 2^bits; a resolution of 0 becomes 96 dpi.
    BmpBuilder b = Valid8Bit();
    b.colorsUsed = 0;
    b.colors = GreyTable(256);
    b.resolution = 0;
    TDIB dib = LoadBmp(b.build());
    EXPECT_EQ(dib.ColorsUsed(), 256);
    EXPECT_EQ(dib.Header().biXPelsPerMeter, 3780);

    // More than 256 colours: the rest are skipped and the pixels still found.
    b = Valid8Bit();
    b.colorsUsed = 300;
    b.colors = GreyTable(300);
    b.colors[4 * 299] = 99;  // beyond 256, never used
    b.pixels = Bytes{5, 6, 7, 0, 250, 251, 252, 0};
    dib = LoadBmp(b.build());
    EXPECT_EQ(dib.ColorsUsed(), 256);
    dib.SetPixelFormat(PixelFormat24Bit);
    EXPECT_EQ(dib.GetPixels(0, 1), Grey(5));
    EXPECT_EQ(dib.GetPixels(2, 0), Grey(252));

    // A true-colour file may carry a colour table; it is kept.
    BmpBuilder t;
    t.colorsUsed = 2;
    t.colors = GreyTable(2);
    t.pixels = Bytes(16, 9);
    dib = LoadBmp(t.build());
    EXPECT_EQ(dib.ColorsUsed(), 2);
    EXPECT_EQ(dib.GetPixels(1, 1), Grey(9));
}

TEST(BmpRead, GapBeforeThePixelsIsSkipped) {
    BmpBuilder b = Valid8Bit();
    b.bfOffBits = 14 + 40 + 16 + 33;
    b.pixels = {1, 2, 3, 0, 3, 2, 1, 0};
    TDIB dib = LoadBmp(b.build());
    dib.SetPixelFormat(PixelFormat24Bit);
    EXPECT_EQ(dib.GetPixels(0, 1), Grey(1));
    EXPECT_EQ(dib.GetPixels(0, 0), Grey(3));
}

// ------------------------------------------------------------------ RLE

struct RleCase {
    const char* name;
    int bitCount;
    int width;
    int height;
    Bytes stream;
    std::vector<int> indices;  // memory row 0 first (the bottom row), or empty
    std::string error;
};

std::vector<RleCase> RleCases() {
    return {
        {"Rle8RunsAndEndOfLine", 8, 2, 2, {2, 5, 0, 0, 1, 7, 1, 8, 0, 1}, {5, 5, 7, 8}, ""},
        {"Rle8AbsoluteRunIsPaddedToWords",
         8,
         4,
         1,
         {0, 3, 1, 2, 3, 0, 1, 9, 0, 1},
         {1, 2, 3, 9},
         ""},
        {"Rle8MoveSkipsPixels", 8, 3, 2, {0, 2, 1, 1, 1, 4, 0, 1}, {0, 0, 0, 0, 4, 0}, ""},
        {"Rle8WithoutEndStopsAtTheBlockEnd", 8, 2, 2, {2, 9}, {9, 9, 0, 0}, ""},
        {"Rle8AbsoluteRunCutByTheBlockEnd", 8, 5, 1, {0, 5, 1, 2}, {1, 2, 0, 0, 0}, ""},
        {"Rle8EndOfLineBeyondTheRows",
         8,
         1,
         1,
         {0, 0, 0, 0, 0, 1},
         {},
         "Convert8BitRLETo8BitRGB: Bad RLE Data 1"},
        {"Rle8MoveBeyondTheWidth",
         8,
         3,
         1,
         {0, 2, 5, 0},
         {},
         "Convert8BitRLETo8BitRGB: Bad RLE Data 2"},
        {"Rle8AbsoluteBeyondTheWidth",
         8,
         3,
         1,
         {0, 4, 1, 2, 3, 4},
         {},
         "Convert8BitRLETo8BitRGB: Bad RLE Data 3"},
        {"Rle8RunBeyondTheWidth", 8, 3, 1, {4, 1}, {}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {"Rle8RunBelowTheLastRow",
         8,
         1,
         1,
         {0, 0, 1, 1},
         {},
         "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {"Rle4RunAlternatesNibbles", 4, 5, 1, {5, 0x12, 0, 1}, {1, 2, 1, 2, 1}, ""},
        {"Rle4AbsoluteRun", 4, 3, 1, {0, 3, 0x34, 0x50, 0, 1}, {3, 4, 5}, ""},
        {"Rle4OddWidthAllowsOneMorePixel", 4, 3, 1, {4, 0x12, 0, 1}, {1, 2, 1}, ""},
        {"Rle4EndOfLineBeyondTheRows",
         4,
         1,
         1,
         {0, 0, 0, 0},
         {},
         "Convert4BitRLETo4BitRGB: Bad RLE Data 5"},
        {"Rle4MoveBeyondTheWidth",
         4,
         3,
         1,
         {0, 2, 5, 0},
         {},
         "Convert4BitRLETo4BitRGB: Bad RLE Data 6"},
        {"Rle4AbsoluteBeyondTheWidth",
         4,
         3,
         1,
         {0, 5, 0x11, 0x11, 0x10, 0},
         {},
         "Convert4BitRLETo4BitRGB: Bad RLE Data 7"},
        {"Rle4RunBeyondTheWidth",
         4,
         3,
         1,
         {6, 0x11},
         {},
         "Convert4BitRLETo4BitRGB: Bad RLE Data 8"},
    };
}

class RleDecoding : public ::testing::TestWithParam<RleCase> {};

TEST_P(RleDecoding, DecodesOrRefuses) {
    const RleCase& c = GetParam();
    BmpBuilder b;
    b.bitCount = static_cast<std::uint16_t>(c.bitCount);
    b.compression = c.bitCount == 8 ? 1 : 2;
    b.width = c.width;
    b.height = c.height;
    b.colorsUsed = 1u << c.bitCount;
    // Entry i is red i * 10, so an index reads back from a 24-bit pixel.
    for (std::uint32_t i = 0; i < b.colorsUsed; ++i) {
        const std::uint8_t red = static_cast<std::uint8_t>((i * 10) & 0xFF);
        b.colors.insert(b.colors.end(), {0, 0, red, 0});
    }
    b.pixels = c.stream;
    TDIB dib = LoadBmp(b.build());
    EXPECT_EQ(dib.PixelFormat(), c.bitCount == 8 ? PixelFormat8BitRLE : PixelFormat4BitRLE);
    EXPECT_THROW(dib.GetPixels(0, 0), EDIBBadDIBType);
    if (!c.error.empty()) {
        try {
            dib.SetPixelFormat(PixelFormat24Bit);
            ADD_FAILURE() << "decoded without an error";
        } catch (const EDIBInvalidDIB& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
        EXPECT_EQ(dib.PixelFormat(), c.bitCount == 8 ? PixelFormat8BitRLE : PixelFormat4BitRLE);
        return;
    }
    dib.SetPixelFormat(PixelFormat24Bit);
    for (int row = 0; row < c.height; ++row) {
        for (int x = 0; x < c.width; ++x) {
            const int y = c.height - 1 - row;  // bottom-up: memory row 0 is the last image row
            EXPECT_EQ(dib.GetPixels(x, y),
                      c.indices[static_cast<std::size_t>(row * c.width + x)] * 10)
                << "x " << x << " memory row " << row;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Bmp, RleDecoding, ::testing::ValuesIn(RleCases()), NameOfParam());

// ------------------------------------------------------------------ writing

Bytes SaveBmp(const TDIB& dib) {
    std::ostringstream out;
    dib.SaveToStream(out);
    const std::string s = out.str();
    return Bytes(s.begin(), s.end());
}

TEST(BmpWrite, AScaledPictureCarriesItsBlackColourTable) {
    // Made as the scale command makes its result: a new buffer resized, then
    // set to 24 bits, keeps the 256 colours it was created with.
    TDIB scaled;
    scaled.SetWidth(3);
    scaled.SetHeight(2);
    scaled.SetPixelFormat(PixelFormat24Bit);
    scaled.SetPixels(2, 0, 0x102030);
    const Bytes file = SaveBmp(scaled);
    EXPECT_EQ(get32(file, 10), 1078u);          // bfOffBits
    EXPECT_EQ(get32(file, 2), 1078u + 2 * 12);  // bfSize: stride 12, 2 rows
    EXPECT_EQ(get32(file, 46), 256u);           // colours used
    EXPECT_EQ(get32(file, 34), 0u);             // image size after a conversion
    EXPECT_EQ(file.size(), 1078u + 24);
    for (std::size_t i = 54; i < 1078; ++i) ASSERT_EQ(file[i], 0) << i;
    // Bottom-up: the top row is the second row of the block.
    EXPECT_EQ(file[1078 + 12 + 6], 0x10);  // blue first
    EXPECT_EQ(file[1078 + 12 + 8], 0x30);
    TDIB back = LoadBmp(file);
    EXPECT_EQ(back.GetPixels(2, 0), 0x102030);
}

TEST(BmpWrite, APictureDecodedAtTwentyFourBitsHasNoColourTable) {
    DecodedPicture p;
    p.allocate(5, 3, 24);
    p.row(1)[0] = 77;
    TDIB dib;
    dib.Assign(std::move(p));
    const Bytes file = SaveBmp(dib);
    EXPECT_EQ(get32(file, 10), 54u);
    EXPECT_EQ(get32(file, 2), 54u + 3 * 16);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(get32(file, 14), 40u);
    EXPECT_EQ(get32(file, 18), 5u);
    EXPECT_EQ(get32(file, 22), 3u);
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(get32(file, 38), 3780u);
    EXPECT_EQ(LoadBmp(file).GetPixels(0, 1), 77 << 16);
}

TEST(BmpWrite, TopDownAndIndexedPicturesRoundTrip) {
    TDIB dib;
    dib.SetWidth(9);
    dib.SetHeight(-4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) dib.SetPixels(x, y, (x * 13 + y) & 0xFF);
    const Bytes file = SaveBmp(dib);
    EXPECT_EQ(static_cast<std::int32_t>(get32(file, 22)), -4);
    TDIB back = LoadBmp(file);
    EXPECT_TRUE(back.IsTopDown());
    EXPECT_EQ(back.PixelFormat(), PixelFormat8Bit);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(back.GetPixels(x, y), (x * 13 + y) & 0xFF);
}

TEST(BmpFile, SaveWritesAWholeFileAndLoadReadsIt) {
    TempDir dir;
    TDIB dib;
    dib.SetWidth(4);
    dib.SetHeight(4);
    dib.SetPixelFormat(PixelFormat24Bit);
    dib.SetPixels(1, 2, 0xABCDEF);
    dib.SaveToFile(dir.file("a.bmp"));
    TDIB back;
    back.LoadFromFile(dir.file("a.bmp"));
    EXPECT_EQ(back.GetPixels(1, 2), 0xABCDEF);
    EXPECT_EQ(ListFiles(dir.path()).size(), 1u);  // no temporary left behind
}

TEST(BmpFile, MissingFilesAndFoldersAreRefusedWithTheirNames) {
    TempDir dir;
    TDIB dib;
    dib.SetWidth(3);
    for (const std::string& path : {dir.file("missing.bmp"), dir.path()}) {
        try {
            dib.LoadFromFile(path);
            ADD_FAILURE() << "loaded " << path;
        } catch (const EFOpenError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        EXPECT_EQ(dib.Width(), 3);
    }
}

// The file header counts the file's bytes in 32 bits: a picture whose file
// would be longer is refused, never written with a wrapped size.
struct FileSizeCase {
    const char* name;
    std::uint64_t colors;
    std::uint64_t pixelBytes;
    bool fits;
};

void PrintTo(const FileSizeCase& c, std::ostream* os) {
    *os << c.name;
}

class BmpFileSize : public ::testing::TestWithParam<FileSizeCase> {};

TEST_P(BmpFileSize, MustFitTheSizeField) {
    const FileSizeCase& c = GetParam();
    EXPECT_EQ(BMPFileSize(c.colors, c.pixelBytes), 54 + 4 * c.colors + c.pixelBytes);
    if (c.fits) {
        EXPECT_NO_THROW(CheckBMPFileSize(100, 200, c.colors, c.pixelBytes));
    } else {
        const std::string expected =
            "BMP cannot hold a picture of 37900 x 37900 pixels: the file would be " +
            std::to_string(54 + 4 * c.colors + c.pixelBytes) + " bytes";
        try {
            CheckBMPFileSize(37900, 37900, c.colors, c.pixelBytes);
            ADD_FAILURE() << "not refused";
        } catch (const EDIBError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(expected, 0), 0u) << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BmpFileSize,
    ::testing::Values(FileSizeCase{"LargestWithoutColours", 0, 0xFFFFFFFFull - 54, true},
                      FileSizeCase{"OneByteMoreWithoutColours", 0, 0xFFFFFFFFull - 53, false},
                      FileSizeCase{"LargestWithTheScaledPalette", 256, 0xFFFFFFFFull - 1078, true},
                      FileSizeCase{"OneByteMoreWithThePalette", 256, 0xFFFFFFFFull - 1077, false},
                      FileSizeCase{"Scaled37900Squared", 256, 37900ull * 37900 * 3, false}),
    NameOfParam());

TEST(BmpFile, AFailedSaveLeavesTheOldFileAsItWas) {
    TempDir dir;
    const std::string path = dir.file("keep.bmp");
    WriteBytes(path, {1, 2, 3});
    // A writer that fails part-way: the target keeps its old bytes.
    EXPECT_THROW(WriteFileAtomically(path,
                                     [](std::ostream& out) {
                                         out << std::string(100000, 'x');
                                         throw EWriteError();
                                     }),
                 EWriteError);
    EXPECT_EQ(ReadBytes(path), (Bytes{1, 2, 3}));
    // A folder in the way of the target: the rename cannot happen.
    const std::string blocked = dir.file("sub");
    ASSERT_EQ(RunCommand("mkdir " + ShellQuote(blocked) + " && touch " + ShellQuote(blocked + "/x"))
                  .status,
              0);
    TDIB dib;
    EXPECT_THROW(dib.SaveToFile(blocked), EFCreateError);
    EXPECT_THROW(dib.SaveToFile(dir.file("no/such/folder.bmp")), EFCreateError);
    EXPECT_EQ(ListFiles(dir.path()).size(), 2u);  // keep.bmp and sub/x: no temporaries left
    // A successful save over an existing file replaces it whole.
    dib.SaveToFile(path);
    EXPECT_EQ(ReadBytes(path).size(), 54u + 1024 + 4);
}

// ------------------------------------------------------------ packed DIB

TEST(PackedDib, RoundTripKeepsHeaderColoursAndPixels) {
    TDIB dib;
    dib.SetWidth(7);
    dib.SetHeight(3);
    dib.SetPixelFormat(PixelFormat24Bit);
    dib.SetPixels(6, 2, 0x123456);
    const Bytes block = dib.SaveToClipboardFormat();
    EXPECT_EQ(block.size(), 40u + 4 * 256 + 3 * 24);
    EXPECT_EQ(get32(block, 0), 40u);
    TDIB back;
    back.LoadFromClipboardFormat(kClipboardFormatDIB, &block);
    EXPECT_EQ(back.Width(), 7);
    EXPECT_EQ(back.GetPixels(6, 2), 0x123456);
    EXPECT_EQ(back.ColorsUsed(), 256);
}

Bytes PackedFromBmp(const BmpBuilder& b) {
    const Bytes file = b.build();
    return Bytes(file.begin() + 14, file.end());
}

TEST(PackedDib, ReadsWhatOtherProgramsPutOnTheClipboard) {
    // 32 bits with explicit masks, pixels right after the masks.
    BmpBuilder b = OnePixelWithMasks(32, {0xFF0000, 0xFF00, 0xFF}, {10, 20, 30, 0});
    Bytes block = PackedFromBmp(b);
    TDIB dib;
    dib.LoadFromClipboardFormat(kClipboardFormatDIB, &block);
    EXPECT_EQ(dib.GetPixels(0, 0), 30 | 20 << 8 | 10 << 16);

    // 8 bits with colours used 0: 256 colours follow.
    b = Valid8Bit();
    b.colorsUsed = 0;
    b.colors = GreyTable(256);
    b.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    block = PackedFromBmp(b);
    dib.LoadFromClipboardFormat(kClipboardFormatDIB, &block);
    dib.SetPixelFormat(PixelFormat24Bit);
    EXPECT_EQ(dib.GetPixels(2, 0), Grey(6));

    // The 12-byte core header.
    b = BmpBuilder();
    b.headerSize = 12;
    b.bitCount = 1;
    b.width = 1;
    b.height = 1;
    b.colors = {0, 0, 0, 255, 255, 255};
    b.pixels = {0x80, 0, 0, 0};
    block = PackedFromBmp(b);
    dib.LoadFromClipboardFormat(kClipboardFormatDIB, &block);
    dib.SetPixelFormat(PixelFormat24Bit);
    EXPECT_EQ(dib.GetPixels(0, 0), 0xFFFFFF);
}

TEST(PackedDib, RefusalsKeepTheOldPicture) {
    struct Case {
        const char* name;
        int format;
        std::optional<Bytes> block;
        std::string message;
    };
    BmpBuilder v4 = Valid8Bit();
    v4.headerSize = 108;
    BmpBuilder two = Valid8Bit();
    two.bitCount = 2;
    BmpBuilder wide = Valid8Bit();
    wide.width = 0;
    BmpBuilder shortRows = Valid8Bit();
    shortRows.pixels.resize(5);
    BmpBuilder longTable = Valid8Bit();
    longTable.colorsUsed = 100000;
    const std::vector<Case> cases = {
        {"OtherFormat", 2, Bytes(60, 0),
         "TDIB.LoadFromClipboardFormat: Invalid Clipboard Format or No Data"},
        {"NoBlock", kClipboardFormatDIB, std::nullopt,
         "TDIB.LoadFromClipboardFormat: Invalid Clipboard Format or No Data"},
        {"V4Header", kClipboardFormatDIB, PackedFromBmp(v4),
         "TDIB.LoadFromClipboardFormat: Invalid Clipboard Data"},
        {"TruncatedHeader", kClipboardFormatDIB, Bytes{40, 0, 0, 0, 1},
         "TDIB.LoadFromClipboardFormat: Invalid Clipboard Data"},
        {"BitCountTwo", kClipboardFormatDIB, PackedFromBmp(two),
         "TInternalDIB.LoadFromClipboardFormat: Invalid biBitCount"},
        {"WidthZero", kClipboardFormatDIB, PackedFromBmp(wide),
         "TInternalDIB.LoadFromStream: Invalid Width or Height"},
        {"RowsCutShort", kClipboardFormatDIB, PackedFromBmp(shortRows),
         "TInternalDIB.LoadFromStream: Pixel data is shorter than the image"},
        {"ColourTableBeyondTheBlock", kClipboardFormatDIB, PackedFromBmp(longTable),
         "TDIB.LoadFromClipboardFormat: Invalid Clipboard Data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDIB dib;
        dib.SetWidth(9);
        try {
            dib.LoadFromClipboardFormat(c.format, c.block ? &*c.block : nullptr);
            ADD_FAILURE() << "accepted";
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_EQ(dib.Width(), 9);
    }
}

}  // namespace
