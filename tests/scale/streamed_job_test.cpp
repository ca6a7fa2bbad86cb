// The streamed job against the whole-picture path (LoadPictureFile,
// RunScale, SavePictureToFile) over random pictures, source files, settings,
// selections, output types, result buffers and band sizes: the files must be
// equal byte for byte, and where the streamed job declines, it must have
// written nothing.

#include "scale/streamed_job.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "picture/jpeg/jpeg_picture.h"
#include "picture/picture_loader.h"
#include "picture/picture_saver.h"
#include "picture/size_limits.h"
#include "picture/system/file_io.h"
#include "picture/system/memory_budget.h"
#include "scale/result_store.h"
#include "scale/selection.h"
#include "tests/picture/format_test_helpers.h"
#include "tests/support/fake_system_memory.h"

namespace {

using SelectionOfSize = std::function<SelectionRect(int width, int height)>;

// The same settings for a picture of any size.
RequestForSize withSettings(const ScaleSettings& settings, const SelectionOfSize& selectionOf) {
    return [=](int width, int height) {
        return SizedRequest{selectionOf(width, height), settings};
    };
}

enum class SourceKind {
    Jpeg,
    GreyJpeg,
    CmykJpeg,
    ProgressiveJpeg,
    Png,
    Bmp,
    Gif,
    RandomPng,
    RandomBmp
};

// Every kind but GIF is read in bands.
bool readInBands(SourceKind kind) {
    return kind != SourceKind::Gif;
}

std::vector<std::uint8_t> randomBytes(std::size_t count, std::mt19937& rng) {
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(rng());
    return bytes;
}

// A non-interlaced PNG of any colour type and depth, rows of random bytes
// under random filters, a palette of any length, its data cut into IDAT
// chunks of random lengths (some empty) between other chunks.
std::vector<std::uint8_t> randomPng(int w, int h, std::mt19937& rng) {
    static const int kTypeAndDepth[][2] = {{0, 1}, {0, 2},  {0, 4},  {0, 8}, {0, 16},
                                           {2, 8}, {2, 16}, {3, 1},  {3, 2}, {3, 4},
                                           {3, 8}, {4, 8},  {4, 16}, {6, 8}, {6, 16}};
    const auto& [type, depth] = kTypeAndDepth[rng() % std::size(kTypeAndDepth)];
    const int channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
    const std::size_t rowBytes = (static_cast<std::size_t>(w) * channels * depth + 7) / 8;
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(static_cast<std::uint8_t>(rng() % 5));
        const std::vector<std::uint8_t> row = randomBytes(rowBytes, rng);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    std::vector<PngChunk> chunks{MakeChunk("IHDR", IhdrData(w, h, depth, type))};
    if (rng() % 2) chunks.push_back(MakeChunk("tEXt", randomBytes(rng() % 20, rng)));
    if (type == 3 || rng() % 4 == 0)
        chunks.push_back(MakeChunk("PLTE", randomBytes(3 * (1 + rng() % 256), rng)));
    const std::vector<std::uint8_t> data = Deflate(raw, static_cast<int>(1 + rng() % 9));
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t n =
            std::min<std::size_t>(data.size() - at, rng() % 3 == 0 ? 0 : 1 + rng() % 300);
        chunks.push_back(MakeChunk("IDAT", {data.begin() + static_cast<std::ptrdiff_t>(at),
                                            data.begin() + static_cast<std::ptrdiff_t>(at + n)}));
        at += n;
    }
    if (rng() % 2) chunks.push_back(MakeChunk("tIME", randomBytes(7, rng)));
    chunks.push_back(MakeChunk("IEND", {}));
    return BuildPng(chunks);
}

void putLE(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// An uncompressed BMP of any bit count, random pixels: bottom-up or
// top-down, with a 40-byte or a 12-byte header, colour masks or not, a
// colour table of any length, a gap before the pixels and bytes after them.
std::vector<std::uint8_t> randomBmp(int w, int h, std::mt19937& rng) {
    static const int kBits[] = {1, 4, 8, 16, 24, 32};
    const int bits = kBits[rng() % std::size(kBits)];
    const bool core = bits != 16 && bits != 32 && rng() % 4 == 0;
    const bool masks = (bits == 16 || bits == 32) && rng() % 2;
    const bool topDown = !core && rng() % 3 == 0;
    const std::uint32_t colors = bits > 8 ? 0 : core ? 1u << bits : rng() % ((1u << bits) + 1);
    const std::uint32_t tableBytes = (core ? 3 : 4) * (colors      ? colors
                                                       : bits <= 8 ? 1u << bits
                                                                   : 0);
    const std::uint32_t gap = rng() % 5;
    const std::uint32_t offset = 14 + (core ? 12 : 40) + (masks ? 12 : 0) + tableBytes + gap;
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(dibStride(w, bits)) * h;
    std::vector<std::uint8_t> file{'B', 'M'};
    putLE(file, offset + pixelBytes, 4);
    putLE(file, 0, 4);
    putLE(file, offset, 4);
    if (core) {
        for (const int v : {12, w, h, 1, bits})
            putLE(file, static_cast<std::uint32_t>(v), v == 12 ? 4 : 2);
    } else {
        putLE(file, 40, 4);
        putLE(file, static_cast<std::uint32_t>(w), 4);
        putLE(file, static_cast<std::uint32_t>(topDown ? -h : h), 4);
        putLE(file, 1, 2);
        putLE(file, static_cast<std::uint32_t>(bits), 2);
        putLE(file, masks ? 3 : 0, 4);
        for (int i = 0; i < 3; ++i) putLE(file, rng() % 5000, 4);  // size, resolution
        putLE(file, colors, 4);
        putLE(file, 0, 4);
    }
    if (masks) {
        const std::uint32_t m16[] = {0xF800, 0x07E0, 0x001F},
                            m32[] = {0x3FF00000, 0x000FFC00, 0x3FF};
        for (int i = 0; i < 3; ++i) putLE(file, bits == 16 ? m16[i] : m32[i], 4);
    }
    const std::vector<std::uint8_t> rest =
        randomBytes(tableBytes + gap + pixelBytes + rng() % 8, rng);
    file.insert(file.end(), rest.begin(), rest.end());
    return file;
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::vector<std::uint8_t> savedBytes(const TDIB& picture, const std::string& path) {
    SavePictureToFile(picture, path);
    return ReadWholeFile(path);
}

// The source file of a picture, written the way `kind` says.
std::vector<std::uint8_t> sourceFile(SourceKind kind, const TDIB& picture, const TempDir& dir,
                                     std::mt19937& rng) {
    EncodeRequest request;
    request.width = picture.Width();
    request.height = picture.Height();
    request.quality = std::uniform_int_distribution<int>(60, 100)(rng);
    const RgbImage rgb = ToRgb(picture);
    switch (kind) {
        case SourceKind::Jpeg:
            return EncodeJPEG(picture);
        case SourceKind::GreyJpeg:
            request.components = 1;
            request.space = JCS_GRAYSCALE;
            for (std::size_t i = 0; i < rgb.rgb.size(); i += 3)
                request.samples.push_back(static_cast<std::uint8_t>(
                    (rgb.rgb[i] + 2 * rgb.rgb[i + 1] + rgb.rgb[i + 2]) / 4));
            return EncodeWithLibjpeg(request);
        case SourceKind::CmykJpeg:
            request.components = 4;
            request.space = JCS_CMYK;
            request.adobeMarker = rng() % 2 == 0;
            for (std::size_t i = 0; i < rgb.rgb.size(); i += 3) {
                request.samples.insert(request.samples.end(),
                                       {rgb.rgb[i], rgb.rgb[i + 1], rgb.rgb[i + 2],
                                        static_cast<std::uint8_t>(rgb.rgb[i] ^ 0x5A)});
            }
            return EncodeWithLibjpeg(request);
        case SourceKind::ProgressiveJpeg:
            request.progressive = true;
            request.samples = rgb.rgb;
            return EncodeWithLibjpeg(request);
        case SourceKind::Png:
            return savedBytes(picture, dir.file("made.png"));
        case SourceKind::Bmp:
            return savedBytes(picture, dir.file("made.bmp"));
        case SourceKind::Gif:
            return savedBytes(picture, dir.file("made.gif"));
        case SourceKind::RandomPng:
            return randomPng(picture.Width(), picture.Height(), rng);
        case SourceKind::RandomBmp:
            return randomBmp(picture.Width(), picture.Height(), rng);
    }
    return {};
}

// The buffers a worker may hold as its result from earlier jobs: fresh, a
// leftover 24-bit result, one with no colour table (as a decoded photo has),
// an 8-bit one. Made twice the same way, so that neither path shares a store.
TDIB resultBuffer(int style, int seed) {
    switch (style) {
        case 1:
            return MakePicture(3 + seed % 5, 2 + seed % 3, [](int x, int y) { return x * 77 + y; });
        case 2:
            return MakePicture24(4 + seed % 3, 5, [](int x, int) { return x; });
        case 3: {
            TDIB dib;
            dib.SetWidth(2 + seed % 4);
            dib.SetHeight(-3);
            return dib;
        }
        default:
            return TDIB();
    }
}

struct Scenario {
    const char* name;
    int runs;
    int minSide, maxSide;
    std::vector<SourceKind> kinds;
    unsigned seed;
};

void PrintTo(const Scenario& s, std::ostream* os) {
    *os << s.name;
}

class StreamedJobMatchesWholePath : public ::testing::TestWithParam<Scenario> {};

TEST_P(StreamedJobMatchesWholePath, ByteForByte) {
    const Scenario& sc = GetParam();
    std::mt19937 rng(sc.seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const char* const outputNames[] = {"out.jpg", "out.png", "out.bmp", "out.gif",
                                       "out.JPG", "out.Png", "out"};
    const int rowsPerBand[] = {1, 2, 5, 16, 17, 100000};
    TempDir dir;
    int streamed = 0, declined = 0;
    for (int run = 0; run < sc.runs; ++run) {
        const int w = pick(sc.minSide, sc.maxSide);
        const int h = pick(sc.minSide, sc.maxSide);
        const TDIB picture = MakePhotoLike(w, h, rng());
        const SourceKind kind =
            sc.kinds[static_cast<std::size_t>(pick(0, static_cast<int>(sc.kinds.size()) - 1))];
        const std::string source = dir.file("source-" + std::to_string(run));
        WriteBytes(source, sourceFile(kind, picture, dir, rng));

        ScaleSettings s;
        s.Unit = pick(0, 1) ? ScaleUnit::Percent : ScaleUnit::Pixel;
        s.AspectLock = pick(0, 1) == 1;
        s.HorzValue = s.Unit == ScaleUnit::Percent ? pick(1, 260) : pick(1, 2 * sc.maxSide);
        s.VertValue = pick(0, 3) == 0                ? s.HorzValue
                      : s.Unit == ScaleUnit::Percent ? pick(1, 260)
                                                     : pick(1, 2 * sc.maxSide);
        s.Rotation = pick(0, 3) == 0 ? pick(kRotate0, kRotateLeft)
                     : pick(0, 1)    ? kRotate0
                                     : kRotate180;
        if (pick(0, 2) == 0) {
            s.ContrastStep = pick(0, 20);
            s.BrightnessStep = pick(-10, 10);
        }
        SelectionRect typed = WholePicture(w, h);
        if (pick(0, 2) == 0)
            typed = SelectionRect{pick(0, w - 1), pick(0, h - 1), pick(0, w - 1), pick(0, h - 1)};
        const SelectionOfSize selectionFor = [typed](int width, int height) {
            return OrderAndClampSelection(typed, width, height);
        };
        const std::string outputName = outputNames[pick(0, 6)];
        BandSettings bands;
        bands.RowsPerBand = rowsPerBand[pick(0, 5)];
        bands.BandsAhead = pick(1, 3) == 1 ? 1 : pick(2, 8);
        bands.OwnThread = pick(0, 1) == 1;
        bands.OutputRowsPerWrite = pick(0, 2) == 0 ? 0 : pick(1, 7);
        const int resultStyle = pick(0, 3);
        const int resultSeed = pick(0, 100);

        const std::string what =
            "run " + std::to_string(run) + ": source kind " +
            std::to_string(static_cast<int>(kind)) + " " + std::to_string(w) + "x" +
            std::to_string(h) + " to " + outputName + ", values " + std::to_string(s.HorzValue) +
            "/" + std::to_string(s.VertValue) + (s.Unit == ScaleUnit::Percent ? " %" : " px") +
            ", rotation " + std::to_string(s.Rotation) + ", band " +
            std::to_string(bands.RowsPerBand) + (bands.OwnThread ? " threaded" : " inline") +
            ", result " + std::to_string(resultStyle);
        SCOPED_TRACE(what);

        // The whole-picture path.
        const std::string wholeOut = dir.file("whole-" + outputName);
        std::optional<std::vector<std::uint8_t>> expected;
        TDIB loaded;
        SelectionRect selection;
        ScalePlan plan;
        ResampleTables wholeTables;
        bool accepted = false;
        if (LoadPictureFile(source, loaded)) {
            selection = selectionFor(loaded.Width(), loaded.Height());
            accepted = PlanScale(s, selection, plan) == ScaleRefusal::None;
            if (accepted) {
                TDIB result = resultBuffer(resultStyle, resultSeed);
                RunScale(loaded, selection, s, plan, result, wholeTables);
                expected = savedBytes(result, wholeOut);
            }
        }

        // The streamed job.
        const std::string streamOut = dir.file("stream-" + outputName);
        const bool streamable = CanStreamResult(outputName, s.Rotation);
        ResampleTables tables;
        const TDIB resultBefore = resultBuffer(resultStyle, resultSeed);
        StreamedJobContext context{tables, resultBefore, bands, {}};
        ScalePlan streamedPlan;
        const bool sourceStreamed = StreamSourceJob(
            source, streamOut, withSettings(s, selectionFor), context, streamedPlan);
        EXPECT_EQ(sourceStreamed, readInBands(kind) && streamable && accepted);
        if (sourceStreamed) {
            ASSERT_TRUE(expected);
            EXPECT_EQ(ReadWholeFile(streamOut), *expected);
            EXPECT_EQ(streamedPlan.FinishedWidth, plan.FinishedWidth);
            EXPECT_EQ(streamedPlan.FinishedHeight, plan.FinishedHeight);
            EXPECT_EQ(tables.IndexTable, wholeTables.IndexTable);
            EXPECT_EQ(tables.FracTable, wholeTables.FracTable);
            ++streamed;
        } else {
            EXPECT_FALSE(fileExists(streamOut)) << "a declined job wrote its output";
            ++declined;
        }
        ::unlink(streamOut.c_str());

        // The loaded source, streamed through the passes and the writer.
        if (accepted && streamable) {
            StreamLoadedJob(loaded, selection, s, plan, streamOut, context);
            EXPECT_EQ(ReadWholeFile(streamOut), *expected);
            ::unlink(streamOut.c_str());
        }
        ::unlink(wholeOut.c_str());
    }
    EXPECT_GT(streamed + declined, 0);
    if (readInBands(sc.kinds.front())) {
        EXPECT_GT(streamed, sc.runs / 4) << "too few jobs streamed to mean anything";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Random, StreamedJobMatchesWholePath,
    ::testing::Values(
        Scenario{"ColourJpegs", 160, 2, 48, {SourceKind::Jpeg}, 11u},
        Scenario{"GreyCmykAndProgressiveJpegs",
                 120,
                 2,
                 40,
                 {SourceKind::GreyJpeg, SourceKind::CmykJpeg, SourceKind::ProgressiveJpeg},
                 12u},
        Scenario{"LargerJpegs", 12, 150, 420, {SourceKind::Jpeg, SourceKind::GreyJpeg}, 13u},
        Scenario{"SavedPngsAndBmps", 60, 2, 40, {SourceKind::Png, SourceKind::Bmp}, 14u},
        Scenario{"Gifs", 10, 2, 40, {SourceKind::Gif}, 15u},
        Scenario{"RandomPngs", 150, 2, 40, {SourceKind::RandomPng}, 16u},
        Scenario{"RandomBmps", 150, 2, 40, {SourceKind::RandomBmp}, 17u},
        Scenario{
            "LargerPngsAndBmps", 8, 150, 420, {SourceKind::RandomPng, SourceKind::RandomBmp}, 18u}),
    NameOfParam());

// Files the streamed job must leave to the whole path, having written
// nothing: the whole path then ends as it always has.
struct DeclinedCase {
    const char* name;
    std::vector<std::uint8_t> (*make)(const std::vector<std::uint8_t>& jpeg);
    std::string output;  // in the test's folder
    bool wholePathLoads;
};

void PrintTo(const DeclinedCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<std::uint8_t> cutShort(const std::vector<std::uint8_t>& jpeg) {
    return std::vector<std::uint8_t>(
        jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() * 2 / 3));
}
std::vector<std::uint8_t> secondStartAfterTheRows(const std::vector<std::uint8_t>& jpeg) {
    std::vector<std::uint8_t> bytes(jpeg.begin(), jpeg.end() - 2);
    bytes.insert(bytes.end(), {0xFF, 0xD8, 0xFF, 0xD9});
    return bytes;
}
std::vector<std::uint8_t> asItIs(const std::vector<std::uint8_t>& jpeg) {
    return jpeg;
}
std::vector<std::uint8_t> notAJpeg(const std::vector<std::uint8_t>&) {
    return {'B', 'M', 0, 0};
}

class StreamedJobDeclines : public ::testing::TestWithParam<DeclinedCase> {};

TEST_P(StreamedJobDeclines, WritingNothing) {
    const DeclinedCase& c = GetParam();
    TempDir dir;
    const std::string source = dir.file("in.jpg");
    WriteBytes(source, c.make(EncodeJPEG(MakePhotoLike(64, 48, 5))));
    TDIB loaded;
    EXPECT_EQ(LoadPictureFile(source, loaded), c.wholePathLoads);

    ScaleSettings settings;
    settings.HorzValue = settings.VertValue = 50;
    ResampleTables tables;
    const TDIB result;
    for (const bool thread : {false, true}) {
        StreamedJobContext context{tables, result, BandSettings{16, 2, thread, 0}, {}};
        // Only the top rows selected: the rest of the file still decides.
        const SelectionOfSize top = [](int width, int) {
            return SelectionRect{0, 0, width - 1, 9};
        };
        ScalePlan plan;
        EXPECT_FALSE(StreamSourceJob(source, dir.file(c.output), withSettings(settings, top),
                                     context, plan));
        EXPECT_FALSE(fileExists(dir.file(c.output)));
    }
    EXPECT_EQ(ListFiles(dir.path()), std::vector<std::string>{source});
}

INSTANTIATE_TEST_SUITE_P(
    Files, StreamedJobDeclines,
    ::testing::Values(DeclinedCase{"CutShortDecodedWithWarnings", cutShort, "out.jpg", true},
                      DeclinedCase{"FailingAfterItsLastRow", secondStartAfterTheRows, "out.png",
                                   false},
                      DeclinedCase{"NotAJpeg", notAJpeg, "out.bmp", false},
                      DeclinedCase{"GifOutput", asItIs, "out.gif", true},
                      DeclinedCase{"OutputFolderMissing", asItIs, "missing/out.jpg", true}),
    NameOfParam());

// The public suites, damaged files among them: every file streams to the
// whole path's bytes (in bands of one row, and in one band on a thread of
// its own) or is left to it, having written nothing; a file the whole path
// refuses never streams.
struct SuiteCase {
    const char* name;
    const char* folder;
    double streamedShare;  // of the files, at the least
};

void PrintTo(const SuiteCase& c, std::ostream* os) {
    *os << c.name;
}

class StreamedJobOnSuites : public ::testing::TestWithParam<SuiteCase> {};

TEST_P(StreamedJobOnSuites, MatchesOrDeclines) {
    const std::vector<std::string> files = ListFiles(TestDataPath(GetParam().folder));
    TempDir dir;
    ScaleSettings settings;
    settings.HorzValue = settings.VertValue = 70;
    int streamed = 0;
    for (const std::string& source : files) {
        SCOPED_TRACE(source);
        std::optional<std::vector<std::uint8_t>> expected;
        TDIB loaded;
        ScalePlan plan;
        if (LoadPictureFile(source, loaded)) {
            const SelectionRect whole = WholePicture(loaded.Width(), loaded.Height());
            if (PlanScale(settings, whole, plan) == ScaleRefusal::None) {
                TDIB result;
                ResampleTables tables;
                RunScale(loaded, whole, settings, plan, result, tables);
                expected = savedBytes(result, dir.file("whole.png"));
            }
        }
        for (const BandSettings& bands :
             {BandSettings{1, 1, false, 0}, BandSettings{1 << 20, 2, true, 0}}) {
            ResampleTables tables;
            const TDIB result;
            StreamedJobContext context{tables, result, bands, {}};
            const std::string out = dir.file("stream.png");
            if (StreamSourceJob(source, out, withSettings(settings, WholePicture), context, plan)) {
                ASSERT_TRUE(expected) << "streamed a file the whole path refuses";
                EXPECT_EQ(ReadWholeFile(out), *expected);
                ++streamed;
            } else {
                EXPECT_FALSE(fileExists(out));
            }
            ::unlink(out.c_str());
        }
    }
    EXPECT_GE(streamed, 2 * GetParam().streamedShare * static_cast<double>(files.size()));
}

INSTANTIATE_TEST_SUITE_P(Files, StreamedJobOnSuites,
                         ::testing::Values(SuiteCase{"PngSuite", "pngsuite", 0.5},
                                           SuiteCase{"BmpSuite", "bmpsuite", 0.3}),
                         NameOfParam());

// A PNG whose zlib stream goes on past the picture's rows with a block of
// no defined type: the reader's last inflate call reads on through the rest
// of its IDAT chunk and fails there, but never opens the next chunk. The
// streamed job must decline the first file and stream the second, also when
// the rows end where a reader of the file in pieces of 64 KB would stop.
struct AfterTheRowsCase {
    const char* name;
    bool damageInItsOwnChunk;
};

void PrintTo(const AfterTheRowsCase& c, std::ostream* os) {
    *os << c.name;
}

class StreamedPngDataAfterTheRows : public ::testing::TestWithParam<AfterTheRowsCase> {};

TEST_P(StreamedPngDataAfterTheRows, EndsAsTheReaderDoes) {
    // Grey rows of 1 + 80 bytes in one stored block, which with the zlib
    // header and the block's own 5 bytes end at byte 65536 of the chunk.
    std::mt19937 rng(3);
    const int w = 80, h = 809;
    std::vector<std::uint8_t> data{0x78, 0x01, 0x00};
    const std::uint16_t blockBytes = static_cast<std::uint16_t>(h * (w + 1));
    putLE(data, blockBytes, 2);
    putLE(data, static_cast<std::uint16_t>(~blockBytes), 2);
    for (int y = 0; y < h; ++y) {
        data.push_back(0);
        const std::vector<std::uint8_t> row = randomBytes(w, rng);
        data.insert(data.end(), row.begin(), row.end());
    }
    ASSERT_EQ(data.size(), 65536u);
    const std::vector<std::uint8_t> badBlock{0x07};  // the last block, of type 3
    std::vector<PngChunk> chunks{MakeChunk("IHDR", IhdrData(w, h, 8, 0))};
    if (GetParam().damageInItsOwnChunk) {
        chunks.push_back(MakeChunk("IDAT", data));
        chunks.push_back(MakeChunk("IDAT", badBlock));
    } else {
        data.insert(data.end(), badBlock.begin(), badBlock.end());
        chunks.push_back(MakeChunk("IDAT", data));
    }
    chunks.push_back(MakeChunk("IEND", {}));
    TempDir dir;
    const std::string source = dir.file("in.png");
    WriteBytes(source, BuildPng(chunks));

    TDIB loaded;
    ASSERT_EQ(LoadPictureFile(source, loaded), GetParam().damageInItsOwnChunk);
    ScaleSettings settings;
    ResampleTables tables;
    const TDIB result;
    StreamedJobContext context{tables, result, {}, {}};
    ScalePlan plan;
    EXPECT_EQ(StreamSourceJob(source, dir.file("out.bmp"), withSettings(settings, WholePicture),
                              context, plan),
              GetParam().damageInItsOwnChunk);
    EXPECT_EQ(fileExists(dir.file("out.bmp")), GetParam().damageInItsOwnChunk);
}

INSTANTIATE_TEST_SUITE_P(Files, StreamedPngDataAfterTheRows,
                         ::testing::Values(AfterTheRowsCase{"InTheLastRowsChunk", false},
                                           AfterTheRowsCase{"InAChunkOfItsOwn", true}),
                         NameOfParam());

// Garbage before the end marker draws a warning that says nothing about the
// image data: such a file still streams, to the same bytes.
TEST(StreamedJob, GarbageBetweenMarkersStillStreams) {
    TempDir dir;
    std::vector<std::uint8_t> bytes = EncodeJPEG(MakePhotoLike(40, 30, 9));
    bytes.insert(bytes.end() - 2, {'x', 'y', 'z'});
    WriteBytes(dir.file("in.jpg"), bytes);
    ScaleSettings settings;
    settings.HorzValue = settings.VertValue = 70;
    ResampleTables tables;
    const TDIB result;
    StreamedJobContext context{tables, result, {}, {}};
    ScalePlan plan;
    ASSERT_TRUE(StreamSourceJob(dir.file("in.jpg"), dir.file("out.png"),
                                withSettings(settings, WholePicture), context, plan));
    TDIB loaded, whole;
    ASSERT_TRUE(LoadPictureFile(dir.file("in.jpg"), loaded));
    ResampleTables wholeTables;
    RunScale(loaded, WholePicture(40, 30), settings, plan, whole, wholeTables);
    EXPECT_EQ(ReadWholeFile(dir.file("out.png")), savedBytes(whole, dir.file("whole.png")));
}

TEST(StreamedJob, QuarterTurnsAreDeclined) {
    TempDir dir;
    WriteBytes(dir.file("in.jpg"), EncodeJPEG(MakePhotoLike(20, 10, 5)));
    for (const int rotation : {kRotateRight, kRotateLeft}) {
        ScaleSettings settings;
        settings.Rotation = rotation;
        EXPECT_FALSE(CanStreamResult("out.bmp", rotation));
        ResampleTables tables;
        const TDIB result;
        StreamedJobContext context{tables, result, {}, {}};
        ScalePlan plan;
        EXPECT_FALSE(StreamSourceJob(dir.file("in.jpg"), dir.file("out.bmp"),
                                     withSettings(settings, WholePicture), context, plan));
        EXPECT_FALSE(fileExists(dir.file("out.bmp")));
    }
    EXPECT_TRUE(CanStreamResult("out.bmp", kRotate180));
    EXPECT_FALSE(CanStreamResult("out.jpg", kRotate180));
    EXPECT_FALSE(CanStreamResult("out.png", kRotate180));
    EXPECT_TRUE(CanStreamResult("out.Png", kRotate0));  // a BMP file by its name
}

// What a streamed job asks of the memory budget: the decoder's own working
// memory, the bands in flight and the work rows, never the picture or the
// result. 8 MB is less than the 18 MB the whole path needs for the source.
TEST(StreamedJobMemory, AsksForBandsNotPictures) {
    TempDir dir;
    WriteBytes(dir.file("in.jpg"), EncodeJPEG(MakePhotoLike(3000, 2000, 3)));
    EncodeRequest progressive;
    progressive.width = 2000;
    progressive.height = 2000;
    progressive.progressive = true;
    progressive.samples.assign(2000 * 2000 * 3, 128);
    WriteBytes(dir.file("progressive.jpg"), EncodeWithLibjpeg(progressive));
    ScaleSettings settings;
    settings.HorzValue = settings.VertValue = 50;
    const auto whole = [](int w, int h) { return WholePicture(w, h); };

    FakeSystemMemory system(8 * kMB);
    TDIB loaded;
    EXPECT_FALSE(LoadPictureFile(dir.file("in.jpg"), loaded)) << "the whole path found the memory";
    for (const bool thread : {false, true}) {
        ResampleTables tables;
        const TDIB result;
        StreamedJobContext context{tables, result, BandSettings{16, 8, thread, 0}, {}};
        ScalePlan plan;
        EXPECT_TRUE(StreamSourceJob(dir.file("in.jpg"), dir.file("out.jpg"),
                                    withSettings(settings, whole), context, plan));
        // A progressive file's decoder keeps all its coefficients (24 MB).
        EXPECT_FALSE(StreamSourceJob(dir.file("progressive.jpg"), dir.file("p.jpg"),
                                     withSettings(settings, whole), context, plan));
        EXPECT_FALSE(fileExists(dir.file("p.jpg")));
    }
}

// A job that waits for memory others hold is told so, rather than left to
// the whole path, which would need more.
TEST(StreamedJobMemory, ABusyBudgetIsPassedOn) {
    TempDir dir;
    WriteBytes(dir.file("in.jpg"), EncodeJPEG(MakePhotoLike(2000, 40, 3)));
    FakeSystemMemory system(100 * kMB);
    MemoryAccount others;
    MemoryReservation theirs;
    std::thread([&] {
        ChargeMemoryTo charge(others);
        theirs = ReserveMemory(99 * kMB);
    }).join();
    MemoryAccount mine;
    ChargeMemoryTo charge(mine);
    ScaleSettings settings;
    ResampleTables tables;
    const TDIB result;
    const BandSettings bands{16, 8, true, 0};
    ASSERT_GT(BandedRows::BytesHeld(2000, WholePicture(2000, 40), bands), kMB);
    StreamedJobContext context{tables, result, bands, {}};
    ScalePlan plan;
    const std::size_t heldBefore = mine.held();
    EXPECT_THROW(StreamSourceJob(dir.file("in.jpg"), dir.file("out.jpg"),
                                 withSettings(settings, WholePicture), context, plan),
                 EMemoryBusy);
    EXPECT_FALSE(fileExists(dir.file("out.jpg")));
    EXPECT_EQ(mine.held(), heldBefore);
}

// What a run leaves in its result buffer, worked out beforehand, for every
// kind of buffer a window or a worker may hold: the header and colour table
// the command's own steps give (SetWidth, SetHeight, SetPixelFormat, sizing
// again after the rotation, a private copy before the first write).
TEST(ResultStoreFacts, AreWhatTheCommandsStepsLeave) {
    std::mt19937 rng(21);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto fields = [](const BitmapInfoHeader& h) {
        return std::vector<long long>{h.biSize,      h.biWidth,         h.biHeight,
                                      h.biPlanes,    h.biBitCount,      h.biCompression,
                                      h.biSizeImage, h.biXPelsPerMeter, h.biYPelsPerMeter,
                                      h.biClrUsed,   h.biClrImportant};
    };
    for (int run = 0; run < 300; ++run) {
        TDIB result = resultBuffer(pick(0, 3), pick(0, 100));
        if (pick(0, 3) == 0) {
            // A BMP read back with its image size field set, which only a
            // conversion clears, and with a resolution of its own.
            std::ostringstream out;
            MakePicture(pick(1, 6), pick(1, 6), [](int x, int y) {
                return x + y;
            }).SaveToStream(out);
            std::string bytes = out.str();
            bytes[34] = 7;
            bytes[38] = 9;
            std::istringstream in(bytes);
            result.LoadFromStream(in);
        }
        const TDIB sharing = pick(0, 2) == 0 ? result : TDIB();
        const int tw = pick(1, 7), th = pick(1, 7);
        const bool quarter = pick(0, 1) == 1;
        const int fw = quarter ? th : tw, fh = quarter ? tw : th;

        TDIB stepped(result);
        stepped.SetWidth(tw);
        stepped.SetHeight(th);
        stepped.SetPixelFormat(PixelFormat24Bit);
        stepped.SetWidth(fw);
        stepped.SetHeight(fh);
        stepped.UniqueDIB();

        const ResultStoreFacts facts = FactsOfResultStore(result, tw, th, fw, fh);
        ASSERT_EQ(fields(facts.Header), fields(stepped.Header())) << "run " << run;
        ASSERT_TRUE(facts.ColorTable == stepped.Store().ColorTable) << "run " << run;
        PrepareResultStore(result, tw, th, fw, fh);
        ASSERT_EQ(fields(result.Header()), fields(stepped.Header())) << "run " << run;
        ASSERT_TRUE(result.Store().ColorTable == stepped.Store().ColorTable) << "run " << run;
        EXPECT_FALSE(result.SharesStoreWith(sharing));
    }
}

}  // namespace
