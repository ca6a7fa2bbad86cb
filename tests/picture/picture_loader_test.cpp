// The loader chain: content decides the reader whatever the name, metafiles
// only by their extensions, refusals leave the target untouched.

#include "picture/picture_loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "picture/gif/gif_picture.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/metafile/metafile_renderer.h"
#include "picture/picture_registry.h"
#include "picture/picture_saver.h"
#include "picture/png/png_picture.h"
#include "picture/system/file_io.h"
#include "tests/picture/format_test_helpers.h"
#include "tests/support/fake_system_memory.h"

namespace {

enum class Format { BMP, JPEG, GIF, PNG };

const char* FormatName(Format f) {
    switch (f) {
        case Format::BMP:
            return "Bmp";
        case Format::JPEG:
            return "Jpeg";
        case Format::GIF:
            return "Gif";
        default:
            return "Png";
    }
}

// A picture written in `format` under `name`, and what reading that format
// directly gives.
struct WrittenFile {
    std::string path;
    RgbImage expected;
};

WrittenFile WriteAs(const TempDir& dir, Format format, const std::string& name) {
    const TDIB picture = MakePhotoLike(37, 23, 11);
    const std::string path = dir.file(name);
    WrittenFile written{path, {}};
    switch (format) {
        case Format::BMP:
            picture.SaveToFile(path);
            written.expected = ToRgb(picture);
            break;
        case Format::JPEG: {
            TJPEGPicture jpeg;
            jpeg.Assign(picture);
            const auto bytes = jpeg.SaveToBytes();
            WriteBytes(path, bytes);
            written.expected = ToRgb(DecodeJPEG(bytes.data(), bytes.size(), {}));
            break;
        }
        case Format::GIF: {
            TGIFPicture gif;
            gif.Assign(picture);
            gif.SaveToFile(path);
            TDIB reduced(picture);
            reduced.SetPixelFormat(PixelFormat8Bit);
            written.expected = ToRgb(reduced);
            break;
        }
        case Format::PNG: {
            TPNGPicture png;
            png.Assign(picture);
            png.SaveToFile(path);
            written.expected = ToRgb(picture);
            break;
        }
    }
    return written;
}

struct NameCase {
    Format format;
    const char* name;
};

class LoaderByContent : public testing::TestWithParam<NameCase> {};

TEST_P(LoaderByContent, LoadsWhateverTheNameSays) {
    TempDir dir;
    const WrittenFile file = WriteAs(dir, GetParam().format, GetParam().name);
    TDIB target;
    ASSERT_TRUE(LoadPictureFile(file.path, target));
    EXPECT_EQ(target.PixelFormat(), PixelFormat24Bit);
    EXPECT_EQ(CountDifferences(ToRgb(target), file.expected), 0);
}

std::vector<NameCase> NameCases() {
    std::vector<NameCase> cases;
    for (Format f : {Format::BMP, Format::JPEG, Format::GIF, Format::PNG})
        for (const char* name :
             {"picture.bmp", "picture.jpg", "picture.gif", "picture.png", "picture.wmf", "picture"})
            cases.push_back({f, name});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Loader, LoaderByContent, testing::ValuesIn(NameCases()),
                         [](const testing::TestParamInfo<NameCase>& info) {
                             std::string name = std::string(FormatName(info.param.format)) +
                                                "Named_" + info.param.name;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

struct RefusedCase {
    const char* name;
    std::vector<std::uint8_t> bytes;  // written to a file; "folder" and "missing" are special
};

class LoaderRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(LoaderRefuses, AndLeavesTheTargetAsItWas) {
    TempDir dir;
    const std::string path = dir.file("file");
    const std::string name = GetParam().name;
    if (name == "Folder")
        ::mkdir(path.c_str(), 0700);
    else if (name != "Missing")
        WriteBytes(path, GetParam().bytes);
    const TDIB before = MakePhotoLike(5, 4);
    TDIB target(before);
    EXPECT_FALSE(LoadPictureFile(path, target));
    EXPECT_TRUE(target.SharesStoreWith(before));
}

std::vector<RefusedCase> RefusedCases() {
    std::vector<std::uint8_t> cutPng = BuildPng({MakeChunk("IHDR", IhdrData(4, 4, 8, 2))});
    std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o', '\n'};
    std::vector<std::uint8_t> bmpHeaderOnly = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    return {{"Missing", {}},
            {"Folder", {}},
            {"Empty", {}},
            {"Text", text},
            {"CutPng", cutPng},
            {"BmpHeaderOnly", bmpHeaderOnly},
            {"JpegMarkerOnly", {0xFF, 0xD8, 0xFF}}};
}

INSTANTIATE_TEST_SUITE_P(Loader, LoaderRefuses, testing::ValuesIn(RefusedCases()), NameOfParam());

TEST(Loader, RegisteredClassesAreFoundByExtensionInAnyCase) {
    struct Case {
        const char* name;
        PictureClass expected;
    };
    for (const Case c :
         {Case{"a.JPEG", PictureClass::JPEG}, Case{"a.jpg", PictureClass::JPEG},
          Case{"a.png", PictureClass::PNG}, Case{"a.Gif", PictureClass::GIF},
          Case{"a.DIB", PictureClass::DIB}, Case{"a.bmp", PictureClass::Bitmap},
          Case{"a.ico", PictureClass::Icon}, Case{"a.Emf", PictureClass::Metafile}}) {
        const PictureRegistration* r = RegistrationForName(c.name);
        ASSERT_NE(r, nullptr) << c.name;
        EXPECT_EQ(r->pictureClass, c.expected) << c.name;
    }
    EXPECT_EQ(RegistrationForName("a.tiff"), nullptr);
    EXPECT_EQ(RegistrationForName("a"), nullptr);
}

TEST(Loader, MetafileExtensionsAreWmfAndEmfInAnyCase) {
    for (const char* name : {"a.wmf", "a.WMF", "a.Emf", "/x.y/a.emf", "a.b.wmf"})
        EXPECT_TRUE(HasMetafileExtension(name)) << name;
    for (const char* name : {"a.bin", "wmf", "a.wmf.png", "a.wmfx", "/x.wmf/a", "a.", ""})
        EXPECT_FALSE(HasMetafileExtension(name)) << name;
}

// A metafile is offered to the metafile reader only under its own
// extensions: renamed it is refused. It loads at the size the renderer
// draws it (the renderer decides what it can read).
TEST(Loader, MetafilesLoadOnlyUnderTheirExtensions) {
    SKIP_WITHOUT_SHARED_TESTDATA();
    const std::vector<std::string> files =
        ListFiles(SharedTestdataPath("metafile"), {".wmf", ".emf"});
    ASSERT_FALSE(files.empty());
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
        TDIB asMetafile, renamed;
        const bool loaded = LoadPictureBytes(SharedBytes(bytes), path, asMetafile);
        EXPECT_FALSE(LoadPictureBytes(SharedBytes(bytes), path + ".bin", renamed));
        DecodedPicture drawn;
        bool renders = true;
        try {
            RenderMetafile(
                bytes.data(), bytes.size(),
                path.substr(path.size() - 3) == "emf" ? MetafileKind::EMF : MetafileKind::WMF,
                drawn);
        } catch (const std::exception&) {
            renders = false;
        }
        EXPECT_EQ(loaded, renders);
        if (loaded && renders) {
            EXPECT_EQ(asMetafile.Width(), drawn.width);
            EXPECT_EQ(asMetafile.Height(), drawn.height);
            EXPECT_EQ(asMetafile.PixelFormat(), PixelFormat24Bit);
        }
    }
}

// Loading a file (which skips reading into memory what no reader there
// could take) gives what the chain gives over the file's bytes.
TEST(Loader, FileAndBytesGiveTheSameResult) {
    std::vector<std::string> files = ListFiles(TestDataPath("pngsuite"), {".png"});
    if (HaveSharedTestdata()) {
        for (const char* folder : {"gif", "jpeg", "bmpsuite", "bmp-extra", "png-extra"}) {
            const auto more = ListFiles(SharedTestdataPath(folder));
            files.insert(files.end(), more.begin(), more.end());
        }
    }
    // A machine of 1 GB: a damaged file that declares a giant picture is
    // refused at once by both ways alike (the decoding tests read it).
    const FakeSystemMemory memory(1024 * kMB);
    int loaded = 0;
    for (const std::string& path : files) {
        TDIB fromFile, fromBytes;
        const bool fileLoads = LoadPictureFile(path, fromFile);
        const bool bytesLoad = LoadPictureBytes(SharedBytes(ReadWholeFile(path)), path, fromBytes);
        ASSERT_EQ(fileLoads, bytesLoad) << path;
        if (!fileLoads) continue;
        ++loaded;
        EXPECT_EQ(CountDifferences(ToRgb(fromFile), ToRgb(fromBytes)), 0) << path;
    }
    EXPECT_GT(loaded, 150);
}

// The decoded rows become the pixel buffer's own, without a copy.
TEST(Loader, DecodedRowsAreTakenOverWithoutACopy) {
    TJPEGPicture jpeg;
    jpeg.Assign(MakePhotoLike(32, 16));
    jpeg.LoadFromBytes(SharedBytes(jpeg.SaveToBytes()));
    DecodedPicture decoded = jpeg.TakeBitmap();
    const std::uint8_t* rows = decoded.bits.data();
    TDIB dib;
    dib.Assign(std::move(decoded));
    EXPECT_EQ(dib.Bits(), rows);
}

}  // namespace
