// JPEG decoding against djpeg, encoding against cjpeg (libjpeg-turbo-progs,
// the same library driven by programs no one here wrote), the error and
// warning rules, CMYK conversion and the limits on damaged files.

#include "picture/jpeg/jpeg_picture.h"

#include <gtest/gtest.h>
#include <jerror.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "picture/errors.h"
#include "picture/jpeg/jpeg_glue.h"
#include "picture/picture_loader.h"
#include "picture/system/file_io.h"
#include "tests/picture/format_test_helpers.h"
#include "tests/support/fake_system_memory.h"

namespace {

bool HaveLibjpegTools() {
    return RunCommand("djpeg -version").status != 127;
}

// A PPM (P6) or PGM (P5) file as RGB.
std::optional<RgbImage> ParseNetpbm(const std::vector<std::uint8_t>& bytes) {
    // The header is text: magic, width, height, maximum value, one blank.
    std::size_t at = 0;
    auto field = [&]() {
        while (at < bytes.size() && std::isspace(bytes[at])) ++at;
        std::string text;
        while (at < bytes.size() && !std::isspace(bytes[at]))
            text += static_cast<char>(bytes[at++]);
        return text;
    };
    const std::string magic = field();
    const int width = std::atoi(field().c_str());
    const int height = std::atoi(field().c_str());
    const int maxValue = std::atoi(field().c_str());
    ++at;
    if ((magic != "P6" && magic != "P5") || maxValue != 255) return std::nullopt;
    const std::size_t channels = magic == "P6" ? 3 : 1;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (bytes.size() < at + pixels * channels) return std::nullopt;
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(pixels * 3);
    const std::uint8_t* in = bytes.data() + at;
    std::uint8_t* out = image.rgb.data();
    for (std::size_t i = 0; i < pixels; ++i, in += channels, out += 3) {
        out[0] = in[0];
        out[1] = in[channels == 3 ? 1 : 0];
        out[2] = in[channels == 3 ? 2 : 0];
    }
    return image;
}

std::string DecodeError(const std::vector<std::uint8_t>& bytes, const ReaderLimits& limits = {}) {
    try {
        DecodeJPEG(bytes.data(), bytes.size(), limits);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

// ------------------------------------------------------- making test files

std::vector<std::uint8_t> EncodeOurs(const TDIB& picture) {
    TJPEGPicture jpeg;
    jpeg.Assign(picture);
    return jpeg.SaveToBytes();
}

// ---------------------------------------------------------------- decoding

// Every JPEG of the suites: where djpeg reads it, we read exactly what djpeg
// gives with the float DCT (greyscale through the 236-colour quantizer);
// where djpeg fails with an error, we refuse it. Only our own refusals
// (too large, too many scans, scan after scan of damaged data) may refuse
// what djpeg would read.
TEST(JpegSuites, DecodeExactlyAsDjpegOrAreRefusedWhereItFails) {
    SKIP_WITHOUT_SHARED_TESTDATA();
    if (!HaveLibjpegTools()) GTEST_SKIP() << "libjpeg-turbo-progs is not installed";
    const std::vector<std::string> files =
        ListFiles(SharedTestdataPath("jpeg"), {".jpg", ".jpeg", ".mpo"});
    ASSERT_GT(files.size(), 150u);

    // On a machine of 1 GB, whatever the machine running the test: a damaged
    // file that declares a giant picture is refused at once, as it is there.
    const FakeSystemMemory memory(1024 * kMB);
    std::vector<std::optional<DecodedPicture>> ours(files.size());
    std::vector<bool> onPurpose(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(files[i]);
        try {
            ours[i] = DecodeJPEG(bytes.data(), bytes.size(), {});
        } catch (const EJPEG& e) {
            onPurpose[i] = e.Code() < 0;
        } catch (const EOutOfMemory&) {
            onPurpose[i] = true;  // whatever djpeg would make of it in time
        }
    }
    // djpeg over all files in one shell, keeping each exit status (1 is an
    // error; 2 means it only warned).
    TempDir dir;
    std::string script;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (onPurpose[i]) continue;
        const std::string out = dir.file(std::to_string(i));
        script += std::string("djpeg -dct float ") +
                  (ours[i] && ours[i]->depth == 8 ? "-colors 236 " : "") + "-outfile " +
                  ShellQuote(out + ".pnm") + " " + ShellQuote(files[i]) +
                  " 2>/dev/null; echo $? > " + ShellQuote(out + ".status") + "\n";
    }
    WriteBytes(dir.file("run.sh"), std::vector<std::uint8_t>(script.begin(), script.end()));
    RunCommand("sh " + ShellQuote(dir.file("run.sh")));

    int loaded = 0, refused = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        if (onPurpose[i]) {
            ++refused;
            continue;
        }
        const std::string out = dir.file(std::to_string(i));
        const std::vector<std::uint8_t> status = ReadWholeFile(out + ".status");
        ASSERT_FALSE(status.empty());
        const bool djpegReads = status[0] != '1';
        if (!ours[i]) {
            EXPECT_FALSE(djpegReads) << "djpeg reads what we refuse";
            ++refused;
            continue;
        }
        ++loaded;
        ASSERT_TRUE(djpegReads) << "we read what djpeg refuses";
        const auto theirs = ParseNetpbm(ReadWholeFile(out + ".pnm"));
        ASSERT_TRUE(theirs);
        EXPECT_EQ(CountDifferences(ToRgb(*ours[i]), *theirs), 0);
    }
    EXPECT_GT(loaded, 90);
    EXPECT_GT(refused, 20);
}

TEST(JpegDecoding, FailsWithLibjpegsMessageCode) {
    const std::vector<std::uint8_t> notJpeg = {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'};
    try {
        DecodeJPEG(notJpeg.data(), notJpeg.size(), {});
        FAIL() << "decoded garbage";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Code(), JERR_NO_SOI);
        EXPECT_EQ(std::string(e.what()), "JPEG エラー #" + std::to_string(JERR_NO_SOI));
    }
}

// A file cut short still decodes: libjpeg only warns, and warnings are not
// errors. A file cut inside its header is refused.
TEST(JpegDecoding, CutFileLoadsWithWarningsAndCutHeaderIsRefused) {
    const std::vector<std::uint8_t> whole = EncodeOurs(MakePhotoLike(64, 48));
    const std::vector<std::uint8_t> cut(
        whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 6 / 10));
    EXPECT_EQ(DecodeError(cut), "");
    const std::vector<std::uint8_t> header(whole.begin(), whole.begin() + 100);
    EXPECT_EQ(DecodeError(header), "JPEG エラー #" + std::to_string(JERR_NO_IMAGE));
}

TEST(JpegDecoding, GreyscaleGoesThroughTheQuantizerIntoEightBits) {
    EncodeRequest grey;
    grey.components = 1;
    grey.space = JCS_GRAYSCALE;
    grey.width = 40;
    grey.height = 8;
    for (int i = 0; i < 320; ++i) grey.samples.push_back(static_cast<std::uint8_t>(i * 255 / 319));
    const auto bytes = EncodeWithLibjpeg(grey);
    const DecodedPicture p = DecodeJPEG(bytes.data(), bytes.size(), {});
    EXPECT_EQ(p.depth, 8);
    EXPECT_LE(p.colors.size(), 236u);
    EXPECT_GT(p.colors.size(), 200u);
    for (const RGBQuad& c : p.colors)
        EXPECT_TRUE(c.rgbRed == c.rgbGreen && c.rgbGreen == c.rgbBlue);
}

// Inks as libjpeg returns them: Adobe's files store 255 - ink, others the
// ink itself. Flat blocks at quality 100 come back within a step or two.
struct InkCase {
    const char* name;
    bool adobe;
    std::uint8_t c, m, y, k;
    int red, green, blue;
};

class JpegInks : public testing::TestWithParam<InkCase> {};

TEST_P(JpegInks, AreTurnedIntoColours) {
    const InkCase ink = GetParam();
    EncodeRequest request;
    request.components = 4;
    request.space = JCS_CMYK;
    request.adobeMarker = ink.adobe;
    for (int i = 0; i < 16 * 16; ++i)
        request.samples.insert(request.samples.end(), {ink.c, ink.m, ink.y, ink.k});
    const auto bytes = EncodeWithLibjpeg(request);
    const RgbImage rgb = ToRgb(DecodeJPEG(bytes.data(), bytes.size(), {}));
    EXPECT_NEAR(rgb.rgb[0], ink.red, 2);
    EXPECT_NEAR(rgb.rgb[1], ink.green, 2);
    EXPECT_NEAR(rgb.rgb[2], ink.blue, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Jpeg, JpegInks,
    testing::Values(InkCase{"AdobePaper", true, 255, 255, 255, 255, 255, 255, 255},
                    InkCase{"AdobeFullBlack", true, 255, 255, 255, 0, 0, 0, 0},
                    InkCase{"AdobeCyan", true, 0, 255, 255, 255, 0, 255, 255},
                    InkCase{"AdobeHalfTones", true, 128, 64, 255, 200, 100, 50, 200},
                    InkCase{"PlainPaper", false, 0, 0, 0, 0, 255, 255, 255},
                    InkCase{"PlainMagentaHalfBlack", false, 0, 255, 0, 128, 127, 0, 127}),
    NameOfParam());

TEST(JpegDecoding, DeclaredSizeBeyondTheLimitIsRefusedBeforeDecoding) {
    ReaderLimits limits;
    limits.maxPictureBytes = std::size_t{64} << 20;
    const auto baseline = WithDeclaredSize(EncodeOurs(MakePhotoLike(16, 16)), 65000, 65000);
    EXPECT_THROW(DecodeJPEG(baseline.data(), baseline.size(), limits), EOutOfMemory);
    // A progressive file also keeps every coefficient while it decodes:
    // 4000 x 4000 fits the limit as a picture, not with its coefficients
    // (four components at full resolution, two bytes each).
    EncodeRequest progressive;
    progressive.components = 4;
    progressive.space = JCS_CMYK;
    progressive.samples.assign(16 * 16 * 4, 90);
    progressive.progressive = true;
    const auto big = WithDeclaredSize(EncodeWithLibjpeg(progressive), 4000, 4000);
    ReaderLimits picturesOnly;
    picturesOnly.maxPictureBytes = std::size_t{50} << 20;
    EXPECT_THROW(DecodeJPEG(big.data(), big.size(), picturesOnly), EOutOfMemory);
}

// A progressive file rereads all its coefficients for every scan; one with
// thousands of scans is refused instead of keeping the decoder busy.
TEST(JpegDecoding, FileWithThousandsOfScansIsRefused) {
    EncodeRequest request;
    request.samples.assign(16 * 16 * 3, 120);
    request.progressive = true;
    std::vector<std::uint8_t> file = EncodeWithLibjpeg(request);
    // Repeat the last scan (from its SOS marker to the EOI) 1200 times.
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xDA) lastScan = i;
    ASSERT_GT(lastScan, 0u);
    const std::vector<std::uint8_t> scan(file.begin() + static_cast<std::ptrdiff_t>(lastScan),
                                         file.end() - 2);
    file.resize(file.size() - 2);
    for (int i = 0; i < 1200; ++i) file.insert(file.end(), scan.begin(), scan.end());
    file.insert(file.end(), {0xFF, 0xD9});
    EXPECT_EQ(DecodeError(file), "JPEG: too many scans");
}

// ---------------------------------------------------------------- encoding

// Our file is byte for byte what cjpeg makes of the same pixels with the
// float DCT at quality 90 with baseline tables: the settings are exactly
// libjpeg's defaults plus those three.
TEST(JpegEncoding, IsExactlyCjpegWithFloatDctQuality90Baseline) {
    if (!HaveLibjpegTools()) GTEST_SKIP() << "libjpeg-turbo-progs is not installed";
    for (auto [w, h] :
         {std::pair<int, int>{227, 149}, std::pair<int, int>{1, 1}, std::pair<int, int>{17, 300}}) {
        const TDIB picture = MakePhotoLike(w, h, static_cast<std::uint32_t>(w));
        const RgbImage rgb = ToRgb(picture);
        TempDir dir;
        std::vector<std::uint8_t> ppm;
        const std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
        ppm.insert(ppm.end(), header.begin(), header.end());
        ppm.insert(ppm.end(), rgb.rgb.begin(), rgb.rgb.end());
        WriteBytes(dir.file("in.ppm"), ppm);
        const CommandResult r =
            RunCommand("cjpeg -dct float -quality 90 -baseline -outfile " +
                       ShellQuote(dir.file("theirs.jpg")) + " " + ShellQuote(dir.file("in.ppm")));
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(EncodeOurs(picture), ReadWholeFile(dir.file("theirs.jpg"))) << w << "x" << h;
    }
}

TEST(JpegEncoding, IsBaselineWithQuality90Tables) {
    const std::vector<std::uint8_t> file = EncodeOurs(MakePhotoLike(40, 30));
    bool baselineFrame = false, progressiveFrame = false;
    std::vector<std::uint8_t> lumaTable;
    for (std::size_t i = 2; i + 4 < file.size(); ++i) {
        if (file[i] != 0xFF) continue;
        if (file[i + 1] == 0xC0) baselineFrame = true;
        if (file[i + 1] == 0xC2) progressiveFrame = true;
        if (file[i + 1] == 0xDB && lumaTable.empty())
            lumaTable.assign(file.begin() + i + 5, file.begin() + i + 5 + 64);
        if (file[i + 1] == 0xDA) break;
    }
    EXPECT_TRUE(baselineFrame);
    EXPECT_FALSE(progressiveFrame);
    // Quality 90 scales the standard tables to 20 %: 16 -> 3, 11 -> 2.
    ASSERT_EQ(lumaTable.size(), 64u);
    EXPECT_EQ(lumaTable[0], 3);
    EXPECT_EQ(lumaTable[1], 2);
}

TEST(JpegEncoding, NarrowerPicturesAreWidenedFirst) {
    TDIB indexed = MakePhotoLike(20, 10);
    indexed.SetPixelFormat(PixelFormat8Bit);
    TDIB widened(indexed);
    widened.SetPixelFormat(PixelFormat24Bit);
    EXPECT_EQ(EncodeOurs(indexed), EncodeOurs(widened));
    EXPECT_EQ(indexed.PixelFormat(), PixelFormat8Bit);
}

TEST(JpegEncoding, RoundTripStaysClose) {
    const TDIB picture = MakePhotoLike(64, 64, 4);
    const std::vector<std::uint8_t> file = EncodeOurs(picture);
    const RgbImage back = ToRgb(DecodeJPEG(file.data(), file.size(), {}));
    const RgbImage original = ToRgb(picture);
    ASSERT_EQ(back.rgb.size(), original.rgb.size());
    double error = 0;
    for (std::size_t i = 0; i < back.rgb.size(); ++i)
        error += std::abs(back.rgb[i] - original.rgb[i]);
    EXPECT_LT(error / static_cast<double>(back.rgb.size()), 4.0);
}

}  // namespace
