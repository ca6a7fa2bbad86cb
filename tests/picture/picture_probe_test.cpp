// Which files a folder walk takes as pictures, and the size a plan reads
// from a file's header: the same the loader chain gives when it loads the
// file.

#include "picture/picture_probe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "picture/gif/gif_picture.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/picture_loader.h"
#include "picture/png/png_picture.h"
#include "tests/support/declaring_files.h"
#include "tests/support/exif_builders.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace {

TDIB picture(int w, int h) {
    return MakePicture(w, h, [](int x, int y) { return x * 5 + y * 300; });
}

struct ProbeCase {
    const char* name;
    std::string fileName;
    std::function<void(const std::string& path)> write;
    int width, height;  // 0: no size
};

void PrintTo(const ProbeCase& c, std::ostream* os) {
    *os << c.name;
}

class Probes : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(Probes, SizeAsTheLoaderGivesIt) {
    const ProbeCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file(c.fileName);
    c.write(path);
    const std::optional<PictureSize> size = ProbePictureSize(path);
    TDIB loaded;
    const bool loads = LoadPictureFile(path, loaded);
    if (c.width == 0) {
        EXPECT_FALSE(size);
        EXPECT_FALSE(loads);
        return;
    }
    ASSERT_TRUE(size);
    EXPECT_EQ(size->Width, c.width);
    EXPECT_EQ(size->Height, c.height);
    ASSERT_TRUE(loads);
    EXPECT_EQ(loaded.Width(), c.width);
    EXPECT_EQ(loaded.Height(), c.height);
    EXPECT_TRUE(MayBeAPicture(path));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Probes,
    ::testing::Values(
        ProbeCase{"Jpeg", "a.bin",
                  [](const std::string& p) {
                      TJPEGPicture j;
                      j.Assign(picture(33, 17));
                      j.SaveToFile(p);
                  },
                  33, 17},
        ProbeCase{"JpegWithExifBeforeItsFrame", "a.jpg",
                  [](const std::string& p) {
                      WriteBytes(p, JpegWithOrientation(picture(12, 30), 6, true));
                  },
                  12, 30},  // the stored size: turning is the caller's
        ProbeCase{"Png", "a.png",
                  [](const std::string& p) {
                      TPNGPicture png;
                      png.Assign(picture(40, 9));
                      png.SaveToFile(p);
                  },
                  40, 9},
        ProbeCase{"Gif", "a.gif",
                  [](const std::string& p) {
                      TGIFPicture gif;
                      gif.Assign(picture(19, 23));
                      gif.SaveToFile(p);
                  },
                  19, 23},
        ProbeCase{"GifScreenLargerThanItsFrame", "a.gif",
                  [](const std::string& p) { WriteBytes(p, GifDeclaring(300, 200)); }, 300, 200},
        ProbeCase{"BmpBottomUp", "a.bmp",
                  [](const std::string& p) { picture(25, 14).SaveToFile(p); }, 25, 14},
        ProbeCase{"BmpTopDown", "a.bmp",
                  [](const std::string& p) { picture(25, -14).SaveToFile(p); }, 25, 14},
        ProbeCase{"MetafileDrawnToKnowItsSize", "a.wmf",
                  [](const std::string& p) { WriteBytes(p, WmfDeclaring(64, 48)); }, 64, 48},
        ProbeCase{"NotAPicture", "a.jpg",
                  [](const std::string& p) {
                      WriteBytes(p, {'h', 'e', 'l', 'l', 'o'});
                  },
                  0, 0},
        ProbeCase{"EmptyFile", "a.png", [](const std::string& p) { WriteBytes(p, {}); }, 0, 0},
        ProbeCase{"JpegCutInItsHeader", "a.jpg",
                  [](const std::string& p) {
                      TJPEGPicture j;
                      j.Assign(picture(8, 8));
                      std::vector<std::uint8_t> bytes = j.SaveToBytes();
                      bytes.resize(30);
                      WriteBytes(p, bytes);
                  },
                  0, 0}),
    NameOfParam());

TEST(MayBeAPicture, BySignatureOrAMetafileName) {
    TempDir dir;
    WriteBytes(dir.file("text.jpg"), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    WriteBytes(dir.file("drawing.EMF"), {'x'});
    WriteBytes(dir.file("bm"), {'B', 'M'});
    WriteBytes(dir.file("gif-after-four"), {0, 0, 0, 0, 'g', 'i', 'f', '8', '9', 'a'});
    EXPECT_FALSE(MayBeAPicture(dir.file("text.jpg")));
    EXPECT_TRUE(MayBeAPicture(dir.file("drawing.EMF")));  // metafiles go by their name
    EXPECT_TRUE(MayBeAPicture(dir.file("bm")));
    EXPECT_TRUE(MayBeAPicture(dir.file("gif-after-four")));
    EXPECT_FALSE(MayBeAPicture(dir.file("missing.png")));
    EXPECT_FALSE(MayBeAPicture(dir.path()));
}

TEST(MayBeAPicture, AFifoIsNeverOpened) {
    TempDir dir;
    const std::string fifo = dir.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(MayBeAPicture(fifo));  // opening it would wait for a writer for ever
    EXPECT_FALSE(ProbePictureSize(fifo));
}

// A plan tells why it refuses a file just as the run's load does.
TEST(ProbePictureSize, AFileNoReaderTakesGetsTheLoadersReason) {
    TempDir dir;
    const std::string path = dir.file("x.bmp");
    for (const FileBytes& bytes : {FileBytes{'j', 'u', 'n', 'k'}, FileBytes{},
                                   FileBytes{'B', 'M', 1, 2, 3, 4}, GifDeclaring(0, 0)}) {
        WriteBytes(path, bytes);
        std::string probed, loaded;
        TDIB target;
        EXPECT_FALSE(ProbePictureSize(path, &probed));
        EXPECT_FALSE(LoadPictureFile(path, target, &loaded));
        EXPECT_FALSE(probed.empty());
        EXPECT_EQ(probed, loaded);
    }
}

}  // namespace
