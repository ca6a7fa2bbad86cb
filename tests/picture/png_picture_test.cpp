// PNG reading against PngSuite (always present under tests/data) and Pillow,
// the chunk rules with their messages, and the writer's exact layout.

#include "picture/png/png_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>

#include "picture/errors.h"
#include "picture/picture_loader.h"
#include "picture/system/file_io.h"
#include "tests/picture/format_test_helpers.h"

namespace {

std::string SuitePath(const std::string& name) {
    return TestDataPath("pngsuite/" + name);
}

std::string FileNameOf(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

RgbImage LoadPngAsRgb(const std::string& path) {
    TPNGPicture png;
    png.LoadFromFile(path);
    return ToRgb(png.Bitmap());
}

// What reading a file must give: its message, or the pixels of a twin.
std::string ReadError(const std::vector<std::uint8_t>& file) {
    try {
        ReadPNG(file.data(), file.size(), {});
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

// ------------------------------------------------------------ the suite

std::vector<std::string> ValidSuiteFiles();

// Pillow reads the whole suite in one run, before the first case.
class PngSuiteValid : public testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() {
        if (!HavePillow()) return;
        const std::vector<std::string> files = ValidSuiteFiles();
        const auto images = PillowPngReference(files);
        for (std::size_t i = 0; i < files.size(); ++i) references_[files[i]] = images[i];
    }
    static std::map<std::string, std::optional<RgbImage>> references_;
};
std::map<std::string, std::optional<RgbImage>> PngSuiteValid::references_;

TEST_P(PngSuiteValid, LoadsAsPillowReadsItWithoutTransparency) {
    SKIP_WITHOUT_PILLOW();
    const std::string path = GetParam();
    const std::optional<RgbImage>& reference = references_[path];
    ASSERT_TRUE(reference) << "Pillow cannot read " << path;
    EXPECT_EQ(CountDifferences(LoadPngAsRgb(path), *reference), 0);
}

std::vector<std::string> ValidSuiteFiles() {
    std::vector<std::string> files;
    for (const std::string& path : ListFiles(TestDataPath("pngsuite"), {".png"}))
        if (FileNameOf(path)[0] != 'x') files.push_back(path);
    return files;
}

std::string SuiteTestName(const testing::TestParamInfo<std::string>& info) {
    const std::string name = FileNameOf(info.param);
    return TestNameOf(name.substr(0, name.find('.')));
}

INSTANTIATE_TEST_SUITE_P(PngSuite, PngSuiteValid, testing::ValuesIn(ValidSuiteFiles()),
                         SuiteTestName);

TEST(PngSuite, HoldsEveryColourTypeAndDepth) {
    EXPECT_GE(ValidSuiteFiles().size(), 150u);
}

struct DamagedFile {
    const char* file;
    const char* message;  // "" when the file loads
    const char* twin;     // the undamaged file it must equal when it loads
};

class PngSuiteDamaged : public testing::TestWithParam<DamagedFile> {};

TEST_P(PngSuiteDamaged, IsRefusedOrLoadsAsTheRulesSay) {
    const DamagedFile c = GetParam();
    const std::vector<std::uint8_t> file = ReadWholeFile(SuitePath(c.file));
    EXPECT_EQ(ReadError(file), c.message);
    if (*c.twin) {
        EXPECT_EQ(
            CountDifferences(LoadPngAsRgb(SuitePath(c.file)), LoadPngAsRgb(SuitePath(c.twin))), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(PngSuite, PngSuiteDamaged,
                         testing::Values(DamagedFile{"xc1n0g08.png", "Error ColorType", ""},
                                         DamagedFile{"xc9n2c08.png", "Error ColorType", ""},
                                         DamagedFile{"xcrn0g04.png", "Not PNG Image", ""},
                                         DamagedFile{"xlfn0g04.png", "Not PNG Image", ""},
                                         DamagedFile{"xs1n0g01.png", "Not PNG Image", ""},
                                         DamagedFile{"xs2n0g01.png", "Not PNG Image", ""},
                                         DamagedFile{"xs4n0g01.png", "Not PNG Image", ""},
                                         DamagedFile{"xs7n0g01.png", "Not PNG Image", ""},
                                         DamagedFile{"xd0n2c08.png", "Error BitDepth", ""},
                                         DamagedFile{"xd3n2c08.png", "Error BitDepth", ""},
                                         DamagedFile{"xd9n2c08.png", "Error BitDepth", ""},
                                         DamagedFile{"xdtn0g01.png", "PNG has no image data", ""},
                                         // CRCs are read but not checked.
                                         DamagedFile{"xcsn0g01.png", "", "basn0g01.png"},
                                         DamagedFile{"xhdn0g08.png", "", "basn0g08.png"}),
                         [](const testing::TestParamInfo<DamagedFile>& info) {
                             return std::string(info.param.file).substr(0, 8);
                         });

// Interlaced files equal their plain twins, for every colour type and depth.
TEST(PngSuite, InterlacedFilesEqualTheirPlainTwins) {
    int pairs = 0;
    for (const std::string& path : ListFiles(TestDataPath("pngsuite"), {".png"})) {
        std::string name = FileNameOf(path);
        if (name[0] == 'x' || name[3] != 'i') continue;
        std::string twin = name;
        twin[3] = 'n';
        const std::string twinPath = SuitePath(twin);
        if (!std::ifstream(twinPath)) continue;
        ++pairs;
        EXPECT_EQ(CountDifferences(LoadPngAsRgb(path), LoadPngAsRgb(twinPath)), 0) << name;
    }
    EXPECT_GE(pairs, 30);
}

// The picture's own depth and palette, before the pixel buffer widens it.
struct DepthCase {
    const char* file;
    int depth;
    int colors;
};

class PngPictureDepth : public testing::TestWithParam<DepthCase> {};

TEST_P(PngPictureDepth, KeepsIndexedDepthsAndWidensTheRest) {
    TPNGPicture png;
    png.LoadFromFile(SuitePath(GetParam().file));
    EXPECT_EQ(png.Bitmap().depth, GetParam().depth);
    EXPECT_EQ(static_cast<int>(png.Bitmap().colors.size()), GetParam().colors);
}

INSTANTIATE_TEST_SUITE_P(
    Png, PngPictureDepth,
    testing::Values(DepthCase{"basn0g01.png", 1, 2}, DepthCase{"basn0g02.png", 4, 4},
                    DepthCase{"basn0g04.png", 4, 16}, DepthCase{"basn0g08.png", 8, 256},
                    DepthCase{"basn0g16.png", 8, 256}, DepthCase{"basn2c08.png", 24, 0},
                    DepthCase{"basn3p01.png", 1, 2}, DepthCase{"basn3p02.png", 4, 4},
                    DepthCase{"basn3p04.png", 4, 15}, DepthCase{"basn4a08.png", 24, 0},
                    DepthCase{"basn6a16.png", 24, 0}, DepthCase{"pp0n2c16.png", 24, 216}),
    [](const testing::TestParamInfo<DepthCase>& info) {
        return std::string(info.param.file).substr(0, 8);
    });

// ---------------------------------------------------------- chunk rules

std::vector<std::uint8_t> GreyRows(int width, int height, int filter = 0) {
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(static_cast<std::uint8_t>(filter));
        for (int x = 0; x < width; ++x) raw.push_back(static_cast<std::uint8_t>(x * 16 + y));
    }
    return raw;
}

PngChunk Ihdr(int depth = 8, int colorType = 0, int interlace = 0) {
    return MakeChunk("IHDR", IhdrData(4, 3, depth, colorType, interlace));
}
PngChunk Idat(const std::vector<std::uint8_t>& compressed) {
    return MakeChunk("IDAT", compressed);
}
PngChunk Iend() {
    return MakeChunk("IEND", {});
}

struct ChunkCase {
    const char* name;
    std::vector<PngChunk> chunks;
    const char* message;  // "" when the file loads
};

class PngChunkRules : public testing::TestWithParam<ChunkCase> {};

TEST_P(PngChunkRules, GiveTheirMessage) {
    EXPECT_EQ(ReadError(BuildPng(GetParam().chunks)), GetParam().message);
}

std::vector<ChunkCase> ChunkCases() {
    const auto data = Deflate(GreyRows(4, 3));
    const std::vector<std::uint8_t> firstHalf(data.begin(), data.begin() + data.size() / 2);
    const std::vector<std::uint8_t> secondHalf(data.begin() + data.size() / 2, data.end());
    const PngChunk plte = MakeChunk("PLTE", {0, 0, 0, 255, 255, 255});
    const PngChunk text = MakeChunk("tEXt", {'a', 0, 'b'});
    auto withHeader = [&](std::vector<std::uint8_t> ihdr) { return MakeChunk("IHDR", ihdr); };
    auto ihdrByte = [&](int at, int value) {
        std::vector<std::uint8_t> d = IhdrData(4, 3, 8, 0);
        d[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value);
        return withHeader(d);
    };
    return {
        {"Plain", {Ihdr(), Idat(data), Iend()}, ""},
        {"OtherChunksAreSkipped", {Ihdr(), text, Idat(data), text, Iend()}, ""},
        {"SplitImageData", {Ihdr(), Idat(firstHalf), Idat(secondHalf), Iend()}, ""},
        {"EmptyImageDataChunkAfterTheStream", {Ihdr(), Idat(data), Idat({}), Iend()}, ""},
        {"SecondHeader", {Ihdr(), Ihdr(), Idat(data), Iend()}, "appear two IHDR"},
        {"ColourType1", {Ihdr(8, 1), Idat(data), Iend()}, "Error ColorType"},
        {"ColourType5", {Ihdr(8, 5), Idat(data), Iend()}, "Error ColorType"},
        {"ColourType7", {Ihdr(8, 7), Idat(data), Iend()}, "Error ColorType"},
        {"GreyDepth3", {Ihdr(3, 0), Idat(data), Iend()}, "Error Bitdepth"},
        {"GreyAlphaDepth4", {Ihdr(4, 4), Idat(data), Iend()}, "not Use AlphaChannel"},
        {"TruecolourDepth4", {Ihdr(4, 2), Idat(data), Iend()}, "Error BitDepth"},
        {"IndexedDepth16", {Ihdr(16, 3), Idat(data), Iend()}, "Error BitDepth"},
        {"CompressionMethod2", {ihdrByte(10, 2), Idat(data), Iend()}, "not support Compression"},
        {"FilterMethod2", {ihdrByte(11, 2), Idat(data), Iend()}, "not supprt Filter"},
        {"InterlaceMethod2", {ihdrByte(12, 2), Idat(data), Iend()}, "not interlace type"},
        {"PaletteBeforeHeader", {plte, Ihdr(8, 3), Idat(data), Iend()}, "Error PLTE"},
        {"SecondPalette", {Ihdr(8, 3), plte, plte, Idat(data), Iend()}, "Error PLTE"},
        {"PaletteNotOfTriples",
         {Ihdr(8, 3), MakeChunk("PLTE", {1, 2, 3, 4}), Idat(data), Iend()},
         "palettesize error"},
        {"PaletteOf257",
         {Ihdr(8, 3), MakeChunk("PLTE", std::vector<std::uint8_t>(771, 7)), Idat(data), Iend()},
         "palette length over"},
        {"EmptyPaletteIsNoPalette",
         {Ihdr(8, 3), MakeChunk("PLTE", {}), Idat(data), Iend()},
         "Palette None"},
        {"IndexedWithoutPalette", {Ihdr(8, 3), Idat(data), Iend()}, "Palette None"},
        {"ChunkInsideTheImageData",
         {Ihdr(), Idat(firstHalf), text, Idat(secondHalf), Iend()},
         "not next IDAT Chunk"},
        {"SecondImageDataRun", {Ihdr(), Idat(data), text, Idat(data), Iend()}, "appear two IDAT"},
        {"BrokenDeflateData",
         {Ihdr(), Idat({0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF}), Iend()},
         "zlib error"},
        {"DeflateStreamEndsEarly", {Ihdr(), Idat(Deflate(GreyRows(4, 2))), Iend()}, "zlib error"},
        {"RowFilter5", {Ihdr(), Idat(Deflate(GreyRows(4, 3, 5))), Iend()}, "not support Filter"},
        {"EndWithData", {Ihdr(), Idat(data), MakeChunk("IEND", {0})}, "error IEND size"},
        {"ImageDataBeforeHeader", {Idat(data), Ihdr(), Iend()}, "IDAT before IHDR"},
        {"NoImageData", {Ihdr(), Iend()}, "PNG has no image data"},
        {"NoEnd", {Ihdr(), Idat(data)}, "Stream read error"},
    };
}

INSTANTIATE_TEST_SUITE_P(Png, PngChunkRules, testing::ValuesIn(ChunkCases()), NameOfParam());

TEST(PngReading, WrongCrcsAreNotChecked) {
    std::vector<PngChunk> chunks = {Ihdr(), Idat(Deflate(GreyRows(4, 3))), Iend()};
    for (PngChunk& chunk : chunks) chunk.crc ^= 0xDEADBEEF;
    EXPECT_EQ(ReadError(BuildPng(chunks)), "");
}

TEST(PngReading, FileCutAnywhereIsRefusedWithoutReadingPastIt) {
    const std::vector<std::uint8_t> file = ReadWholeFile(SuitePath("basi2c16.png"));
    for (std::size_t cut = 0; cut + 1 < file.size(); cut += 7) {
        const std::vector<std::uint8_t> part(file.begin(),
                                             file.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_NE(ReadError(part), "") << "cut at " << cut;
    }
}

// A header declaring a picture the machine cannot hold is refused before
// any pixel memory is taken.
TEST(PngReading, DeclaredSizeBeyondTheLimitIsRefusedBeforeAllocating) {
    const auto file = BuildPng(
        {MakeChunk("IHDR", IhdrData(60000, 60000, 8, 2)), Idat(Deflate({0, 1, 2, 3})), Iend()});
    ReaderLimits limits;
    limits.maxPictureBytes = std::size_t{64} << 20;
    EXPECT_THROW(ReadPNG(file.data(), file.size(), limits), EOutOfMemory);
    TDIB target;
    EXPECT_FALSE(LoadPictureBytes(SharedBytes(file), "bomb.png", target));
}

// ---------------------------------------------------------------- writing

std::vector<std::uint8_t> WriteToBytes(const TDIB& picture) {
    TPNGPicture png;
    png.Assign(picture);
    std::ostringstream out;
    png.SaveToStream(out);
    const std::string s = out.str();
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

std::vector<std::uint8_t> JoinIdat(const std::vector<PngChunk>& chunks) {
    std::vector<std::uint8_t> data;
    for (const PngChunk& c : chunks)
        if (c.type == "IDAT") data.insert(data.end(), c.data.begin(), c.data.end());
    return data;
}

// A 24-bit picture that keeps 256 black colours from an earlier 8-bit
// format, as every scaled picture does.
TDIB ScaledLike(int width, int height) {
    return MakePicture(width, height, [](int x, int y) { return (x * 9) | (y * 3) << 8; });
}

TEST(PngWriting, ChunkLayoutRowsAndZlibSettingsAreExact) {
    // Large and noisy enough for several IDAT chunks.
    const TDIB picture = MakePhotoLike(301, 257, 7);
    const auto file = WriteToBytes(picture);
    const auto chunks = ParsePngChunks(file);
    ASSERT_GE(chunks.size(), 4u);
    EXPECT_EQ(chunks.front().type, "IHDR");
    EXPECT_EQ(chunks.front().data, IhdrData(301, 257, 8, 2));
    EXPECT_EQ(chunks.back().type, "IEND");
    EXPECT_TRUE(chunks.back().data.empty());
    for (std::size_t i = 1; i + 1 < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i].type, "IDAT");
        if (i + 2 < chunks.size()) {
            EXPECT_EQ(chunks[i].data.size(), 32768u) << "chunk " << i;
        }
    }
    for (const PngChunk& c : chunks) EXPECT_EQ(MakeChunk(c.type, c.data).crc, c.crc) << c.type;

    // The rows, each behind filter byte 0, in one zlib stream made with
    // level 6, window 15, memory level 8 and the default strategy.
    std::vector<std::uint8_t> raw;
    const RgbImage rgb = ToRgb(picture);
    for (int y = 0; y < rgb.height; ++y) {
        raw.push_back(0);
        const auto row = rgb.rgb.begin() + static_cast<std::ptrdiff_t>(y) * rgb.width * 3;
        raw.insert(raw.end(), row, row + rgb.width * 3);
    }
    EXPECT_EQ(JoinIdat(chunks), Deflate(raw, 6));
}

TEST(PngWriting, PaletteFollowsTheColoursUsedCount) {
    // A decoded photo has no colour table: no PLTE.
    const TDIB photo = MakePhotoLike(16, 8);
    for (const PngChunk& c : ParsePngChunks(WriteToBytes(photo))) EXPECT_NE(c.type, "PLTE");

    // A buffer that was 8 bits before (as every scaled picture is) keeps its
    // 256 black entries, and they are written.
    const TDIB scaled = ScaledLike(16, 8);
    ASSERT_EQ(scaled.ColorsUsed(), 256);
    const auto chunks = ParsePngChunks(WriteToBytes(scaled));
    ASSERT_GE(chunks.size(), 2u);
    EXPECT_EQ(chunks[1].type, "PLTE");
    EXPECT_EQ(chunks[1].data, std::vector<std::uint8_t>(768, 0));
}

struct IndexedCase {
    int depth;
    int width;
};

class PngWritingIndexed : public testing::TestWithParam<IndexedCase> {};

TEST_P(PngWritingIndexed, KeepsDepthPaletteAndIndices) {
    const int depth = GetParam().depth, width = GetParam().width;
    DecodedPicture source;
    source.allocate(width, 5, depth);
    const int entries = 1 << depth;
    for (int i = 0; i < entries; ++i)
        source.colors.push_back(
            RGBQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 9, 0});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned v = static_cast<unsigned>(x * 7 + y) % entries;
            std::uint8_t* row = source.row(y);
            if (depth == 8) row[x] = static_cast<std::uint8_t>(v);
            if (depth == 4) row[x / 2] |= static_cast<std::uint8_t>(x % 2 ? v : v << 4);
            if (depth == 1) row[x / 8] |= static_cast<std::uint8_t>(v << (7 - x % 8));
        }
    // Garbage in the row padding must not reach the file.
    for (int y = 0; y < 5; ++y) source.row(y)[source.stride - 1] |= 0x01;
    TDIB picture;
    picture.Assign(source);
    const auto file = WriteToBytes(picture);
    const auto chunks = ParsePngChunks(file);
    EXPECT_EQ(chunks[0].data, IhdrData(static_cast<std::uint32_t>(width), 5, depth, 3));
    EXPECT_EQ(chunks[1].type, "PLTE");
    EXPECT_EQ(chunks[1].data.size(), static_cast<std::size_t>(entries) * 3);
    TPNGPicture back;
    back.LoadFromBytes(file.data(), file.size());
    EXPECT_EQ(CountDifferences(ToRgb(back.Bitmap()), ToRgb(picture)), 0);
    const std::vector<std::uint8_t> rows = Inflate(JoinIdat(chunks));
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * depth + 7) / 8;
    const unsigned spare =
        static_cast<unsigned>(rowBytes * 8 - static_cast<std::size_t>(width) * depth);
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(rows[y * (rowBytes + 1)], 0) << "filter byte of row " << y;
        if (spare) {
            EXPECT_EQ(rows[y * (rowBytes + 1) + rowBytes] & ((1u << spare) - 1), 0u) << "row " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Png, PngWritingIndexed,
                         testing::Values(IndexedCase{1, 13}, IndexedCase{4, 7}, IndexedCase{8, 5}),
                         [](const testing::TestParamInfo<IndexedCase>& info) {
                             return "Depth" + std::to_string(info.param.depth);
                         });

TEST(PngWriting, PngcheckAndPillowAcceptOurFiles) {
    SKIP_WITHOUT_PILLOW();
    if (RunCommand("pngcheck -h").status == 127) GTEST_SKIP() << "pngcheck is not installed";
    TDIB indexed = MakePhotoLike(33, 17, 5);
    indexed.SetPixelFormat(PixelFormat8Bit);
    const std::vector<std::pair<std::string, TDIB>> pictures = {
        {"photo.png", MakePhotoLike(200, 150, 3)},
        {"scaled.png", ScaledLike(40, 30)},
        {"indexed.png", indexed},
    };
    TempDir dir;
    for (const auto& [name, picture] : pictures) {
        TPNGPicture png;
        png.Assign(picture);
        png.SaveToFile(dir.file(name));
        const CommandResult check = RunCommand("pngcheck -v " + ShellQuote(dir.file(name)));
        EXPECT_EQ(check.status, 0) << name << "\n" << check.output;
        const auto pillow = PillowPngReference(dir.file(name));
        ASSERT_TRUE(pillow) << name;
        EXPECT_EQ(CountDifferences(*pillow, ToRgb(picture)), 0) << name;
    }
}

}  // namespace
