// Reducing a picture to fit a preview's box: the size, the engine's pixels,
// pictures that fit already, and abandoning the work part way.

#include "scale/reduce_to_fit.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "picture/picture_loader.h"
#include "picture/picture_saver.h"
#include "picture/system/memory_budget.h"
#include "scale/scale_run.h"
#include "tests/support/fake_system_memory.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace {

struct FitCase {
    const char* name;
    int width, height, maxWidth, maxHeight;
    int fittedWidth, fittedHeight;
};

const FitCase kFits[] = {
    {"FitsAlready", 200, 100, 256, 256, 200, 100},
    {"ExactlyTheBox", 256, 256, 256, 256, 256, 256},
    {"WideByWidth", 1000, 500, 256, 256, 256, 128},
    {"TallByHeight", 300, 1200, 256, 256, 64, 256},
    {"NotSquareBox", 800, 600, 400, 100, 133, 100},
    {"ThinStaysOnePixel", 10000, 3, 256, 256, 256, 1},
    {"OnePixelWide", 1, 5000, 256, 256, 1, 256},
    {"SixtyMegapixels", 8000, 7500, 256, 256, 256, 240},
};

class FitTable : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitTable, KeepsProportionsWithinTheBox) {
    const FitCase& c = GetParam();
    const FittedSize size = FitWithin(c.width, c.height, c.maxWidth, c.maxHeight);
    EXPECT_EQ(size.Width, c.fittedWidth);
    EXPECT_EQ(size.Height, c.fittedHeight);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FitTable, ::testing::ValuesIn(kFits), NameOfParam());

TDIB gradient(int width, int height) {
    return MakePicture24(width, height, [](int x, int y) {
        return (x * 7 & 0xFF) | (y * 3 & 0xFF) << 8 | 0x400000;
    });
}

TEST(ReduceToFit, APictureThatFitsIsTheSamePicture) {
    const TDIB picture = gradient(120, 80);
    const TDIB reduced = ReduceToFit(picture, 256, 256);
    EXPECT_TRUE(reduced.SharesStoreWith(picture));
}

TEST(ReduceToFit, LargerPicturesAreTheEnginesReduction) {
    const TDIB picture = gradient(900, 300);
    const TDIB reduced = ReduceToFit(picture, 256, 256);
    ASSERT_EQ(reduced.Width(), 256);
    ASSERT_EQ(reduced.Height(), 85);
    // The same pixels as a scale run to that frame.
    ScaleSettings settings;
    settings.Unit = ScaleUnit::Pixel;
    settings.AspectLock = false;
    settings.HorzValue = 256;
    settings.VertValue = 85;
    ScalePlan plan;
    ASSERT_EQ(PlanScale(settings, WholePicture(900, 300), plan), ScaleRefusal::None);
    ResampleTables tables;
    TDIB expected;
    RunScale(picture, WholePicture(900, 300), settings, plan, expected, tables);
    EXPECT_EQ(AllPixels(reduced), AllPixels(expected));
}

TEST(ReduceToFit, OnePixelWidePicturesArePicked) {
    const TDIB picture =
        MakePicture24(1, 1000, [](int, int y) { return y < 500 ? 0x0000FF : 0x00FF00; });
    const TDIB reduced = ReduceToFit(picture, 100, 100);
    ASSERT_EQ(reduced.Width(), 1);
    ASSERT_EQ(reduced.Height(), 100);
    EXPECT_EQ(reduced.GetPixels(0, 0), 0x0000FF);
    EXPECT_EQ(reduced.GetPixels(0, 99), 0x00FF00);
}

struct Abandoned : std::runtime_error {
    Abandoned() : std::runtime_error("abandoned") {}
};

TEST(ReduceToFit, ACheckpointThatThrowsAbandonsTheWork) {
    const TDIB picture = gradient(3000, 2000);
    int calls = 0;
    EXPECT_THROW(ReduceToFit(picture, 100, 100,
                             [&calls] {
                                 if (++calls == 3) throw Abandoned();
                             }),
                 Abandoned);
    EXPECT_EQ(calls, 3);
    // Called along the way, not only at the ends.
    int total = 0;
    ReduceToFit(picture, 100, 100, [&total] { ++total; });
    EXPECT_GT(total, 3);
}

// ------------------------------------------------------------------- files

struct FileCase {
    const char* name;
    const char* fileName;
};

void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}

// The first three are read in bands.
const FileCase kFiles[] = {{"Jpeg", "p.jpg"}, {"Png", "p.png"}, {"Bmp", "p.bmp"}, {"Gif", "p.gif"}};

class ReduceFile : public ::testing::TestWithParam<FileCase> {
protected:
    std::string write(int width, int height) {
        const std::string path = dir_.file(GetParam().fileName);
        SavePictureToFile(gradient(width, height), path);
        return path;
    }
    TempDir dir_;
};

TEST_P(ReduceFile, IsTheReductionOfTheLoadedPicture) {
    const std::string path = write(900, 300);
    TDIB loaded;
    ASSERT_TRUE(LoadPictureFile(path, loaded));
    const auto reduced = ReduceFileToFit(path, 256, 256);
    ASSERT_TRUE(reduced);
    EXPECT_EQ(reduced->Width, 900);
    EXPECT_EQ(reduced->Height, 300);
    const TDIB expected = ReduceToFit(loaded, 256, 256);
    EXPECT_EQ(reduced->Picture.Header().biHeight, expected.Header().biHeight);
    EXPECT_EQ(AllPixels(reduced->Picture), AllPixels(expected));
}

// Read in bands, a picture the machine could not hold whole is reduced all
// the same, and the caller's checkpoint can still stop the work.
class ReduceFileInBands : public ReduceFile {};

TEST_P(ReduceFileInBands, NeedsNoRoomForTheWholePicture) {
    const std::string path = write(3000, 2000);  // 18 MB at 24 bits
    FakeSystemMemory system(MemoryReserved() + 8 * kMB);
    TDIB whole;
    ASSERT_FALSE(LoadPictureFile(path, whole));
    const auto reduced = ReduceFileToFit(path, 300, 300);
    ASSERT_TRUE(reduced);
    EXPECT_EQ(reduced->Picture.Width(), 300);
    EXPECT_EQ(reduced->Picture.Height(), 200);
    int calls = 0;
    EXPECT_THROW(ReduceFileToFit(path, 300, 300,
                                 [&calls] {
                                     if (++calls == 3) throw Abandoned();
                                 }),
                 Abandoned);
}

TEST_P(ReduceFile, WhatTheLoaderRefusesGivesNothing) {
    const std::string path = dir_.file(GetParam().fileName);
    WriteBytes(path, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
    EXPECT_FALSE(ReduceFileToFit(path, 256, 256));
}

INSTANTIATE_TEST_SUITE_P(Files, ReduceFile, ::testing::ValuesIn(kFiles), NameOfParam());
INSTANTIATE_TEST_SUITE_P(Files, ReduceFileInBands, ::testing::ValuesIn(kFiles, kFiles + 3),
                         NameOfParam());

}  // namespace
