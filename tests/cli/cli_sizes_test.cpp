// Sizes given by an edge or capped by --no-enlarge write the same bytes as
// the options they stand for, and --auto-orient turns a phone's photo
// upright before it is scaled. The built binary is run as a user runs it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "picture/jpeg/jpeg_picture.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/exif_builders.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A smooth picture with detail, as a photo has, so that every resampling
// difference shows in the output.
int photoLike(int x, int y) {
    const int r = (x * 255 / 4000 + (x * y) % 37) & 0xFF;
    const int g = (y * 255 / 3000 + (x ^ y) % 23) & 0xFF;
    const int b = ((x + y) * 3 + (x * 7 + y * 13) % 29) & 0xFF;
    return r | g << 8 | b << 16;
}

class SizeOptions : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempDir;
        TJPEGPicture jpeg;
        jpeg.Assign(MakePicture24(4000, 3000, photoLike));
        jpeg.SaveToFile(folder->file("photo.jpg"));
        WriteTestPicture(folder->file("vga.bmp"), 640, 480, 1);
        WriteTestPicture(folder->file("strip.bmp"), 1000, 300, 2);
        WriteTestPicture(folder->file("small.bmp"), 90, 60, 3);
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }

    static Bytes output(const std::string& args, const std::string& source,
                        const std::string& name) {
        const CommandResult r = RunCli(*folder, "-q -y " + args + " -o " + name + " " + source);
        EXPECT_EQ(r.status, 0) << args << "\n" << r.output;
        return ReadBytes(folder->file(name));
    }

    static TempDir* folder;
};

TempDir* SizeOptions::folder = nullptr;

struct SameBytesCase {
    const char* name;
    std::string source;
    std::string args, sameAs;
    std::string outputName;  // the format by its extension
};

void PrintTo(const SameBytesCase& c, std::ostream* os) {
    *os << c.name;
}

class SameBytes : public SizeOptions, public ::testing::WithParamInterface<SameBytesCase> {};

TEST_P(SameBytes, AsTheOptionsTheyStandFor) {
    const SameBytesCase& c = GetParam();
    const Bytes a = output(c.args, c.source, "a" + c.outputName);
    const Bytes b = output(c.sameAs, c.source, "b" + c.outputName);
    ASSERT_FALSE(a.empty());
    EXPECT_TRUE(a == b) << c.args << " and " << c.sameAs << " differ";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SameBytes,
    ::testing::Values(SameBytesCase{"LongEdgeOfAPhoto", "photo.jpg", "--long-edge 800",
                                    "--pixels 800,800", ".jpg"},
                      SameBytesCase{"ShortEdgeOfAPhoto", "photo.jpg", "--short-edge 600",
                                    "--pixels 800,600", ".jpg"},
                      SameBytesCase{"LongEdgeTurned", "strip.bmp", "--long-edge 240 -r left",
                                    "-x 240,240 -r left", ".bmp"},
                      SameBytesCase{"ShortEdgeWithToneAndSelection", "strip.bmp",
                                    "--short-edge 50 -c 4 -b -3 --select 100,20,299,119",
                                    "-x 100,50 -c 4 -b -3 --select 100,20,299,119", ".png"},
                      SameBytesCase{"NoEnlargeKeepsAFittingPicture", "vga.bmp",
                                    "--long-edge 800 --no-enlarge", "-p 100", ".bmp"},
                      SameBytesCase{"NoEnlargeCapsPercent", "small.bmp", "-p 150,70 --no-enlarge",
                                    "-p 100,70", ".bmp"},
                      SameBytesCase{"NoEnlargeCapsAnUnlockedSide", "strip.bmp",
                                    "-x 640,480 --no-lock --no-enlarge", "-x 640,300 --no-lock",
                                    ".bmp"},
                      SameBytesCase{"NoEnlargeStillReduces", "strip.bmp",
                                    "--long-edge 500 --no-enlarge", "--long-edge 500", ".gif"}),
    NameOfParam());

TEST_F(SizeOptions, TheLongEdgeOfAPhotoIsWhatWasAskedFor) {
    const CommandResult r = RunCli(*folder, "-q -y --long-edge 800 -o sized.jpg photo.jpg");
    EXPECT_TRUE(Contains(r.output, "photo.jpg -> sized.jpg (800x600)")) << r.output;
}

// ------------------------------------------------------------ orientation

// The upright picture: 64 x 48 in four quarters of different colours, so
// that each of the eight orientations puts them somewhere else.
constexpr int kWide = 64, kHigh = 48;
const int kQuarters[2][2] = {{0x0000FF, 0x00FF00}, {0xFF0000, 0xFFFFFF}};  // [bottom][right]

int upright(int x, int y) {
    return kQuarters[y >= kHigh / 2][x >= kWide / 2];
}

// The picture as a camera holding it some way round stores it.
TDIB storedAs(int orientation) {
    const bool quarter = orientation >= 5;
    const int w = quarter ? kHigh : kWide, h = quarter ? kWide : kHigh;
    return MakePicture(w, h, [&](int x, int y) {
        const auto [ux, uy] = SeenAt(orientation, x, y, w, h);
        return upright(ux, uy);
    });
}

// Each channel within `tolerance` of the colour's: JPEG keeps flat
// quarters close to their colour.
bool near(int colour, int expected, int tolerance = 24) {
    for (int shift : {0, 8, 16})
        if (std::abs(((colour >> shift) & 0xFF) - ((expected >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

class Orientations : public ::testing::TestWithParam<int> {};

TEST_P(Orientations, ComeOutUpright) {
    const int orientation = GetParam();
    TempDir dir;
    const Bytes tagged = JpegWithOrientation(storedAs(orientation), orientation, orientation % 2);
    WriteBytes(dir.file("phone.jpg"), tagged);

    CommandResult r = RunCli(dir, "-q --auto-orient -p 200 -o turned.bmp phone.jpg");
    ASSERT_EQ(r.status, 0) << r.output;
    TDIB turned;
    turned.LoadFromFile(dir.file("turned.bmp"));
    ASSERT_EQ(turned.Width(), 2 * kWide);
    ASSERT_EQ(turned.Height(), 2 * kHigh);
    for (int qy = 0; qy < 2; ++qy)
        for (int qx = 0; qx < 2; ++qx) {
            const int x = (2 * qx + 1) * kWide / 2, y = (2 * qy + 1) * kHigh / 2;
            EXPECT_TRUE(near(turned.GetPixels(x, y), kQuarters[qy][qx]))
                << "quarter " << qx << "," << qy << " holds " << std::hex << turned.GetPixels(x, y);
        }

    // Byte for byte what the same run makes of the decoded pixels stood
    // upright beforehand, here in the test.
    TJPEGPicture jpeg;
    jpeg.LoadFromBytes(std::make_shared<const Bytes>(tagged));
    TDIB stored;
    stored.Assign(jpeg.TakeBitmap());
    stored.SetPixelFormat(PixelFormat24Bit);
    const int w = stored.Width(), h = stored.Height();
    TDIB stood = BlankTrueColour(orientation >= 5 ? h : w, orientation >= 5 ? w : h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const auto [ux, uy] = SeenAt(orientation, x, y, w, h);
            stood.SetPixels(ux, uy, stored.GetPixels(x, y));
        }
    stood.SaveToFile(dir.file("stood.bmp"));
    const std::string settings = "-q -x 90,40 -r right -c 3 --select 5,3,60,44 -t png";
    r = RunCli(dir, settings + " --auto-orient phone.jpg && " + ShellQuote(SKALOMI_CLI_PATH) + " " +
                        settings + " stood.bmp");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(ReadBytes(dir.file("phone_ks.png")) == ReadBytes(dir.file("stood_ks.png")));

    // The plan says the upright size.
    r = RunCli(dir, "-n -y --auto-orient -p 50 phone.jpg");
    EXPECT_EQ(r.output, "phone.jpg -> phone_ks.jpg (64x48 -> 32x24)\n");
}

TEST_P(Orientations, WithoutTheOptionNothingChanges) {
    const int orientation = GetParam();
    TempDir dir;
    const TDIB stored = storedAs(orientation);
    WriteBytes(dir.file("tagged.jpg"), JpegWithOrientation(stored, orientation));
    TJPEGPicture plain;
    plain.Assign(stored);
    plain.SaveToFile(dir.file("plain.jpg"));
    const CommandResult r = RunCli(dir, "-q -p 75 -t bmp tagged.jpg plain.jpg");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(ReadBytes(dir.file("tagged_ks.bmp")) == ReadBytes(dir.file("plain_ks.bmp")));
}

// Photos tagged by another program, turned as Pillow turns them.
TEST(AutoOrient, SuitePhotosStandAsPillowStandsThem) {
    SKIP_WITHOUT_SHARED_TESTDATA();
    SKIP_WITHOUT_PILLOW();
    TempDir dir;
    std::string pairs;
    for (int orientation = 2; orientation <= 8; ++orientation) {
        const std::string name = "hopper_orientation_" + std::to_string(orientation);
        const std::string source = SharedTestdataPath("jpeg/pillow/" + name + ".jpg");
        const CommandResult r =
            RunCli(dir, "-q --auto-orient -p 100 -t png -d . " + ShellQuote(source));
        ASSERT_EQ(r.status, 0) << r.output;
        pairs += " " + ShellQuote(source) + " " + ShellQuote(dir.file(name + "_ks.png"));
    }
    const CommandResult compared = RunCommand(PillowScriptCommand("pil_exif_upright.py") + pairs);
    ASSERT_EQ(compared.status, 0) << compared.output;
    // float and integer DCT decoders round up to a few levels apart.
    std::size_t start = 0;
    int lines = 0;
    while (start < compared.output.size()) {
        const std::size_t end = compared.output.find('\n', start);
        const std::string line = compared.output.substr(start, end - start);
        const std::size_t at = line.find(" differs by ");
        ASSERT_NE(at, std::string::npos) << line;
        EXPECT_LE(std::stoi(line.substr(at + 12)), 4) << line;
        EXPECT_EQ(line.substr(0, 2), std::to_string(lines + 2) + " ") << line;
        ++lines;
        start = end + 1;
    }
    EXPECT_EQ(lines, 7) << compared.output;
}

INSTANTIATE_TEST_SUITE_P(Values, Orientations, ::testing::Range(1, 9),
                         [](const testing::TestParamInfo<int>& info) {
                             return "Orientation" + std::to_string(info.param);
                         });

}  // namespace
