// skalomi-cli under an address-space limit: tiny files declaring huge
// pictures are refused with what they needed, never killed, and jobs at
// once share one memory budget, a job waiting for memory others hold
// rather than failing.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "picture/dib.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/declaring_files.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace {

// 1 GiB of address space, in the kilobytes ulimit takes; no limit but
// what the machine gives.
const std::string kOneGiB = "ulimit -v 1048576; SKALOMI_MEMORY_LIMIT=0";

void writeSmallPicture(const std::string& path) {
    MakePicture(30, 20, [](int x, int y) { return x * 8 + (y * 12 << 8); }).SaveToFile(path);
}

TEST(CliMemory, TinyFilesDeclaringHugePicturesAreRefusedNeverKilled) {
    SKIP_UNDER_SHADOW_MEMORY_SANITIZERS();
    TempDir dir;
    WriteBytes(dir.file("screen.gif"), GifDeclaring(30000, 30000));
    WriteBytes(dir.file("runs.bmp"), RleBmpDeclaring(30000, 30000));
    WriteBytes(dir.file("bounds.wmf"), WmfDeclaring(30000, 30000));
    WriteBytes(dir.file("frame.emf"), EmfDeclaring(30000, 30000));
    WriteBytes(dir.file("header.png"), PngDeclaring(30000, 30000));
    writeSmallPicture(dir.file("good.bmp"));
    const CommandResult r =
        RunCli(dir, "-q -j 2 -t png screen.gif runs.bmp bounds.wmf frame.emf header.png good.bmp",
               kOneGiB);
    EXPECT_EQ(r.status, 1) << r.output;  // not killed, and not all written
    for (const char* name :
         {"screen.gif: 処理出来ないファイルです (GIF", "runs.bmp: 処理出来ないファイルです (BMP",
          "bounds.wmf: 処理出来ないファイルです (WMF", "frame.emf: 処理出来ないファイルです (EMF",
          "header.png: 処理出来ないファイルです (PNG"}) {
        EXPECT_TRUE(
            Contains(r.output, std::string(name) + ": Picture of 30000 x 30000 pixels needs"))
            << name << "\n"
            << r.output;
    }
    EXPECT_TRUE(Contains(r.output, "good.bmp -> good_ks.png (30x20)")) << r.output;
}

// What the budget says can be had now, from a refusal's message; 0 when
// there is none.
long roomInMegabytes(const std::string& output) {
    std::smatch m;
    if (!std::regex_search(output, m, std::regex("([0-9]+) MB can be had now"))) return 0;
    return std::atol(m[1].str().c_str());
}

// Three pictures, each taking about two thirds of what can be had: any two
// at once would not fit, so with two jobs at once one waits for the other
// each time, and all three are written.
TEST(CliMemory, JobsAtOnceShareOneBudget) {
    SKIP_UNDER_SHADOW_MEMORY_SANITIZERS();
    TempDir dir;
    WriteBytes(dir.file("huge.gif"), GifDeclaring(30000, 30000));
    writeSmallPicture(dir.file("small.bmp"));
    const CommandResult probe = RunCli(dir, "-q -j 2 -t bmp huge.gif small.bmp", kOneGiB);
    const long room = roomInMegabytes(probe.output);
    ASSERT_GT(room, 64) << probe.output;

    // Reading a GIF holds its 8-bit and its 24-bit picture: 4 bytes a pixel.
    const int side = static_cast<int>(std::sqrt(room * 0.65 * (1 << 20) / 4));
    std::string files;
    for (const char* name : {"a.gif", "b.gif", "c.gif"}) {
        WriteBytes(dir.file(name), GifDeclaring(side, side));
        files += std::string(" ") + name;
    }
    const CommandResult r = RunCli(dir, "-q -j 2 -t bmp -p 10" + files, kOneGiB);
    EXPECT_EQ(r.status, 0) << "room " << room << " MB, side " << side << "\n" << r.output;
    // 10 percent, rounded to the nearest with ties to even, as the engine rounds.
    const long tenth = std::lrint(side / 10.0L);
    const std::string size = std::to_string(tenth) + "x" + std::to_string(tenth);
    for (const char* name : {"a", "b", "c"})
        EXPECT_TRUE(Contains(r.output, std::string(name) + "_ks.bmp (" + size + ")")) << r.output;
}

// A picture that could never fit is refused at once for what it needs,
// while the jobs beside it go on. (A quarter turn holds its result whole;
// an unrotated PNG would be written row by row, as the next test shows.)
TEST(CliMemory, APictureThatCannotFitEvenAloneIsRefusedAndTheRunGoesOn) {
    SKIP_UNDER_SHADOW_MEMORY_SANITIZERS();
    TempDir dir;
    writeSmallPicture(dir.file("small.bmp"));
    const CommandResult r =
        RunCli(dir, "-q -j 2 -t png -r left -x 30000,30000 --no-lock small.bmp", kOneGiB);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(Contains(
        r.output, "small.bmp: 画像が大きすぎます。 (Scaled picture of 30000 x 30000 pixels needs"))
        << r.output;
    WriteBytes(dir.file("wide.gif"), GifDeclaring(30000, 65535));
    const CommandResult mixed = RunCli(dir, "-q -y -j 2 -t bmp wide.gif small.bmp", kOneGiB);
    EXPECT_EQ(mixed.status, 1) << mixed.output;
    EXPECT_TRUE(Contains(
        mixed.output,
        "wide.gif: 処理出来ないファイルです (GIF: Picture of 30000 x 65535 pixels needs 7500 MB"))
        << mixed.output;
    EXPECT_TRUE(Contains(mixed.output, "small.bmp -> small_ks.bmp (30x20)")) << mixed.output;
}

// A result larger than all the memory there is, written as its rows are
// made: a streamed job holds its work rows and bands, never the result.
TEST(CliMemory, AResultLargerThanMemoryIsWrittenRowByRow) {
    SKIP_UNDER_SHADOW_MEMORY_SANITIZERS();
    TempDir dir;
    writeSmallPicture(dir.file("small.bmp"));
    const CommandResult r =
        RunCli(dir, "-q -j 1 -t jpg -x 20000,20000 --no-lock small.bmp", kOneGiB);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(Contains(r.output, "small.bmp -> small_ks.jpg (20000x20000)")) << r.output;
}

}  // namespace
