// Drawing rules of the metafile renderer, checked pixel by pixel on small
// metafiles built in the test: exact edges of filled shapes under the
// mapping modes, fill rules, pen widths, bitmaps, text placement, clipping
// and raster operations.

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "picture/errors.h"
#include "picture/metafile/metafile_renderer.h"
#include "tests/picture/metafile_builder.h"
#include "tests/support/test_support.h"

using namespace metafile_test;

namespace {

constexpr std::uint32_t kStock = 0x80000000;
constexpr std::uint32_t kNullPen = kStock | 8;
constexpr std::uint32_t kNullBrush = kStock | 5;

DecodedPicture render(const Bytes& bytes, MetafileKind kind) {
    DecodedPicture picture;
    RenderMetafile(bytes.data(), bytes.size(), kind, picture);
    return picture;
}

struct ShapeCase {
    const char* name;
    std::function<Bytes()> build;
    MetafileKind kind;
    InkBox expected;
};

class ShapeEdges : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeEdges, InkCoversExactlyTheExpectedPixels) {
    const ShapeCase& c = GetParam();
    const DecodedPicture picture = render(c.build(), c.kind);
    EXPECT_EQ(picture.depth, 32);
    EXPECT_EQ(inkBox(picture), c.expected);
}

// Rectangles exclude their right and bottom edges; a visible pen draws its
// outline on the last pixels inside, a hollow pen leaves them out.
INSTANTIATE_TEST_SUITE_P(
    Metafile, ShapeEdges,
    ::testing::Values(ShapeCase{"RectangleNullPenText",
                                [] {
                                    return EmfBuilder(96, 96)
                                        .brush(1, 0, rgb(0, 0, 255))
                                        .select(1)
                                        .select(kNullPen)
                                        .rectangle(10, 20, 30, 40)
                                        .build();
                                },
                                MetafileKind::EMF,
                                {10, 20, 28, 38}},
                      ShapeCase{"RectangleCosmeticPenText",
                                [] {
                                    return EmfBuilder(96, 96)
                                        .pen(1, 0, 0, rgb(255, 0, 0))
                                        .select(1)
                                        .rectangle(10, 20, 30, 40)
                                        .build();
                                },
                                MetafileKind::EMF,
                                {10, 20, 29, 39}},
                      ShapeCase{"RectangleAnisotropic",
                                [] {
                                    return WmfBuilder(0, 0, 960, 480, 960)
                                        .mapMode(8)
                                        .windowOrg(0, 0)
                                        .windowExt(960, 480)
                                        .pen(5, 0, 0)
                                        .select(0)
                                        .brush(0, 0)
                                        .select(1)
                                        .rectangle(100, 50, 500, 250)
                                        .build();
                                },
                                MetafileKind::WMF,
                                {10, 5, 48, 23}},
                      ShapeCase{"RectangleAnisotropicYUp",
                                [] {
                                    return WmfBuilder(0, 0, 960, 480, 960)
                                        .mapMode(8)
                                        .windowOrg(0, 480)
                                        .windowExt(960, -480)
                                        .pen(5, 0, 0)
                                        .select(0)
                                        .brush(0, 0)
                                        .select(1)
                                        .rectangle(100, 380, 500, 180)
                                        .build();
                                },
                                MetafileKind::WMF,
                                {10, 10, 48, 28}},
                      ShapeCase{"RectangleLoMetric",
                                // 0.1 mm units, y upwards: 254 units are 96 pixels.
                                [] {
                                    return EmfBuilder(96, 96)
                                        .mapMode(2)
                                        .select(kNullPen)
                                        .select(kStock | 4)
                                        .rectangle(0, 0, 254, -127)
                                        .build();
                                },
                                MetafileKind::EMF,
                                {0, 0, 94, 46}},
                      ShapeCase{"EllipseNullPen",
                                [] {
                                    return EmfBuilder(96, 96)
                                        .select(kNullPen)
                                        .select(kStock | 4)
                                        .ellipse(10, 10, 50, 30)
                                        .build();
                                },
                                MetafileKind::EMF,
                                {10, 10, 48, 28}},
                      ShapeCase{"EllipseCosmeticPen",
                                [] {
                                    return EmfBuilder(96, 96)
                                        .select(kStock | 7)
                                        .select(kNullBrush)
                                        .ellipse(10, 10, 50, 30)
                                        .build();
                                },
                                MetafileKind::EMF,
                                {10, 10, 49, 29}},
                      ShapeCase{
                          "LineLeavesOutItsLastPixel",
                          [] { return EmfBuilder(96, 96).moveTo(10, 50).lineTo(90, 50).build(); },
                          MetafileKind::EMF,
                          {10, 50, 89, 50}},
                      ShapeCase{"ClipRectangleLimitsFill",
                                [] {
                                    return EmfBuilder(96, 96)
                                        .record(30, {20, 20, 40, 40})
                                        .select(kNullPen)
                                        .select(kStock | 4)
                                        .rectangle(0, 0, 101, 101)
                                        .build();
                                },
                                MetafileKind::EMF,
                                {20, 20, 39, 39}},
                      ShapeCase{"RestoredContextDropsClip",
                                [] {
                                    return EmfBuilder(96, 96)
                                        .record(33, {})
                                        .record(30, {20, 20, 40, 40})
                                        .record(34, {0xFFFFFFFF})
                                        .select(kNullPen)
                                        .select(kStock | 4)
                                        .rectangle(5, 5, 11, 11)
                                        .build();
                                },
                                MetafileKind::EMF,
                                {5, 5, 9, 9}},
                      ShapeCase{"WmfRestoredContextDropsClip",
                                [] {
                                    return WmfBuilder(0, 0, 100, 100, 96)
                                        .saveDC()
                                        .intersectClip(50, 50, 60, 60)
                                        .restoreDC(-1)
                                        .pen(5, 0, 0)
                                        .select(0)
                                        .brush(0, 0)
                                        .select(1)
                                        .rectangle(5, 5, 11, 11)
                                        .build();
                                },
                                MetafileKind::WMF,
                                {5, 5, 9, 9}}),
    NameOfParam());

// A five-pointed star drawn in one stroke: its middle is outside under the
// alternate rule and inside under the winding rule.
struct FillModeCase {
    const char* name;
    int mode;
    bool middleFilled;
};

class PolygonFillMode : public ::testing::TestWithParam<FillModeCase> {};

TEST_P(PolygonFillMode, MiddleOfStarFollowsTheRule) {
    const FillModeCase& c = GetParam();
    const Bytes wmf = WmfBuilder(0, 0, 100, 100, 96)
                          .fillMode(c.mode)
                          .pen(5, 0, 0)
                          .select(0)
                          .brush(0, 0)
                          .select(1)
                          .polygon({{50, 5}, {79, 95}, {3, 39}, {97, 39}, {21, 95}})
                          .build();
    const DecodedPicture picture = render(wmf, MetafileKind::WMF);
    EXPECT_EQ(pixelAt(picture, 50, 55), c.middleFilled ? 0x000000u : 0xFFFFFFu);
    EXPECT_EQ(pixelAt(picture, 50, 15), 0x000000u) << "the top arm is inside under both rules";
    EXPECT_EQ(pixelAt(picture, 50, 97), 0xFFFFFFu) << "between the two lower points is outside";
}

INSTANTIATE_TEST_SUITE_P(Metafile, PolygonFillMode,
                         ::testing::Values(FillModeCase{"Alternate", 1, false},
                                           FillModeCase{"Winding", 2, true}),
                         NameOfParam());

// The rows a horizontal line covers at its middle, for pens of several widths.
struct PenWidthCase {
    const char* name;
    int width;
    int firstRow, lastRow;
};

class PenWidth : public ::testing::TestWithParam<PenWidthCase> {};

TEST_P(PenWidth, HorizontalLineCoversItsWidth) {
    const PenWidthCase& c = GetParam();
    const DecodedPicture picture = render(EmfBuilder(96, 96)
                                              .pen(1, 0, c.width, rgb(0, 0, 0))
                                              .select(1)
                                              .moveTo(10, 50)
                                              .lineTo(90, 50)
                                              .build(),
                                          MetafileKind::EMF);
    std::set<int> rows;
    for (int y = 0; y < picture.height; ++y)
        if (pixelAt(picture, 50, y) == 0) rows.insert(y);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(*rows.begin(), c.firstRow);
    EXPECT_EQ(*rows.rbegin(), c.lastRow);
    EXPECT_EQ(static_cast<int>(rows.size()), c.lastRow - c.firstRow + 1)
        << "no gaps across the line";
}

INSTANTIATE_TEST_SUITE_P(Metafile, PenWidth,
                         ::testing::Values(PenWidthCase{"Zero", 0, 50, 50},
                                           PenWidthCase{"One", 1, 50, 50},
                                           PenWidthCase{"Five", 5, 48, 52},
                                           PenWidthCase{"Ten", 10, 45, 54}),
                         NameOfParam());

TEST(MetafileRender, WidePenScalesWithTheMapping) {
    // A pen 100 units wide in a window of 1000 units mapped onto 100 pixels.
    const Bytes wmf = WmfBuilder(0, 0, 1000, 1000, 960)
                          .mapMode(8)
                          .windowOrg(0, 0)
                          .windowExt(1000, 1000)
                          .pen(0, 100, rgb(0, 0, 0))
                          .select(0)
                          .moveTo(100, 500)
                          .lineTo(900, 500)
                          .build();
    const DecodedPicture picture = render(wmf, MetafileKind::WMF);
    EXPECT_EQ(pixelAt(picture, 50, 45), 0u);
    EXPECT_EQ(pixelAt(picture, 50, 54), 0u);
    EXPECT_EQ(pixelAt(picture, 50, 43), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(picture, 50, 56), 0xFFFFFFu);
}

// A 2 x 2 bitmap (red, green over blue, yellow) stretched onto 20 x 20
// pixels, stored bottom-up and top-down.
class StretchDibits : public ::testing::TestWithParam<bool> {};

TEST_P(StretchDibits, QuadrantsLandWhereTheBitmapHasThem) {
    const bool topDown = GetParam();
    Bytes p;
    for (int i = 0; i < 4; ++i) put32(p, 0);                         // bounds
    for (std::uint32_t v : {10u, 10u, 0u, 0u, 2u, 2u}) put32(p, v);  // destination, source
    for (std::uint32_t v : {80u, 40u, 120u, 16u, 0u, 0x00CC0020u, 20u, 20u}) put32(p, v);
    put32(p, 40), put32(p, 2), put32(p, static_cast<std::uint32_t>(topDown ? -2 : 2));
    put16(p, 1), put16(p, 24);
    for (int i = 0; i < 6; ++i) put32(p, 0);
    auto row = [&](std::uint32_t a, std::uint32_t b) {
        for (std::uint32_t c : {a, b})
            p.push_back(c & 0xFF), p.push_back((c >> 8) & 0xFF), p.push_back(c >> 16);
        p.push_back(0), p.push_back(0);
    };
    const std::uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF, yellow = 0xFFFF00;
    if (topDown)
        row(red, green), row(blue, yellow);
    else
        row(blue, yellow), row(red, green);
    const DecodedPicture picture =
        render(EmfBuilder(96, 96).bytesRecord(81, p).build(), MetafileKind::EMF);
    EXPECT_EQ(pixelAt(picture, 15, 15), 0xFF0000u);
    EXPECT_EQ(pixelAt(picture, 25, 15), 0x00FF00u);
    EXPECT_EQ(pixelAt(picture, 15, 25), 0x0000FFu);
    EXPECT_EQ(pixelAt(picture, 25, 25), 0xFFFF00u);
    EXPECT_EQ(inkBox(picture), (InkBox{10, 10, 29, 29}));
}

INSTANTIATE_TEST_SUITE_P(Metafile, StretchDibits, ::testing::Values(false, true),
                         [](const auto& info) {
                             return std::string(info.param ? "TopDown" : "BottomUp");
                         });

// "HH" in a 20-pixel font: where its ink lies for each alignment.
struct TextCase {
    const char* name;
    int align;
    int x, y;
    std::function<void(const InkBox&)> check;
};

class TextPlacementRules : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextPlacementRules, InkLiesInTheAlignedBox) {
    const TextCase& c = GetParam();
    const DecodedPicture picture = render(EmfBuilder(120, 72)
                                              .font(1, -20, u"Arial")
                                              .select(1)
                                              .bkMode(1)
                                              .textAlign(c.align)
                                              .text(c.x, c.y, u"HH")
                                              .build(),
                                          MetafileKind::EMF);
    const InkBox box = inkBox(picture);
    ASSERT_GE(box.left, 0) << "no text was drawn";
    EXPECT_GT(box.right - box.left, 10) << box;
    EXPECT_LT(box.right - box.left, 40) << box;
    EXPECT_GT(box.bottom - box.top, 9) << box;
    EXPECT_LT(box.bottom - box.top, 20) << box;
    c.check(box);
}

INSTANTIATE_TEST_SUITE_P(Metafile, TextPlacementRules,
                         ::testing::Values(TextCase{"TopLeft", 0, 20, 10,
                                                    [](const InkBox& b) {
                                                        EXPECT_GE(b.left, 20);
                                                        EXPECT_LE(b.left, 24);
                                                        EXPECT_GE(b.top, 10);
                                                        EXPECT_LE(b.top, 16);
                                                    }},
                                           TextCase{"Baseline", 24, 20, 50,
                                                    [](const InkBox& b) {
                                                        EXPECT_GE(b.bottom, 47);
                                                        EXPECT_LE(b.bottom, 49);
                                                    }},
                                           TextCase{"Bottom", 8, 20, 50,
                                                    [](const InkBox& b) {
                                                        EXPECT_GE(b.bottom, 42);
                                                        EXPECT_LE(b.bottom, 47);
                                                    }},
                                           TextCase{"RightTop", 2, 100, 10,
                                                    [](const InkBox& b) {
                                                        EXPECT_GE(b.right, 94);
                                                        EXPECT_LE(b.right, 99);
                                                    }},
                                           TextCase{"CentreTop", 6, 60, 10,
                                                    [](const InkBox& b) {
                                                        EXPECT_NEAR((b.left + b.right) / 2.0, 60,
                                                                    2.5);
                                                    }}),
                         NameOfParam());

TEST(MetafileRender, EscapementTurnsTextUpwards) {
    const DecodedPicture picture = render(EmfBuilder(72, 120)
                                              .font(1, -20, u"Arial", 900)
                                              .select(1)
                                              .bkMode(1)
                                              .textAlign(24)
                                              .text(40, 100, u"HHHH")
                                              .build(),
                                          MetafileKind::EMF);
    const InkBox box = inkBox(picture);
    EXPECT_GT(box.bottom - box.top, 2 * (box.right - box.left))
        << "the string runs upwards: " << box;
    EXPECT_LE(box.bottom, 100);
    EXPECT_LE(box.right, 40) << "the glyphs stand on the left of the upward baseline";
}

// Raster operations of the pen and brush: exclusive-or twice restores the
// picture; the hatch leaves the background where the mode is transparent.
TEST(MetafileRender, XorFillTwiceRestoresThePicture) {
    const Bytes once = WmfBuilder(0, 0, 50, 50, 96)
                           .pen(5, 0, 0)
                           .select(0)
                           .brush(0, rgb(255, 0, 0))
                           .select(1)
                           .rop2(7)
                           .rectangle(10, 10, 30, 30)
                           .build();
    EXPECT_EQ(pixelAt(render(once, MetafileKind::WMF), 15, 15), 0x00FFFFu);
    const Bytes twice = WmfBuilder(0, 0, 50, 50, 96)
                            .pen(5, 0, 0)
                            .select(0)
                            .brush(0, rgb(255, 0, 0))
                            .select(1)
                            .rop2(7)
                            .rectangle(10, 10, 30, 30)
                            .rectangle(10, 10, 30, 30)
                            .build();
    EXPECT_EQ(inkBox(render(twice, MetafileKind::WMF)), InkBox{});
}

struct HatchCase {
    const char* name;
    int bkMode;
    bool blackRemains;
};

class HatchBackground : public ::testing::TestWithParam<HatchCase> {};

TEST_P(HatchBackground, FollowsTheBackgroundMode) {
    const HatchCase& c = GetParam();
    const Bytes wmf = WmfBuilder(0, 0, 40, 40, 96)
                          .pen(5, 0, 0)
                          .select(0)
                          .brush(0, 0)
                          .select(1)
                          .rectangle(0, 0, 41, 41)  // black ground
                          .bkMode(c.bkMode)
                          .brush(2, rgb(255, 0, 0), 4)
                          .select(2)
                          .rectangle(0, 0, 41, 41)
                          .build();
    const DecodedPicture picture = render(wmf, MetafileKind::WMF);
    int black = 0, red = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            black += pixelAt(picture, x, y) == 0;
            red += pixelAt(picture, x, y) == 0xFF0000;
        }
    EXPECT_GT(red, 100) << "hatch lines drawn";
    EXPECT_EQ(black > 0, c.blackRemains);
}

INSTANTIATE_TEST_SUITE_P(Metafile, HatchBackground,
                         ::testing::Values(HatchCase{"Transparent", 1, true},
                                           HatchCase{"Opaque", 2, false}),
                         NameOfParam());

TEST(MetafileRender, SelectedObjectSurvivesItsDeletion) {
    // Deleting the selected brush frees its slot; the context keeps drawing
    // with it, and a new object may take the slot.
    const Bytes wmf = WmfBuilder(0, 0, 40, 40, 96)
                          .pen(5, 0, 0)
                          .select(0)
                          .brush(0, rgb(0, 0, 255))
                          .select(1)
                          .deleteObject(1)
                          .brush(0, rgb(255, 0, 0))
                          .rectangle(5, 5, 20, 20)
                          .build();
    EXPECT_EQ(pixelAt(render(wmf, MetafileKind::WMF), 10, 10), 0x0000FFu);
}

}  // namespace
