// GIF reading (block rules, first frame placement, LZW faults) on files
// built here and on the public suites against Pillow; GIF writing checked
// byte by byte and by Pillow and giflib.

#include "picture/gif/gif_picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "picture/errors.h"
#include "picture/gif/gif_lzw.h"
#include "picture/picture_loader.h"
#include "picture/system/file_io.h"
#include "tests/picture/format_test_helpers.h"
#include "tests/support/fake_system_memory.h"

namespace {

// ------------------------------------------------------- building GIF files

struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint8_t> pixels;  // rows top to bottom
    std::vector<RGBQuad> localTable;   // none when empty
    bool interlaced = false;
    int transparentIndex = -1;  // a graphic control extension before the frame
};

void put16(std::vector<std::uint8_t>& out, int v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putTable(std::vector<std::uint8_t>& out, const std::vector<RGBQuad>& table) {
    for (const RGBQuad& c : table) {
        out.push_back(c.rgbRed);
        out.push_back(c.rgbGreen);
        out.push_back(c.rgbBlue);
    }
}

int sizeField(const std::vector<RGBQuad>& table) {
    int field = 0;
    while ((2u << field) < table.size()) ++field;
    return field;
}

std::vector<std::uint8_t> ImageData(const Frame& f) {
    std::vector<std::uint8_t> out;
    std::vector<const std::uint8_t*> rows;
    std::vector<int> order;
    if (f.interlaced) {
        for (int start : {0, 4, 2, 1})
            for (int y = start; y < f.height; y += start == 0   ? 8
                                                   : start == 4 ? 8
                                                   : start == 2 ? 4
                                                                : 2)
                order.push_back(y);
    } else {
        for (int y = 0; y < f.height; ++y) order.push_back(y);
    }
    for (int y : order) rows.push_back(f.pixels.data() + static_cast<std::size_t>(y) * f.width);
    const std::vector<std::uint8_t> codes = EncodeGifLzw(rows.data(), f.width, f.height);
    out.push_back(8);
    for (std::size_t at = 0; at < codes.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, codes.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), codes.begin() + static_cast<std::ptrdiff_t>(at),
                   codes.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    out.push_back(0);
    return out;
}

std::vector<std::uint8_t> FrameBytes(const Frame& f) {
    std::vector<std::uint8_t> out;
    if (f.transparentIndex >= 0) {
        out.insert(out.end(),
                   {0x21, 0xF9, 4, 0x01, 0, 0, static_cast<std::uint8_t>(f.transparentIndex), 0});
    }
    out.push_back(0x2C);
    put16(out, f.left);
    put16(out, f.top);
    put16(out, f.width);
    put16(out, f.height);
    std::uint8_t flags = f.interlaced ? 0x40 : 0;
    if (!f.localTable.empty()) flags |= static_cast<std::uint8_t>(0x80 | sizeField(f.localTable));
    out.push_back(flags);
    putTable(out, f.localTable);
    const std::vector<std::uint8_t> data = ImageData(f);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<std::uint8_t> GifHeader(int width, int height, const std::vector<RGBQuad>& globalTable,
                                    const char* signature = "GIF89a") {
    std::vector<std::uint8_t> out(signature, signature + 6);
    put16(out, width);
    put16(out, height);
    out.push_back(
        globalTable.empty() ? 0 : static_cast<std::uint8_t>(0x80 | 0x70 | sizeField(globalTable)));
    out.push_back(0);
    out.push_back(0);
    putTable(out, globalTable);
    return out;
}

std::vector<std::uint8_t> Gif(int width, int height, const std::vector<RGBQuad>& globalTable,
                              const std::vector<Frame>& frames, bool trailer = true) {
    std::vector<std::uint8_t> out = GifHeader(width, height, globalTable);
    for (const Frame& f : frames) {
        const auto bytes = FrameBytes(f);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    if (trailer) out.push_back(0x3B);
    return out;
}

std::vector<RGBQuad> Table(int n, std::uint8_t salt = 0) {
    std::vector<RGBQuad> table;
    for (int i = 0; i < n; ++i)
        table.push_back(RGBQuad{static_cast<std::uint8_t>(i * 3 + salt),
                                static_cast<std::uint8_t>(i * 5),
                                static_cast<std::uint8_t>(255 - i), 0});
    return table;
}

Frame Filled(int width, int height, int left = 0, int top = 0) {
    Frame f;
    f.left = left;
    f.top = top;
    f.width = width;
    f.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            f.pixels.push_back(static_cast<std::uint8_t>((x + 3 * y) % 4));
    return f;
}

std::uint8_t IndexAt(const DecodedPicture& p, int x, int y) {
    return p.row(y)[x];
}

std::string ReadError(const std::vector<std::uint8_t>& file, const ReaderLimits& limits = {}) {
    try {
        ReadGIF(file.data(), file.size(), limits);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

// ------------------------------------------------------------- block rules

struct BlockCase {
    const char* name;
    std::vector<std::uint8_t> file;
    const char* message;  // "" when the file loads
};

class GifBlockRules : public testing::TestWithParam<BlockCase> {};

TEST_P(GifBlockRules, LoadOrRefuse) {
    EXPECT_EQ(ReadError(GetParam().file), GetParam().message);
}

std::vector<BlockCase> BlockCases() {
    const std::vector<std::uint8_t> good = Gif(4, 4, Table(4), {Filled(4, 4)});
    auto withSignature = [&](const char* sig) {
        std::vector<std::uint8_t> f = good;
        std::memcpy(f.data(), sig, 3);
        return f;
    };
    auto prefixed = [&](std::vector<std::uint8_t> prefix) {
        prefix.insert(prefix.end(), good.begin(), good.end());
        return prefix;
    };
    auto withoutTrailer = [&](std::vector<std::uint8_t> tail) {
        std::vector<std::uint8_t> f(good.begin(), good.end() - 1);
        f.insert(f.end(), tail.begin(), tail.end());
        return f;
    };
    std::vector<std::uint8_t> zeros = GifHeader(4, 4, Table(4));
    zeros.insert(zeros.end(), {0, 0, 0});
    const auto frame = FrameBytes(Filled(4, 4));
    zeros.insert(zeros.end(), frame.begin(), frame.end());
    zeros.insert(zeros.end(), {0, 0x3B});
    std::vector<std::uint8_t> comment = GifHeader(4, 4, Table(4));
    comment.insert(comment.end(), {0x21, 0xFE, 3, 'a', 'b', 'c', 0});
    comment.insert(comment.end(), frame.begin(), frame.end());
    comment.push_back(0x3B);
    std::vector<std::uint8_t> noFrame = GifHeader(4, 4, Table(4));
    noFrame.push_back(0x3B);
    std::vector<std::uint8_t> cutInData(good.begin(), good.end() - 6);
    std::vector<std::uint8_t> cutInTable(good.begin(), good.begin() + 16);
    return {
        {"Plain", good, ""},
        {"LowerCaseSignature", withSignature("gif"), ""},
        {"MixedCaseSignature", withSignature("gIf"), ""},
        {"SignatureAfterFourBytes", prefixed({1, 2, 3, 4}), ""},
        {"SignatureAfterTwoBytes", prefixed({1, 2}), "Invalid GIF signature"},
        {"NotAGif", {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0}, "Invalid GIF signature"},
        {"Empty", {}, "Invalid GIF signature"},
        {"ZeroBytesBetweenBlocks", zeros, ""},
        {"CommentBeforeTheFrame", comment, ""},
        {"NoTrailer", withoutTrailer({}), ""},
        {"UnknownByteInsteadOfTrailer", withoutTrailer({0x55, 1, 2, 3}), ""},
        {"BytesAfterTrailer", prefixed({}).size() ? [&] { auto f = good; f.insert(f.end(), {9, 9, 9}); return f; }() : good, ""},
        {"NoFrame", noFrame, "GIF file holds no image"},
        {"CutInsideImageData", cutInData, "Stream read error"},
        {"CutInsideColourTable", cutInTable, "Stream read error"},
        {"CutInsideScreenDescriptor", std::vector<std::uint8_t>(good.begin(), good.begin() + 9), "Stream read error"},
    };
}

INSTANTIATE_TEST_SUITE_P(Gif, GifBlockRules, testing::ValuesIn(BlockCases()), NameOfParam());

// --------------------------------------------------------- first frame

TEST(GifReading, FirstFrameOfScreenSizeKeepsItsIndicesAndTable) {
    Frame first = Filled(5, 3);
    first.transparentIndex = 2;  // keeps its colour: nothing is composited
    Frame second = Filled(5, 3);
    for (auto& p : second.pixels) p = 3;
    const auto file = Gif(5, 3, Table(4), {first, second});
    const GIFReadResult read = ReadGIF(file.data(), file.size(), {});
    EXPECT_EQ(read.frameCount, 2);
    const DecodedPicture& p = read.firstFrame;
    ASSERT_EQ(p.width, 5);
    ASSERT_EQ(p.height, 3);
    EXPECT_EQ(p.depth, 8);
    EXPECT_EQ(p.colors, Table(4));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(IndexAt(p, x, y), first.pixels[y * 5 + x]) << x << "," << y;
}

TEST(GifReading, LocalTableWinsOverGlobalAndNoTableGivesGreys) {
    Frame withLocal = Filled(2, 2);
    withLocal.localTable = Table(8, 100);
    auto file = Gif(2, 2, Table(4), {withLocal});
    EXPECT_EQ(ReadGIF(file.data(), file.size(), {}).firstFrame.colors, Table(8, 100));

    file = Gif(2, 2, {}, {Filled(2, 2)});
    const std::vector<RGBQuad> greys = ReadGIF(file.data(), file.size(), {}).firstFrame.colors;
    ASSERT_EQ(greys.size(), 256u);
    EXPECT_EQ(greys[200], (RGBQuad{200, 200, 200, 0}));
}

TEST(GifReading, SmallerFirstFrameIsDrawnAtItsOffsetWithoutItsTransparentPixels) {
    Frame f = Filled(3, 2, 2, 1);
    f.transparentIndex = 1;
    const auto file = Gif(6, 4, Table(4), {f});
    const DecodedPicture p = ReadGIF(file.data(), file.size(), {}).firstFrame;
    ASSERT_EQ(p.width, 6);
    ASSERT_EQ(p.height, 4);
    EXPECT_EQ(p.colors, Table(4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            const int index = inside ? f.pixels[(y - 1) * 3 + (x - 2)] : 0;
            EXPECT_EQ(IndexAt(p, x, y), index == 1 ? 0 : index) << x << "," << y;
        }
}

TEST(GifReading, FrameReachingPastTheScreenIsCut) {
    const auto file = Gif(4, 4, Table(4), {Filled(3, 3, 2, 3)});
    const DecodedPicture p = ReadGIF(file.data(), file.size(), {}).firstFrame;
    ASSERT_EQ(p.width, 4);
    EXPECT_EQ(IndexAt(p, 3, 3), (1 + 0) % 4);  // frame pixel (1, 0)
    EXPECT_EQ(IndexAt(p, 1, 3), 0);
}

TEST(GifReading, TransparencyAppliesOnlyToTheFrameAfterIt) {
    std::vector<std::uint8_t> file = GifHeader(4, 2, Table(4));
    // A control extension for transparency, then a comment, then the frame.
    file.insert(file.end(), {0x21, 0xF9, 4, 0x01, 0, 0, 0, 0});
    const auto frame = FrameBytes(Filled(2, 2, 1, 0));
    file.insert(file.end(), frame.begin(), frame.end());
    file.push_back(0x3B);
    const DecodedPicture p = ReadGIF(file.data(), file.size(), {}).firstFrame;
    EXPECT_EQ(IndexAt(p, 1, 0), 0);  // transparent 0: not drawn, background 0
    EXPECT_EQ(IndexAt(p, 2, 0), 1);
}

TEST(GifReading, InterlacedRowsLandInTheirPlaces) {
    for (int height : {1, 2, 5, 8, 9, 17}) {
        Frame f = Filled(3, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 3; ++x)
                f.pixels[static_cast<std::size_t>(y * 3 + x)] = static_cast<std::uint8_t>(y);
        f.interlaced = true;
        const auto file = Gif(3, height, Table(32), {f});
        const DecodedPicture p = ReadGIF(file.data(), file.size(), {}).firstFrame;
        for (int y = 0; y < height; ++y) EXPECT_EQ(IndexAt(p, 1, y), y) << "height " << height;
    }
}

TEST(GifReading, ScreenBeyondTheLimitIsRefusedBeforeAllocating) {
    const auto file = Gif(60000, 60000, Table(4), {Filled(2, 2)});
    ReaderLimits limits;
    limits.maxPictureBytes = std::size_t{64} << 20;
    EXPECT_THROW(ReadGIF(file.data(), file.size(), limits), EOutOfMemory);
    // Without a limit of the caller's, the memory budget decides.
    FakeSystemMemory system(std::uint64_t{8} << 30);
    TDIB target;
    EXPECT_FALSE(LoadPictureBytes(SharedBytes(file), "bomb.gif", target));
}

// ------------------------------------------------------------------- LZW

struct LzwCase {
    const char* name;
    int minCodeSize;
    std::vector<std::uint8_t> codes;  // packed code stream
    const char* message;
    std::vector<std::uint8_t> pixels;  // decoded, when it decodes
};

// Packs codes of the given widths least significant bit first.
std::vector<std::uint8_t> Pack(const std::vector<std::pair<int, int>>& codes) {
    std::vector<std::uint8_t> out;
    std::uint32_t buffer = 0;
    int held = 0;
    for (auto [code, width] : codes) {
        buffer |= static_cast<std::uint32_t>(code) << held;
        held += width;
        while (held >= 8) {
            out.push_back(static_cast<std::uint8_t>(buffer));
            buffer >>= 8;
            held -= 8;
        }
    }
    if (held) out.push_back(static_cast<std::uint8_t>(buffer));
    return out;
}

class GifLzwDecoding : public testing::TestWithParam<LzwCase> {};

TEST_P(GifLzwDecoding, DecodesOrNamesTheFault) {
    const LzwCase& c = GetParam();
    std::vector<std::uint8_t> pixels(4, 0xEE);
    std::string error;
    try {
        DecodeGifLzw(c.codes.data(), c.codes.size(), c.minCodeSize, 2, 2,
                     [&](int row, const std::uint8_t* p, int count) {
                         for (int i = 0; i < count; ++i)
                             pixels[static_cast<std::size_t>(row * 2 + i)] = p[i];
                     });
    } catch (const std::exception& e) {
        error = e.what();
    }
    EXPECT_EQ(error, c.message);
    if (!*c.message) {
        EXPECT_EQ(pixels, c.pixels);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Gif, GifLzwDecoding,
    testing::Values(
        // clear 4, end 5 with code size 2
        // Codes grow to 4 bits once the table reaches 8 entries.
        LzwCase{
            "Plain", 2, Pack({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 4}, {5, 4}}), "", {1, 2, 3, 0}},
        LzwCase{"DefinedStringReused",
                2,
                Pack({{4, 3}, {1, 3}, {2, 3}, {6, 3}, {5, 4}}),
                "",
                {1, 2, 1, 2}},
        LzwCase{"StringBeingDefined",
                2,
                Pack({{4, 3}, {1, 3}, {6, 3}, {1, 3}, {5, 4}}),
                "",
                {1, 1, 1, 1}},
        LzwCase{"NoClearFirst", 2, Pack({{1, 3}, {2, 3}, {3, 3}, {0, 4}}), "", {1, 2, 3, 0}},
        LzwCase{"DataPastTheLastPixelIgnored",
                2,
                Pack({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 4}, {1, 4}, {7, 4}}),
                "",
                {1, 2, 3, 0}},
        // Pixels the data never reaches stay as they were.
        LzwCase{"ShortData", 2, Pack({{4, 3}, {1, 3}, {5, 3}}), "", {1, 0xEE, 0xEE, 0xEE}},
        LzwCase{"CodeBeyondTheTable", 2, Pack({{4, 3}, {1, 3}, {7, 3}}), "Invalid GIF code", {}},
        LzwCase{"FirstCodeNotAPixel", 2, Pack({{4, 3}, {6, 3}}), "Invalid GIF code", {}},
        LzwCase{"PixelAboveAByte", 9, Pack({{512, 10}, {300, 10}}), "Invalid GIF code", {}},
        LzwCase{"CodeSize0", 0, {0}, "Invalid GIF code size", {}},
        LzwCase{"CodeSize12", 12, {0}, "Invalid GIF code size", {}}),
    NameOfParam());

// What a GIF decoder sees of a code stream: its codes, read with the width
// the decoder's own table size gives them.
struct CodeStreamShape {
    int clears = 0;
    int largestNextAtClear = 0;
    int smallestNextAtClear = 1 << 20;
    int largestCode = 0;
    bool endsWithEndCode = false;
};

CodeStreamShape WalkCodes(const std::vector<std::uint8_t>& data) {
    CodeStreamShape shape;
    std::size_t bit = 0;
    int width = 9, next = 258;
    bool first = true;
    while (bit + width <= data.size() * 8) {
        int code = 0;
        for (int i = 0; i < width; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        if (code == 257) {
            shape.endsWithEndCode = true;
            break;
        }
        if (code == 256) {
            if (shape.clears++ > 0) {
                shape.largestNextAtClear = std::max(shape.largestNextAtClear, next);
                shape.smallestNextAtClear = std::min(shape.smallestNextAtClear, next);
            }
            width = 9;
            next = 258;
            first = true;
            continue;
        }
        shape.largestCode = std::max(shape.largestCode, code);
        if (!first && next < 4096) ++next;
        first = false;
        if (next == (1 << width) && width < 12) ++width;
    }
    return shape;
}

TEST(GifLzw, RandomPicturesRoundTripAndClearAt4095) {
    std::mt19937 random(42);
    struct Size {
        int width, height, colors;
    };
    for (const Size s : {Size{1, 1, 1}, Size{7, 3, 2}, Size{64, 64, 256}, Size{300, 200, 256},
                         Size{255, 255, 16}, Size{1000, 3, 3}, Size{50, 50, 1}}) {
        std::uniform_int_distribution<int> pick(0, s.colors - 1);
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(s.width) * s.height);
        for (auto& p : pixels) p = static_cast<std::uint8_t>(pick(random));
        std::vector<const std::uint8_t*> rows;
        for (int y = 0; y < s.height; ++y)
            rows.push_back(pixels.data() + static_cast<std::size_t>(y) * s.width);
        const std::vector<std::uint8_t> codes = EncodeGifLzw(rows.data(), s.width, s.height);

        std::vector<std::uint8_t> decoded(pixels.size(), 0xEE);
        const int rowsDone =
            DecodeGifLzw(codes.data(), codes.size(), 8, s.width, s.height,
                         [&](int row, const std::uint8_t* p, int count) {
                             std::memcpy(&decoded[static_cast<std::size_t>(row) * s.width], p,
                                         static_cast<std::size_t>(count));
                         });
        EXPECT_EQ(rowsDone, s.height);
        EXPECT_EQ(decoded, pixels) << s.width << "x" << s.height;

        const CodeStreamShape shape = WalkCodes(codes);
        EXPECT_TRUE(shape.endsWithEndCode);
        EXPECT_LE(shape.largestCode, 4094);
        if (shape.clears > 1) {
            // A decoder meets each later clear with codes up to 4094 defined.
            EXPECT_EQ(shape.smallestNextAtClear, 4095);
            EXPECT_EQ(shape.largestNextAtClear, 4095);
        }
        if (s.width == 300) {
            EXPECT_GT(shape.clears, 1) << "the noisy picture must fill the table";
        }
    }
}

// --------------------------------------------------------------- writing

TDIB EightBitPicture(int width, int height, const std::vector<int>& colors) {
    TDIB picture = MakePicture24(width, height, [&](int x, int y) {
        return colors[static_cast<std::size_t>(x + y) % colors.size()];
    });
    picture.SetPixelFormat(PixelFormat8Bit);
    return picture;
}

TEST(GifWriting, LayoutIsExactlyAsDefined) {
    const TDIB picture = EightBitPicture(300, 200, {0x102030, 0x405060, 0x708090});
    const std::vector<std::uint8_t> file = WriteGIF(picture);
    ASSERT_GT(file.size(), 800u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF87a");
    const std::vector<std::uint8_t> screen(file.begin() + 6, file.begin() + 13);
    EXPECT_EQ(screen, (std::vector<std::uint8_t>{44, 1, 200, 0, 0x77, 0, 0}));
    const std::vector<std::uint8_t> image(file.begin() + 13, file.begin() + 23);
    EXPECT_EQ(image, (std::vector<std::uint8_t>{0x2C, 0, 0, 0, 0, 44, 1, 200, 0, 0x87}));
    // The three colours (in the buffer's palette order), then black.
    const RGBQuad* palette = picture.ColorTable();
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t* entry = &file[23 + 3 * i];
        const RGBQuad expected = i < picture.ColorsUsed() ? palette[i] : RGBQuad{};
        EXPECT_EQ(entry[0], expected.rgbRed) << i;
        EXPECT_EQ(entry[1], expected.rgbGreen) << i;
        EXPECT_EQ(entry[2], expected.rgbBlue) << i;
    }
    std::size_t at = 23 + 768;
    EXPECT_EQ(file[at++], 8);  // LZW minimum code size
    std::vector<std::uint8_t> codes;
    for (;;) {
        const std::size_t length = file.at(at++);
        if (length == 0) break;
        codes.insert(codes.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                     file.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
        if (file.at(at) != 0) {
            EXPECT_EQ(length, 255u) << "only the last sub-block may be short";
        }
    }
    EXPECT_EQ(file.at(at), 0x3B);
    EXPECT_EQ(at + 1, file.size());
    std::vector<std::uint8_t> decoded;
    DecodeGifLzw(codes.data(), codes.size(), 8, 300, 200,
                 [&](int, const std::uint8_t* p, int count) {
                     decoded.insert(decoded.end(), p, p + count);
                 });
    for (int y = 0; y < 200; ++y)
        ASSERT_EQ(
            0, std::memcmp(&decoded[static_cast<std::size_t>(y) * 300], picture.ScanLine(y), 300))
            << y;
}

TEST(GifWriting, ThreeAndOneColourPicturesUseTheLowIndices) {
    for (const std::vector<int>& colors :
         {std::vector<int>{0xFF0000, 0x00FF00, 0x0000FF}, std::vector<int>{0x0A141E}}) {
        const TDIB picture = EightBitPicture(9, 7, colors);
        const std::vector<std::uint8_t> file = WriteGIF(picture);
        const GIFReadResult back = ReadGIF(file.data(), file.size(), {});
        std::set<int> used;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x) used.insert(IndexAt(back.firstFrame, x, y));
        EXPECT_EQ(static_cast<int>(used.size()), static_cast<int>(colors.size()));
        EXPECT_EQ(*used.rbegin(), static_cast<int>(colors.size()) - 1);
        EXPECT_EQ(back.firstFrame.colors.size(), 256u);
        EXPECT_EQ(CountDifferences(ToRgb(back.firstFrame), ToRgb(picture)), 0);
        if (colors.size() == 1) {
            EXPECT_EQ(back.firstFrame.colors[0], (RGBQuad{10, 20, 30, 0}));
        }
    }
}

TEST(GifWriting, SideBeyond65535IsRefusedAndTheFileKept) {
    TempDir dir;
    const std::string target = dir.file("kept.gif");
    WriteBytes(target, {'o', 'l', 'd'});
    for (auto [w, h] : {std::pair<int, int>{65536, 1}, std::pair<int, int>{1, 65536}}) {
        TDIB picture = MakePicture24(w, h, [](int, int) { return 0x123456; });
        TGIFPicture gif;
        gif.Assign(picture);
        EXPECT_THROW(gif.SaveToFile(target), EGIFError);
        EXPECT_EQ(ReadWholeFile(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    }
    // 65535 itself still fits.
    TGIFPicture gif;
    gif.Assign(MakePicture24(65535, 1, [](int x, int) { return x & 0xFF; }));
    EXPECT_NO_THROW(gif.SaveToFile(target));
}

TEST(GifWriting, PillowAndGiflibReadOurIndicesAndPalette) {
    SKIP_WITHOUT_PILLOW();
    if (RunCommand("giftext -h").status == 127) GTEST_SKIP() << "giflib-tools is not installed";
    TDIB picture = MakePhotoLike(311, 97, 9);
    picture.SetPixelFormat(PixelFormat8Bit);
    TempDir dir;
    const std::string path = dir.file("ours.gif");
    TGIFPicture gif;
    gif.Assign(picture);
    gif.SaveToFile(path);

    std::vector<std::uint8_t> indices;
    for (int y = 0; y < picture.Height(); ++y)
        indices.insert(indices.end(), picture.ScanLine(y), picture.ScanLine(y) + picture.Width());

    // giflib: the raster as raw indices, the table as text.
    const CommandResult raster = RunCommand("giftext -r " + ShellQuote(path));
    ASSERT_EQ(raster.status, 0);
    EXPECT_EQ(std::vector<std::uint8_t>(raster.output.begin(), raster.output.end()), indices);
    const CommandResult text = RunCommand("giftext -c " + ShellQuote(path));
    std::istringstream lines(text.output);
    int entries = 0;
    std::string word;
    while (lines >> word) {
        if (word.empty() || word.back() != ':' ||
            !std::isdigit(static_cast<unsigned char>(word[0])))
            continue;
        const int i = std::stoi(word);
        std::string r, g, b;
        lines >> r >> g >> b;
        const RGBQuad expected = i < picture.ColorsUsed() ? picture.ColorTable()[i] : RGBQuad{};
        EXPECT_EQ(std::stoi(r, nullptr, 16), expected.rgbRed) << i;
        EXPECT_EQ(std::stoi(g, nullptr, 16), expected.rgbGreen) << i;
        EXPECT_EQ(std::stoi(b, nullptr, 16), expected.rgbBlue) << i;
        ++entries;
    }
    EXPECT_EQ(entries, 256);

    // Pillow: the same indices.
    const auto pillow = RunPillowScript("pil_gif_first_frame.py", {path}).front();
    ASSERT_TRUE(pillow);
    const std::vector<std::uint8_t> pillowIndices(
        pillow->end() - static_cast<std::ptrdiff_t>(indices.size()), pillow->end());
    EXPECT_EQ(pillowIndices, indices);
}

// ------------------------------------------------------ the public suites

struct PillowFirstFrame {
    int width = 0, height = 0;
    int box[4] = {};
    int transparency = -1;
    std::vector<std::uint8_t> palette;  // RGB triples
    std::vector<std::uint8_t> indices;
};

PillowFirstFrame ParsePillowFrame(const std::vector<std::uint8_t>& b) {
    PillowFirstFrame f;
    std::int32_t fields[8];
    std::memcpy(fields, b.data(), sizeof fields);
    f.width = fields[0];
    f.height = fields[1];
    std::copy(fields + 2, fields + 6, f.box);
    f.transparency = fields[6];
    const std::size_t colours = static_cast<std::size_t>(fields[7]);
    f.palette.assign(b.begin() + 32, b.begin() + 32 + static_cast<std::ptrdiff_t>(colours * 3));
    f.indices.assign(b.begin() + 32 + static_cast<std::ptrdiff_t>(colours * 3), b.end());
    return f;
}

// Every GIF of the suites: read by us exactly when Pillow reads it, with
// the same indices inside the first frame and the same colours.
TEST(GifSuites, ReadableFilesLoadAsTheirFirstFrameAndDamagedOnesAreRefused) {
    SKIP_WITHOUT_SHARED_TESTDATA();
    SKIP_WITHOUT_PILLOW();
    const std::vector<std::string> files = ListFiles(SharedTestdataPath("gif"), {".gif"});
    ASSERT_GT(files.size(), 100u);
    const auto pillow = RunPillowScript("pil_gif_first_frame.py", files);
    int loaded = 0, refused = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        const std::vector<std::uint8_t> bytes = ReadWholeFile(files[i]);
        if (!pillow[i]) {
            EXPECT_NE(ReadError(bytes), "");
            ++refused;
            continue;
        }
        GIFReadResult ours;
        ASSERT_NO_THROW(ours = ReadGIF(bytes.data(), bytes.size(), {}));
        ++loaded;
        const PillowFirstFrame theirs = ParsePillowFrame(*pillow[i]);
        const DecodedPicture& p = ours.firstFrame;
        const bool wholeScreen = theirs.box[0] == 0 && theirs.box[1] == 0 &&
                                 theirs.box[2] == p.width && theirs.box[3] == p.height;
        long differences = 0;
        for (int y = std::max(0, theirs.box[1]);
             y < std::min({p.height, theirs.box[3], theirs.height}); ++y)
            for (int x = std::max(0, theirs.box[0]);
                 x < std::min({p.width, theirs.box[2], theirs.width}); ++x) {
                const int theirIndex =
                    theirs.indices[static_cast<std::size_t>(y) * theirs.width + x];
                if (!wholeScreen && theirIndex == theirs.transparency) continue;
                differences += IndexAt(p, x, y) != theirIndex;
            }
        EXPECT_EQ(differences, 0);
        const std::size_t shared = std::min(theirs.palette.size() / 3, p.colors.size());
        for (std::size_t c = 0; c < shared; ++c) {
            EXPECT_EQ(p.colors[c].rgbRed, theirs.palette[3 * c]) << "colour " << c;
            EXPECT_EQ(p.colors[c].rgbBlue, theirs.palette[3 * c + 2]) << "colour " << c;
        }
    }
    EXPECT_GT(loaded, 100);
    EXPECT_GT(refused, 10);
}

TEST(GifSuites, AnimatedFileLoadsAsItsFirstFrame) {
    SKIP_WITHOUT_SHARED_TESTDATA();
    TDIB picture;
    ASSERT_TRUE(LoadPictureFile(SharedTestdataPath("gif/image-gif/samples/gifplayer-muybridge.gif"),
                                picture));
    TGIFPicture gif;
    gif.LoadFromFile(SharedTestdataPath("gif/image-gif/samples/gifplayer-muybridge.gif"));
    EXPECT_EQ(gif.FrameCount(), 380);
    EXPECT_EQ(CountDifferences(ToRgb(picture), ToRgb(gif.Bitmap())), 0);
}

}  // namespace
