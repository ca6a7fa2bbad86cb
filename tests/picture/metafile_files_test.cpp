// The metafile renderer on whole files: the size each kind of metafile is
// drawn at, damaged files refused with a message naming the fault, and the
// public metafile suite drawn at its own size without a crash.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "picture/errors.h"
#include "picture/metafile/metafile_renderer.h"
#include "tests/picture/metafile_builder.h"
#include "tests/support/test_support.h"

using namespace metafile_test;

namespace {

struct SizeCase {
    const char* name;
    std::function<Bytes()> build;
    MetafileKind kind;
    std::int64_t width, height;
};

class MetafileSizeRule : public ::testing::TestWithParam<SizeCase> {};

TEST_P(MetafileSizeRule, MeasuredAndDrawnAtItsOwnSize) {
    const SizeCase& c = GetParam();
    const Bytes bytes = c.build();
    const MetafileSize size = MeasureMetafile(bytes.data(), bytes.size(), c.kind);
    EXPECT_EQ(size.width, c.width);
    EXPECT_EQ(size.height, c.height);
    DecodedPicture picture;
    RenderMetafile(bytes.data(), bytes.size(), c.kind, picture);
    EXPECT_EQ(picture.width, c.width);
    EXPECT_EQ(picture.height, c.height);
    EXPECT_EQ(picture.depth, 32);
}

INSTANTIATE_TEST_SUITE_P(
    Metafile, MetafileSizeRule,
    ::testing::Values(
        SizeCase{"PlaceableTwips", [] { return WmfBuilder(0, 0, 1440, 720, 1440).build(); },
                 MetafileKind::WMF, 96, 48},
        SizeCase{"PlaceableAroundOrigin",
                 [] { return WmfBuilder(-720, -360, 720, 360, 1440).build(); }, MetafileKind::WMF,
                 96, 48},
        SizeCase{"PlaceableRoundsHalfAway", [] { return WmfBuilder(0, 0, 15, 25, 10).build(); },
                 MetafileKind::WMF, 144, 240},
        SizeCase{"PlaceableTinyIsOnePixel", [] { return WmfBuilder(0, 0, 1, 1, 2540).build(); },
                 MetafileKind::WMF, 1, 1},
        SizeCase{"HeaderlessWindowInTwips",
                 [] { return WmfBuilder().windowOrg(0, 0).windowExt(1440, 720).build(); },
                 MetafileKind::WMF, 96, 48},
        SizeCase{"HeaderlessLoMetricWindow",
                 [] { return WmfBuilder().mapMode(2).windowExt(254, 127).build(); },
                 MetafileKind::WMF, 96, 48},
        SizeCase{"HeaderlessDrawingBox",
                 [] { return WmfBuilder().rectangle(0, 0, 50, 30).build(); }, MetafileKind::WMF, 51,
                 31},
        SizeCase{"EmfFrame", [] { return EmfBuilder(96, 48).build(); }, MetafileKind::EMF, 96, 48}),
    NameOfParam());

// Damaged files: each is refused with EInvalidGraphic, its message naming
// what is wrong.
struct DamageCase {
    const char* name;
    std::function<Bytes()> build;
    MetafileKind kind;
    const char* fault;
};

class DamagedMetafile : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedMetafile, IsRefusedNamingTheFault) {
    const DamageCase& c = GetParam();
    const Bytes bytes = c.build();
    DecodedPicture picture;
    picture.width = 7;  // a refusal leaves the target as it was
    try {
        RenderMetafile(bytes.data(), bytes.size(), c.kind, picture);
        FAIL() << "damaged metafile was drawn";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(std::string(e.what()).find(c.fault), std::string::npos) << e.what();
    }
    EXPECT_EQ(picture.width, 7);
}

Bytes cut(Bytes b, std::size_t keep) {
    b.resize(keep);
    return b;
}

Bytes patched32(Bytes b, std::size_t offset, std::uint32_t value) {
    putAt32(b, offset, value);
    return b;
}

// Offset of the first record after a placeable header and the WMF header.
constexpr std::size_t kFirstWmfRecord = 22 + 18;
// Offset of the first record after the EMF header of EmfBuilder.
constexpr std::size_t kFirstEmfRecord = 108;

const DamageCase kDamageCases[] = {
    DamageCase{"Empty", [] { return Bytes(); }, MetafileKind::WMF, "empty"},
    DamageCase{"NotAMetafile", [] { return Bytes(64, 0x41); }, MetafileKind::WMF,
               "not a Windows metafile"},
    DamageCase{"WmfCutInsideARecord",
               [] {
                   const Bytes b = WmfBuilder(0, 0, 96, 96, 96).rectangle(1, 1, 9, 9).build();
                   return cut(b, b.size() - 9);
               },
               MetafileKind::WMF, "runs past the end of the file"},
    DamageCase{"WmfCutInsideRecordHead",
               [] {
                   const Bytes b = WmfBuilder(0, 0, 96, 96, 96).rectangle(1, 1, 9, 9).build();
                   return cut(b, b.size() - 3);
               },
               MetafileKind::WMF, "ends inside a record"},
    DamageCase{"WmfRecordSizeBelowItsHead",
               [] {
                   return patched32(WmfBuilder(0, 0, 96, 96, 96).rectangle(1, 1, 9, 9).build(),
                                    kFirstWmfRecord, 2);
               },
               MetafileKind::WMF, "record size 2 is invalid"},
    DamageCase{"WmfPolygonCountPastRecord",
               [] {
                   return WmfBuilder(0, 0, 96, 96, 96).raw(0x0324, {50, 1, 1, 5, 5}).build();
               },
               MetafileKind::WMF, "0x0324"},
    DamageCase{"WmfTextLongerThanRecord",
               [] {
                   return WmfBuilder(0, 0, 96, 96, 96).raw(0x0521, {200, 0x4141, 5, 5}).build();
               },
               MetafileKind::WMF, "0x0521"},
    DamageCase{"EmfSignatureMissing", [] { return patched32(EmfBuilder(48, 48).build(), 40, 0); },
               MetafileKind::EMF, "signature"},
    DamageCase{"EmfHeaderSizeTooSmall", [] { return patched32(EmfBuilder(48, 48).build(), 4, 20); },
               MetafileKind::EMF, "header size"},
    DamageCase{"EmfDeviceSizeZero", [] { return patched32(EmfBuilder(48, 48).build(), 72, 0); },
               MetafileKind::EMF, "recording device"},
    DamageCase{"EmfRecordPastEnd",
               [] {
                   return patched32(EmfBuilder(48, 48).rectangle(1, 1, 9, 9).build(),
                                    kFirstEmfRecord + 4, 0x7FFFFFF0);
               },
               MetafileKind::EMF, "runs past the end of the file"},
    DamageCase{"EmfPolygonCountPastRecord",
               [] {
                   return patched32(EmfBuilder(48, 48).polygon({{1, 1}, {9, 1}, {9, 9}}).build(),
                                    kFirstEmfRecord + 24, 1000);
               },
               MetafileKind::EMF, "EMF record 3"},
    DamageCase{"EmfTextCountPastRecord",
               [] {
                   return patched32(EmfBuilder(48, 48).text(1, 1, u"abc").build(),
                                    kFirstEmfRecord + 44, 100000);
               },
               MetafileKind::EMF, "EMF record 84"},
    DamageCase{"EmfTruncated",
               [] {
                   const Bytes b = EmfBuilder(48, 48).rectangle(1, 1, 9, 9).build();
                   return cut(b, b.size() - 23);
               },
               MetafileKind::EMF, "EMF"},
};

INSTANTIATE_TEST_SUITE_P(Metafile, DamagedMetafile, ::testing::ValuesIn(kDamageCases),
                         NameOfParam());

TEST(MetafileFiles, PlaceableHeaderWithoutUnitsIsRefused) {
    Bytes b = WmfBuilder(0, 0, 10, 10, 1).build();
    b[14] = b[15] = 0;  // units per inch
    DecodedPicture picture;
    EXPECT_THROW(RenderMetafile(b.data(), b.size(), MetafileKind::WMF, picture), EInvalidGraphic);
}

TEST(MetafileFiles, MissingEndRecordIsDrawnAsFarAsItGoes) {
    const Bytes b = WmfBuilder(0, 0, 48, 48, 96)
                        .pen(5, 0, 0)
                        .select(0)
                        .brush(0, 0)
                        .select(1)
                        .rectangle(10, 10, 20, 20)
                        .build(16, false);
    DecodedPicture picture;
    RenderMetafile(b.data(), b.size(), MetafileKind::WMF, picture);
    EXPECT_EQ(inkBox(picture), (InkBox{10, 10, 18, 18}));
}

TEST(MetafileFiles, PictureTooLargeIsRefusedBeforeMemoryIsTaken) {
    // 32000 units at one unit per inch: over three million pixels each way.
    const Bytes b = WmfBuilder(0, 0, 32000, 32000, 1).build();
    DecodedPicture picture;
    EXPECT_THROW(RenderMetafile(b.data(), b.size(), MetafileKind::WMF, picture), EOutOfMemory);
    const MetafileSize size = MeasureMetafile(b.data(), b.size(), MetafileKind::WMF);
    EXPECT_EQ(size.width, 3072000);
}

TEST(MetafileFiles, EnormousCoordinatesAreClippedNotRasterised) {
    // A polygon and lines reaching far outside the picture draw only what
    // falls inside, and quickly.
    const Bytes b =
        EmfBuilder(48, 48)
            .select(0x80000008)
            .select(0x80000004)
            .polygon(
                {{-2000000000, -2000000000}, {2000000000, -2000000000}, {2000000000, 2000000000}})
            .select(0x80000007)
            .moveTo(-2000000000, 24)
            .lineTo(2000000000, 24)
            .build();
    DecodedPicture picture;
    RenderMetafile(b.data(), b.size(), MetafileKind::EMF, picture);
    EXPECT_EQ(pixelAt(picture, 40, 10), 0u);
    EXPECT_EQ(pixelAt(picture, 10, 40), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(picture, 5, 24), 0u);
}

// --------------------------------------------------------- the public suite

std::string outputFolder() {
    const char* folder = std::getenv("SKALOMI_METAFILE_PNG_DIR");
    return folder ? folder : "";
}

// Files that draw nothing visible here: test-030 only selects objects;
// test-185 draws white on white and text as glyph indices of fonts this
// system does not have.
bool drawsNothingVisible(const std::string& name) {
    return name == "test-030.emf" || name == "test-185.emf";
}

TEST(MetafileSuite, EveryFileLoadsAtItsOwnSizeOrIsRefusedWhenDamaged) {
    SKIP_WITHOUT_SHARED_TESTDATA();
    const auto files = ListFiles(SharedTestdataPath("metafile"), {".wmf", ".emf"});
    ASSERT_GE(files.size(), 60u);
    int drawn = 0, refused = 0;
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        const std::string name = std::filesystem::path(path).filename().string();
        const bool damaged = path.find("corrupted") != std::string::npos ||
                             name.find("truncated") != std::string::npos;
        const MetafileKind kind =
            name.substr(name.size() - 4) == ".wmf" ? MetafileKind::WMF : MetafileKind::EMF;
        const Bytes bytes = ReadBytes(path);
        DecodedPicture picture;
        try {
            RenderMetafile(bytes.data(), bytes.size(), kind, picture);
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(damaged) << "refused: " << e.what();
            ++refused;
            continue;
        }
        ++drawn;
        const MetafileSize size = MeasureMetafile(bytes.data(), bytes.size(), kind);
        EXPECT_EQ(picture.width, size.width);
        EXPECT_EQ(picture.height, size.height);
        if (!damaged && !drawsNothingVisible(name)) {
            EXPECT_GE(inkBox(picture).left, 0) << "nothing drawn";
        }
        if (!outputFolder().empty()) WritePng(picture, outputFolder() + "/" + name + ".png");
    }
    EXPECT_GE(drawn, 50);
    EXPECT_GE(refused, 3) << "the truncated and corrupted headers are refused";
}

struct KnownSize {
    const char* file;
    int width, height;
};

class MetafileSuiteSize : public ::testing::TestWithParam<KnownSize> {};

TEST_P(MetafileSuiteSize, MatchesItsHeader) {
    SKIP_WITHOUT_SHARED_TESTDATA();
    const KnownSize& c = GetParam();
    const Bytes bytes = ReadBytes(SharedTestdataPath(std::string("metafile/") + c.file));
    const std::string file = c.file;
    DecodedPicture picture;
    RenderMetafile(bytes.data(), bytes.size(),
                   file.substr(file.size() - 4) == ".wmf" ? MetafileKind::WMF : MetafileKind::EMF,
                   picture);
    EXPECT_EQ(picture.width, c.width);
    EXPECT_EQ(picture.height, c.height);
}

// Placeable bounds at their units per inch, EMF frames at 96 dpi, rounded
// half away from zero; the headerless Equation Editor file in twips.
INSTANTIATE_TEST_SUITE_P(Metafile, MetafileSuiteSize,
                         ::testing::Values(KnownSize{"wmf/pillow/drawing.wmf", 110, 110},
                                           KnownSize{"emf/pillow/drawing.emf", 110, 110},
                                           KnownSize{"wmf/libwmf/fulltest.wmf", 1056, 816},
                                           KnownSize{"wmf/libwmf/formula1.wmf", 222, 41},
                                           KnownSize{"wmf/libwmf/p0000001.wmf", 320, 119},
                                           KnownSize{"emf/libemf2svg/test-039.emf", 1122, 794},
                                           KnownSize{"emf/libgdiplus/test.emf", 73, 71}),
                         [](const auto& info) { return TestNameOf(info.param.file); });

}  // namespace

// fontconfig, which the renderer's text goes through, keeps an allocation
// of its own for the life of the process; the leak checker of the
// sanitizer build is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
