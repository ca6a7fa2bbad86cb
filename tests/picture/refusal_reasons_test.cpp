// Why the loader refuses a file: the reader that knew it says what is wrong
// in the file's own terms, damaged data before memory, and under the
// command line's ceiling tiny files that declare huge pictures are refused
// for what they would need. Every refusal of the public suites has a reason.

#include <gtest/gtest.h>

#include <functional>

#include "picture/gif/gif_picture.h"
#include "picture/picture_loader.h"
#include "picture/picture_saver.h"
#include "picture/system/file_io.h"
#include "tests/picture/format_test_helpers.h"
#include "tests/support/declaring_files.h"
#include "tests/support/fake_system_memory.h"

namespace {

const std::string kOverTheLimit = "; the limit is 2 GiB: --memory-limit";

// A photo written by our own writer for `name`'s type, cut to `share`
// of its bytes.
FileBytes Written(const std::string& name, double share = 1.0) {
    TempDir dir;
    SavePictureToFile(MakePhotoLike(64, 48), dir.file(name));
    FileBytes bytes = ReadBytes(dir.file(name));
    bytes.resize(static_cast<std::size_t>(static_cast<double>(bytes.size()) * share));
    return bytes;
}

FileBytes Patched(FileBytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

FileBytes CutBeforeItsEnd(FileBytes bytes) {
    bytes.resize(bytes.size() - 4);
    return bytes;
}

struct HostileFile {
    const char* name;
    std::function<FileBytes()> make;  // none: the file is missing
    const char* fileName;
    std::string reasonStarts;
    std::string reasonEnds;
};

void PrintTo(const HostileFile& c, std::ostream* os) {
    *os << c.name;
}

const HostileFile kHostile[] = {
    {"GifDeclaringAHugeScreen", [] { return GifDeclaring(65535, 65535); }, "a.gif",
     "GIF: Picture of 65535 x 65535 pixels needs ", kOverTheLimit},
    {"RleBmpDeclaringAHugePicture", [] { return RleBmpDeclaring(30000, 30000); }, "a.bmp",
     "BMP: Picture of 30000 x 30000 pixels needs ", kOverTheLimit},
    {"PngDeclaringAHugePicture", [] { return PngDeclaring(30000, 30000); }, "a.png",
     "PNG: Picture of 30000 x 30000 pixels needs ", kOverTheLimit},
    {"JpegDeclaringAHugePicture", [] { return WithDeclaredSize(Written("a.jpg"), 30000, 30000); },
     "a.jpg", "JPEG: Picture of 30000 x 30000 pixels needs ", kOverTheLimit},
    {"JpegDeclaringAHugePictureCutShort",
     [] { return CutBeforeItsEnd(WithDeclaredSize(Written("a.jpg"), 30000, 30000)); }, "a.jpg",
     "JPEG: the file is cut short; Picture of 30000 x 30000 pixels needs ", kOverTheLimit},
    {"ProgressiveJpegWithHundredsOfScans",
     [] { return WithGarbageScans(WithDeclaredSize(SmallProgressiveJpeg(), 30000, 30000), 400); },
     "a.jpg", "JPEG: the file holds more than 300 scans", ""},
    {"ProgressiveJpegWithScanAfterScanOfGarbage",
     [] { return WithGarbageScans(WithDeclaredSize(SmallProgressiveJpeg(), 4000, 4000), 50); },
     "a.jpg", "JPEG: the data of 4 scans is damaged (the last: Corrupt JPEG data: ", ")"},
    {"JpegWithABogusHuffmanTable",
     [] {
         FileBytes table = {0xFF, 0xC4, 0x00, 0x13, 0x63};
         table.resize(table.size() + 16);
         return WithSegmentBeforeSecondScan(SmallProgressiveJpeg(), table);
     },
     "a.jpg", "JPEG: Bogus DHT index 99 (the marker at byte ", ")"},
    {"BmpWithAVersion5Header", [] { return Patched(Written("a.bmp"), 14, 124); }, "a.bmp",
     "BMP: a bitmap header of 124 bytes (version 5) is not supported; this reader takes the "
     "40-byte Windows header and the 12-byte OS/2 one",
     ""},
    {"BmpWithBitCountSeven", [] { return Patched(Written("a.bmp"), 28, 7); }, "a.bmp",
     "BMP: bit count 7 is not 1, 4, 8, 16, 24 or 32", ""},
    {"BmpCutInItsPixels", [] { return Written("a.bmp", 0.6); }, "a.bmp",
     "BMP: the file ends inside its pixel data", ""},
    {"PngOfColourTypeOne",
     [] {
         return BuildPng({MakeChunk("IHDR", IhdrData(4, 4, 8, 1)), MakeChunk("IEND", {})});
     },
     "a.png", "PNG: colour type 1 is not defined", ""},
    {"PngCutInItsImageData", [] { return Written("a.png", 0.6); }, "a.png",
     "PNG: the file ends inside chunk IDAT", ""},
    {"GifCutInItsImageData", [] { return Written("a.gif", 0.6); }, "a.gif",
     "GIF: the file ends inside the image data", ""},
    {"GifWithACodeNotInTheTable",
     [] {
         FileBytes gif = GifDeclaring(2, 2);
         gif[gif.size() - 4] = 0x07;  // the first code: 7 with 4 colours
         return gif;
     },
     "a.gif", "GIF: LZW code 7 in the image data names no entry", ""},
    {"WmfCutShort",
     [] {
         FileBytes wmf = WmfDeclaring(100, 100);
         wmf.resize(30);
         return wmf;
     },
     "a.wmf", "WMF", ""},
    {"Text", [] { return FileBytes{'h', 'e', 'l', 'l', 'o', '\n'}; }, "a.jpg",
     "not a picture file of a kind read here (BMP, JPEG, GIF, PNG, and WMF and EMF under their "
     "own extensions); it starts with 68 65 6C 6C 6F 0A",
     ""},
    {"Empty", [] { return FileBytes{}; }, "a.png", "the file is empty", ""},
    {"Missing", nullptr, "a.png", "No such file or directory", ""},
};

class HostileFiles : public testing::TestWithParam<HostileFile> {};

// Under the command line's ceiling, with the machine's memory out of the
// way.
TEST_P(HostileFiles, AreRefusedWithWhatIsWrongInTheirOwnTerms) {
    const HostileFile& c = GetParam();
    FakeSystemMemory system(100 * kGiB);
    const MemoryCeiling ceiling(2 * kGiB);
    TempDir dir;
    const std::string path = dir.file(c.fileName);
    if (c.make) WriteBytes(path, c.make());
    TDIB target;
    std::string why;
    EXPECT_FALSE(LoadPictureFile(path, target, &why));
    EXPECT_EQ(why.substr(0, c.reasonStarts.size()), c.reasonStarts) << why;
    ASSERT_GE(why.size(), c.reasonEnds.size()) << why;
    EXPECT_EQ(why.substr(why.size() - c.reasonEnds.size()), c.reasonEnds) << why;
}

INSTANTIATE_TEST_SUITE_P(Loader, HostileFiles, testing::ValuesIn(kHostile), NameOfParam());

// A 613-byte progressive file of a public crash-test suite that declares
// 49157 x 27397 pixels: libjpeg would fill a 3.4 GB coefficient store scan
// by scan before it met the broken table; the walk refuses it first, with
// or without the memory it would need.
TEST(RefusalReasons, TheCrashTestFileIsRefusedForItsBrokenTable) {
    SKIP_WITHOUT_SHARED_TESTDATA();
    const std::string path = SharedTestdataPath(
        "jpeg/jpeg-decoder/crashtest/imagetestsuite/6903d4538fd33c8fd0ded32cb30d618e.jpg");
    for (const bool ceiling : {false, true}) {
        FakeSystemMemory system(100 * kGiB);
        const MemoryCeiling limit(ceiling ? 2 * kGiB : 0);
        TDIB target;
        std::string why;
        EXPECT_FALSE(LoadPictureFile(path, target, &why));
        EXPECT_EQ(why, "JPEG: Bogus DHT index 99 (the marker at byte 493)");
    }
}

// No refusal without a reason, over every file of the public suites and
// the fuzz regressions (pictures, damaged ones, and the notes beside them).
TEST(RefusalReasons, EveryRefusalOfTheSuitesHasOne) {
    SKIP_WITHOUT_SHARED_TESTDATA();
    std::vector<std::string> files = ListFiles(SharedTestdataPath(""));
    const std::vector<std::string> regressions = ListFiles(TestDataPath("../../fuzz/regressions"));
    files.insert(files.end(), regressions.begin(), regressions.end());
    int refused = 0;
    for (const std::string& path : files) {
        TDIB target;
        std::string why;
        if (LoadPictureFile(path, target, &why)) continue;
        ++refused;
        EXPECT_FALSE(why.empty()) << path;
    }
    EXPECT_GT(refused, 200);
}

}  // namespace
