// The saver: the writer chosen by the exact extension, the picture never
// changed, a failed save never leaving a broken file.

#include "picture/picture_saver.h"

#include <gtest/gtest.h>

#include "picture/errors.h"
#include "picture/gif/gif_picture.h"
#include "picture/picture_loader.h"
#include "picture/system/file_io.h"
#include "tests/picture/format_test_helpers.h"

namespace {

struct ExtensionCase {
    const char* name;
    PictureFileType type;
};

class SaverByExtension : public testing::TestWithParam<ExtensionCase> {};

std::vector<std::uint8_t> Signature(PictureFileType type) {
    switch (type) {
        case PictureFileType::GIF:
            return {'G', 'I', 'F', '8', '7', 'a'};
        case PictureFileType::JPEG:
            return {0xFF, 0xD8, 0xFF};
        case PictureFileType::PNG:
            return {0x89, 'P', 'N', 'G'};
        default:
            return {'B', 'M'};
    }
}

TEST_P(SaverByExtension, WritesTheFormatTheExactExtensionNames) {
    const ExtensionCase c = GetParam();
    EXPECT_EQ(FileTypeForName(c.name), c.type);
    TempDir dir;
    const std::string path = dir.file(c.name);
    const std::string folder = path.substr(0, path.find_last_of('/'));
    RunCommand("mkdir -p " + ShellQuote(folder));
    SavePictureToFile(MakePhotoLike(12, 9), path);
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    const std::vector<std::uint8_t> signature = Signature(c.type);
    ASSERT_GE(bytes.size(), signature.size());
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), bytes.begin()));
}

INSTANTIATE_TEST_SUITE_P(
    Saver, SaverByExtension,
    testing::Values(
        ExtensionCase{"a.gif", PictureFileType::GIF}, ExtensionCase{"a.GIF", PictureFileType::GIF},
        ExtensionCase{"a.jpg", PictureFileType::JPEG},
        ExtensionCase{"a.JPG", PictureFileType::JPEG}, ExtensionCase{"a.png", PictureFileType::PNG},
        ExtensionCase{"a.PNG", PictureFileType::PNG}, ExtensionCase{"a.Gif", PictureFileType::BMP},
        ExtensionCase{"a.Jpg", PictureFileType::BMP}, ExtensionCase{"a.Png", PictureFileType::BMP},
        ExtensionCase{"a.jpeg", PictureFileType::BMP}, ExtensionCase{"a.bmp", PictureFileType::BMP},
        ExtensionCase{"a", PictureFileType::BMP}, ExtensionCase{"x.png/a", PictureFileType::BMP},
        ExtensionCase{"a.png.bak", PictureFileType::BMP},
        ExtensionCase{"b.x.jpg", PictureFileType::JPEG}),
    [](const testing::TestParamInfo<ExtensionCase>& info) { return TestNameOf(info.param.name); });

// Saved and loaded again: exact for BMP and PNG, the reduced colours for
// GIF, close for JPEG; the saved picture itself is never changed.
TEST(Saver, FilesLoadBackAndThePictureStaysAsItWas) {
    const TDIB picture = MakePhotoLike(64, 40, 5);
    const RgbImage original = ToRgb(picture);
    TDIB reduced(picture);
    reduced.SetPixelFormat(PixelFormat8Bit);
    TempDir dir;
    for (const char* name : {"p.bmp", "p.png", "p.gif", "p.jpg"}) {
        SCOPED_TRACE(name);
        SavePictureToFile(picture, dir.file(name));
        EXPECT_EQ(picture.PixelFormat(), PixelFormat24Bit);
        EXPECT_EQ(CountDifferences(ToRgb(picture), original), 0);
        TDIB back;
        ASSERT_TRUE(LoadPictureFile(dir.file(name), back));
        const long differences =
            CountDifferences(ToRgb(back), std::string(name) == "p.gif" ? ToRgb(reduced) : original);
        if (std::string(name) == "p.jpg") {
            EXPECT_GT(differences, 0);  // lossy, but the right size
        } else {
            EXPECT_EQ(differences, 0);
        }
    }
}

TEST(Saver, PngOfAScaledPictureCarriesItsBlackPalette) {
    TDIB scaled;  // 8 bits with 256 black colours, widened as a scale run leaves it
    scaled.SetPixelFormat(PixelFormat24Bit);
    scaled.SetWidth(6);
    scaled.SetHeight(5);
    TempDir dir;
    SavePictureToFile(scaled, dir.file("s.png"));
    const auto chunks = ParsePngChunks(ReadWholeFile(dir.file("s.png")));
    ASSERT_GE(chunks.size(), 3u);
    EXPECT_EQ(chunks[1].type, "PLTE");
    EXPECT_EQ(chunks[1].data.size(), 768u);
}

TEST(Saver, FailedSaveLeavesTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("old.gif");
    WriteBytes(path, {1, 2, 3});
    EXPECT_THROW(SavePictureToFile(MakePicture24(70000, 1, [](int, int) { return 0; }), path),
                 EGIFError);
    EXPECT_EQ(ReadWholeFile(path), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_ANY_THROW(SavePictureToFile(MakePhotoLike(4, 4), dir.file("no/such/folder/a.png")));
}

}  // namespace
