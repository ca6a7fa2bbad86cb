// The BMP Suite (tests/data/bmpsuite) and the extra BMP set of the shared
// suites: good files load and match Pillow's reading pixel for pixel; bad and
// questionable ones load or are refused with the buffer's own errors, and
// none may crash (the sanitizer build runs these too).

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "picture/dib.h"
#include "tests/support/test_support.h"

namespace {

std::string BaseName(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

// Loads a BMP and widens it to 24 bits; the outcome is "" on success or the
// error's message. Only the buffer's own errors and the stream errors may
// come out: anything else fails the test.
std::string LoadOutcome(const std::string& path, TDIB& dib) {
    try {
        dib.LoadFromFile(path);
        dib.SetPixelFormat(PixelFormat24Bit);
        return "";
    } catch (const EDIBError& e) {
        return e.what();
    } catch (const EReadError& e) {
        return e.what();
    } catch (const EOutOfMemory& e) {
        return e.what();
    }
}

// The good files this reader refuses by design: it reads 40- and 12-byte
// headers only.
const std::map<std::string, std::string> kRefusedGoodFiles = {
    {"pal8v4.bmp", "TInternalDIB.LoadFromStream: Invalid Bitmap Header Size"},
    {"pal8v5.bmp", "TInternalDIB.LoadFromStream: Invalid Bitmap Header Size"},
};

// Pillow 9.4 misreads absolute runs of 4-bit RLE; pal4rle.bmp is pal4.bmp
// compressed, so its reference is Pillow's reading of pal4.bmp. Pillow 9.4
// does not read the unusual masks of rgb32bf.bmp, which holds rgb24.bmp's picture.
const std::map<std::string, std::string> kReferenceStandIns = {{"pal4rle.bmp", "pal4.bmp"},
                                                               {"rgb32bf.bmp", "rgb24.bmp"}};

void ExpectSamePixels(const TDIB& dib, const RgbImage& reference, const std::string& name) {
    ASSERT_EQ(dib.Width(), reference.width) << name;
    ASSERT_EQ(dib.Height(), reference.height) << name;
    int mismatches = 0;
    for (int y = 0; y < reference.height && mismatches < 5; ++y) {
        for (int x = 0; x < reference.width && mismatches < 5; ++x) {
            const std::size_t i = (static_cast<std::size_t>(y) * reference.width + x) * 3;
            const int expected =
                reference.rgb[i] | reference.rgb[i + 1] << 8 | reference.rgb[i + 2] << 16;
            if (dib.GetPixels(x, y) != expected) {
                ++mismatches;
                ADD_FAILURE() << name << " at (" << x << ", " << y << "): " << std::hex
                              << dib.GetPixels(x, y) << " instead of " << expected;
            }
        }
    }
}

TEST(BmpSuite, GoodFilesLoadAndMatchPillow) {
    const std::vector<std::string> files = ListFiles(TestDataPath("bmpsuite/g"), {".bmp"});
    ASSERT_EQ(files.size(), 27u);
    std::vector<std::string> referenceFiles;
    for (const std::string& file : files) {
        const auto standIn = kReferenceStandIns.find(BaseName(file));
        referenceFiles.push_back(standIn == kReferenceStandIns.end()
                                     ? file
                                     : file.substr(0, file.find_last_of('/') + 1) +
                                           standIn->second);
    }
    std::vector<std::optional<RgbImage>> references(files.size());
    if (HavePillow()) references = PillowDecodeMany(referenceFiles);
    int compared = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = BaseName(files[i]);
        TDIB dib;
        const std::string outcome = LoadOutcome(files[i], dib);
        const auto refused = kRefusedGoodFiles.find(name);
        if (refused != kRefusedGoodFiles.end()) {
            EXPECT_EQ(outcome, refused->second) << name;
            continue;
        }
        ASSERT_EQ(outcome, "") << name;
        EXPECT_EQ(dib.PixelFormat(), PixelFormat24Bit);
        if (references[i]) {
            ExpectSamePixels(dib, *references[i], name);
            ++compared;
        }
    }
    if (!HavePillow())
        GTEST_SKIP() << "loaded every file; Pillow (python3-pil) is absent, nothing compared";
    EXPECT_EQ(compared, 25);
}

// Every questionable or bad file either loads or is refused with the
// buffer's own error; the table records which, so a change of behaviour on
// any file shows up.
TEST(BmpSuite, QuestionableAndBadFilesLoadOrAreRefused) {
    const std::map<std::string, std::string> expected = {
        // Bad files.
        {"b/badbitcount.bmp", "TInternalDIB.LoadFromStream: Invalid BitCout"},
        {"b/badbitssize.bmp", ""},
        {"b/baddens1.bmp", ""},
        {"b/baddens2.bmp", ""},
        {"b/badfilesize.bmp", "Stream read error"},
        {"b/badheadersize.bmp", "TInternalDIB.LoadFromStream: Invalid Bitmap Header Size"},
        {"b/badpalettesize.bmp", "Stream read error"},
        {"b/badplanes.bmp", ""},
        {"b/badrle.bmp", "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {"b/badrle4.bmp", "Convert4BitRLETo4BitRGB: Bad RLE Data 8"},
        {"b/badrle4bis.bmp", "Convert4BitRLETo4BitRGB: Bad RLE Data 6"},
        {"b/badrle4ter.bmp", "Convert4BitRLETo4BitRGB: Bad RLE Data 6"},
        {"b/badrlebis.bmp", "Convert8BitRLETo8BitRGB: Bad RLE Data 2"},
        {"b/badrleter.bmp", "Convert8BitRLETo8BitRGB: Bad RLE Data 2"},
        {"b/badwidth.bmp", "TInternalDIB.LoadFromStream: Invalid Width or Height"},
        {"b/pal8badindex.bmp", ""},
        {"b/reallybig.bmp", "TInternalDIB.LoadFromStream: Pixel data is shorter than the image"},
        {"b/rgb16-880.bmp", "TInternalDIB.LoadFromStream: Invalid Masks"},  // blue mask 0
        {"b/rletopdown.bmp", ""},
        {"b/shortfile.bmp", "Stream read error"},
    };
    const std::vector<std::string> files = ListFiles(TestDataPath("bmpsuite"), {".bmp"});
    int checked = 0;
    for (const std::string& file : files) {
        const std::string relative = file.substr(TestDataPath("bmpsuite/").size());
        if (relative.rfind("g/", 0) == 0) continue;
        TDIB dib;
        const std::string outcome = LoadOutcome(file, dib);
        const auto entry = expected.find(relative);
        if (entry != expected.end()) {
            EXPECT_EQ(outcome, entry->second) << relative;
            ++checked;
        }
        if (outcome.empty()) {
            // A loaded picture is whole: every pixel can be read.
            for (int y = 0; y < dib.Height(); y += 7)
                for (int x = 0; x < dib.Width(); x += 7) dib.GetPixels(x, y);
        }
    }
    EXPECT_EQ(checked, static_cast<int>(expected.size()));
}

TEST(BmpSuite, SharedExtraFilesLoadOrAreRefused) {
    SKIP_WITHOUT_SHARED_TESTDATA();
    const std::vector<std::string> files = ListFiles(SharedTestdataPath("bmp-extra"), {".bmp"});
    ASSERT_FALSE(files.empty());
    std::vector<std::string> plain;
    for (const std::string& file : files) {
        TDIB dib;
        const std::string outcome = LoadOutcome(file, dib);
        if (outcome.empty() && file.find("/bad/") == std::string::npos) plain.push_back(file);
    }
    // Whatever loads matches Pillow where Pillow reads it.
    if (!HavePillow()) return;
    const auto references = PillowDecodeMany(plain);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        if (!references[i]) continue;
        TDIB dib;
        ASSERT_EQ(LoadOutcome(plain[i], dib), "");
        ExpectSamePixels(dib, *references[i], plain[i]);
    }
}

}  // namespace
