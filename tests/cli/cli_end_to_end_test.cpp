// skalomi-cli as a user runs it: the built binary on pictures in a fresh
// folder, its exit status, what it says and the files it leaves.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "picture/dib.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/picture_loader.h"
#include "picture/picture_saver.h"
#include "scale/scale_run.h"
#include "scale/selection.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/picture_builders.h"
#include "tests/support/scale_helpers.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

void writePicture(const std::string& path, int w, int h, int seed) {
    WriteTestPicture(path, w, h, seed);
}

// What the engine makes of `source` in this process, saved as `path`.
std::vector<std::uint8_t> expectedBytes(const std::string& source, const ScaleSettings& s,
                                        const std::string& path) {
    TDIB src;
    src.LoadFromFile(source);
    src.SetPixelFormat(PixelFormat24Bit);
    SavePictureToFile(ScaleWholePicture(src, s), path);
    return ReadBytes(path);
}

CommandResult cli(const TempDir& dir, const std::string& args) {
    return RunCli(dir, args);
}

bool contains(const std::string& text, const std::string& part) {
    return Contains(text, part);
}

TEST(CliEndToEnd, WritesWhatTheEngineMakes) {
    TempDir dir;
    writePicture(dir.file("a.bmp"), 57, 41, 1);
    const CommandResult r = cli(dir, "-q -t bmp -p 37,140 -c 6 -b -2 -r right a.bmp");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(contains(r.output, "a.bmp -> a_ks.bmp (57x21)")) << r.output;
    ScaleSettings s;
    s.HorzValue = 37;
    s.VertValue = 140;
    s.ContrastStep = 6;
    s.BrightnessStep = -2;
    s.Rotation = kRotateRight;
    EXPECT_EQ(ReadBytes(dir.file("a_ks.bmp")),
              expectedBytes(dir.file("a.bmp"), s, dir.file("e.bmp")));
}

TEST(CliEndToEnd, SameFilesWhateverTheNumberOfJobs) {
    TempDir one, many;
    std::string files;
    for (int i = 0; i < 7; ++i) {
        const std::string name = "p" + std::to_string(i) + ".bmp";
        writePicture(one.file(name), 30 + 9 * i, 20 + 5 * i, i);
        writePicture(many.file(name), 30 + 9 * i, 20 + 5 * i, i);
        files += name + " ";
    }
    // Two sources meeting one output name: the later one is a clash.
    for (const TempDir* d : {&one, &many}) {
        writePicture(d->file("p0.gif"), 44, 33, 99);
        writePicture(d->file("p3.png"), 23, 61, 98);
    }
    files += "p0.gif p3.png";
    const std::string args = "-q -y -t bmp -x 40,30 --no-lock -r 180 ";
    ASSERT_EQ(cli(one, "-j 1 " + args + files).status, 1);
    ASSERT_EQ(cli(many, "-j 4 " + args + files).status, 1);
    for (int i = 0; i < 7; ++i) {
        const std::string out = "p" + std::to_string(i) + "_ks.bmp";
        EXPECT_EQ(ReadBytes(one.file(out)), ReadBytes(many.file(out))) << out;
    }
    ScaleSettings s;
    s.Unit = ScaleUnit::Pixel;
    s.AspectLock = false;
    s.HorzValue = 40;
    s.VertValue = 30;
    s.Rotation = kRotate180;
    EXPECT_EQ(ReadBytes(many.file("p0_ks.bmp")),
              expectedBytes(many.file("p0.bmp"), s, many.file("e.bmp")));
}

struct Outcome {
    const char* name;
    std::string args;
    int status;
    std::string says;               // part of what it prints
    std::vector<std::string> made;  // files that must exist afterwards
    std::vector<std::string> notMade;
};

void PrintTo(const Outcome& c, std::ostream* os) {
    *os << c.name;
}

class CliOutcomes : public ::testing::TestWithParam<Outcome> {};

// In a folder with good.bmp (60 x 40), tall.bmp (1 x 40), junk.bmp (not a
// picture) and old_ks.bmp, an earlier output of old.bmp.
TEST_P(CliOutcomes, StatusMessageAndFiles) {
    const Outcome& c = GetParam();
    TempDir dir;
    writePicture(dir.file("good.bmp"), 60, 40, 5);
    writePicture(dir.file("tall.bmp"), 1, 40, 6);
    writePicture(dir.file("old.bmp"), 30, 30, 7);
    WriteBytes(dir.file("junk.bmp"), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    const std::vector<std::uint8_t> oldOutput = {'k', 'e', 'e', 'p'};
    WriteBytes(dir.file("old_ks.bmp"), oldOutput);
    const std::vector<std::uint8_t> goodSource = ReadBytes(dir.file("good.bmp"));

    const CommandResult r = cli(dir, c.args);
    EXPECT_EQ(r.status, c.status) << r.output;
    EXPECT_TRUE(contains(r.output, c.says)) << r.output;
    for (const std::string& f : c.made) EXPECT_TRUE(fs::exists(dir.file(f))) << f;
    for (const std::string& f : c.notMade) EXPECT_FALSE(fs::exists(dir.file(f))) << f;
    EXPECT_EQ(ReadBytes(dir.file("good.bmp")), goodSource) << "the source changed";
    if (!contains(c.args, "-y")) {
        EXPECT_EQ(ReadBytes(dir.file("old_ks.bmp")), oldOutput);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CliOutcomes,
    ::testing::Values(
        Outcome{"AllWritten",
                "-q -t bmp -p 50 good.bmp",
                0,
                "good_ks.bmp (30x20)",
                {"good_ks.bmp"},
                {}},
        Outcome{"UnreadableFileRunGoesOn",
                "-q -t bmp junk.bmp good.bmp",
                1,
                "junk.bmp: 処理出来ないファイルです",
                {"good_ks.bmp"},
                {"junk_ks.bmp"}},
        Outcome{"ExistingOutputLeft", "-q -t bmp old.bmp", 0, "old_ks.bmp: exists", {}, {}},
        Outcome{"OverwriteReplaces", "-q -y -t bmp old.bmp", 0, "old_ks.bmp (30x30)", {}, {}},
        Outcome{"ZeroValue",
                "-q -t bmp -p 0 good.bmp",
                1,
                "拡縮率が正しく設定されていません。",
                {},
                {"good_ks.bmp"}},
        Outcome{"TargetRoundsBelowOne",
                "-q -t bmp -p 1 good.bmp",
                1,
                "拡縮率が正しく設定されていません。",
                {},
                {"good_ks.bmp"}},
        Outcome{"NegativeValue",
                "-q -t bmp -x -5,10 good.bmp",
                1,
                "拡縮率が正しく設定されていません。",
                {},
                {"good_ks.bmp"}},
        Outcome{"OnePixelWide", "-q -t bmp tall.bmp", 1, "nothing to scale", {}, {"tall_ks.bmp"}},
        Outcome{"SelectionOnePixelHigh",
                "-q -t bmp --select 0,7,59,7 good.bmp",
                1,
                "nothing to scale",
                {},
                {"good_ks.bmp"}},
        Outcome{"SelectionOrderedAndClamped",
                "-q -t bmp --select 99,30,10,5 good.bmp",
                0,
                "good_ks.bmp (50x26)",
                {"good_ks.bmp"},
                {}},
        Outcome{"SameFolderWithoutSuffix",
                "-q -y -t bmp -s '' good.bmp",
                1,
                "拡縮元フォルダと保存先フォルダが同じで",
                {},
                {}},
        Outcome{"SameFolderGivenAsDestination",
                "-q -y -t bmp -d . -s （拡張子無し） good.bmp",
                1,
                "ファイル名拡張子が設定されていません",
                {},
                {}},
        Outcome{"OutputInAnyCase", "-q -o out.Jpg good.bmp", 0, "out.Jpg (60x40)", {"out.Jpg"}, {}},
        Outcome{"OutputOfNoType",
                "-q -o out.tif good.bmp",
                2,
                "no picture type has the extension \".tif\"",
                {},
                {"out.tif"}},
        Outcome{"DestinationIsAFile", "-d good.bmp tall.bmp", 2, "保存先に有効なフォルダ", {}, {}},
        Outcome{"UsageError", "-q --percent good.bmp", 2, "not a whole number", {}, {}},
        Outcome{"OutputWithTwoInputs",
                "-q -o x.bmp good.bmp old.bmp",
                2,
                "single input",
                {},
                {"x.bmp"}},
        Outcome{"RefusedSuffix", "-q -s 'a|b' good.bmp", 2, "使えません", {}, {"gooda|b.jpg"}},
        Outcome{"Help", "--help", 0, "Usage: skalomi-cli", {}, {}},
        Outcome{"Version", "--version good.bmp", 0, "Skalomi 4.02", {}, {"good_ks.jpg"}},
        Outcome{"VersionWithAMistake", "-v --type tiff", 2, "--type takes", {}, {}}),
    NameOfParam());

// Jobs that stream (a JPEG decoded in bands, the result written as its rows
// are made) and jobs that do not, against the whole picture scaled and saved
// in this process: the same bytes, whatever the number of jobs at once.
struct StreamedRun {
    const char* name;
    std::string options;  // before the files
    std::string output;   // the output of in.jpg
};

void PrintTo(const StreamedRun& c, std::ostream* os) {
    *os << c.name;
}

class CliStreamedJobs : public ::testing::TestWithParam<StreamedRun> {};

// The whole-picture path on `source` as the command line reads its options.
std::vector<std::uint8_t> wholePathBytes(const std::string& source, const std::string& args,
                                         const std::string& path) {
    std::vector<std::string> words;
    std::istringstream in(args);
    for (std::string word; in >> word;) words.push_back(word);
    words.push_back(source);
    const CliOptions o = ParseCommandLine(words);
    TDIB picture;
    EXPECT_TRUE(LoadPictureFile(source, picture));
    const SelectionRect selection =
        o.Selection ? OrderAndClampSelection(*o.Selection, picture.Width(), picture.Height())
                    : WholePicture(picture.Width(), picture.Height());
    ScalePlan plan;
    EXPECT_EQ(PlanScale(o.Settings, selection, plan), ScaleRefusal::None);
    TDIB result;
    ResampleTables tables;
    RunScale(picture, selection, o.Settings, plan, result, tables);
    SavePictureToFile(result, path);
    return ReadBytes(path);
}

TEST_P(CliStreamedJobs, WriteTheBytesOfTheWholePicture) {
    const StreamedRun& c = GetParam();
    TempDir dir;
    WriteBytes(dir.file("in.jpg"), EncodeJPEG(MakePicture24(301, 187, [](int x, int y) {
                   return ((x * 3 + y) & 0xFF) | (((x ^ y) & 0xFF) << 8) |
                          ((((x * y) >> 4) & 0xFF) << 16);
               })));
    writePicture(dir.file("b.bmp"), 90, 70, 4);
    for (const char* jobs : {"-j 1", "-j 2"}) {
        SCOPED_TRACE(jobs);
        const CommandResult r = cli(
            dir, std::string("-q -y ") + jobs + " " + c.options + " -o " + c.output + " in.jpg");
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(ReadBytes(dir.file(c.output)),
                  wholePathBytes(dir.file("in.jpg"), c.options, dir.file("e-" + c.output)));
    }
    // Several files at once, on workers that may borrow the spare core.
    fs::create_directory(dir.file("out"));
    const CommandResult r = cli(dir, "-q -y -j 2 " + c.options + " -d out in.jpg b.bmp in.jpg");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadBytes(dir.file("out/in_ks.jpg")),
              wholePathBytes(dir.file("in.jpg"), c.options, dir.file("e.jpg")));
    EXPECT_EQ(ReadBytes(dir.file("out/b_ks.jpg")),
              wholePathBytes(dir.file("b.bmp"), c.options, dir.file("e.jpg")));
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, CliStreamedJobs,
    ::testing::Values(StreamedRun{"HalfToJpeg", "-p 50", "out.jpg"},
                      StreamedRun{"ToneToPng", "-p 37,140 -c 6 -b -2", "out.png"},
                      StreamedRun{"EnlargedToBmp", "-p 230", "out.bmp"},
                      StreamedRun{"HalfTurnToBmp", "-p 80 -r 180", "out.bmp"},
                      StreamedRun{"HalfTurnToJpegWhole", "-p 80 -r 180", "out.jpg"},
                      StreamedRun{"QuarterTurnWhole", "-x 120,90 -r left", "out.png"},
                      StreamedRun{"SelectionToJpeg", "--select 250,20,40,150 -p 70", "out.jpg"},
                      StreamedRun{"GifWhole", "-p 60", "out.gif"}),
    NameOfParam());

// A missing --dest folder is made with those above it, before the report
// goes into it, and said once, not with -q; a dry run makes none and says so.
TEST(CliEndToEnd, AMissingDestinationIsMadeAndSaidOnce) {
    struct Case {
        const char* options;
        const char* line;
        int times;
        bool made;
    };
    for (const Case& c :
         {Case{"--report new/sub/r.jsonl", "skalomi-cli: made the folder new/sub\n", 1, true},
          Case{"-q", "made the folder", 0, true},
          Case{"-n", "skalomi-cli: the folder new/sub does not exist; a run makes it\n", 1,
               false}}) {
        TempDir dir;
        writePicture(dir.file("a.bmp"), 20, 10, 1);
        writePicture(dir.file("b.bmp"), 10, 20, 2);
        const CommandResult r = cli(dir, std::string(c.options) + " -d new/sub a.bmp b.bmp");
        EXPECT_EQ(r.status, 0) << c.options << ": " << r.output;
        int times = 0;
        for (std::size_t at = r.output.find(c.line); at != std::string::npos;
             at = r.output.find(c.line, at + 1))
            ++times;
        EXPECT_EQ(times, c.times) << c.options << ": " << r.output;
        EXPECT_EQ(fs::exists(dir.file("new/sub/b_ks.jpg")), c.made) << c.options;
        EXPECT_EQ(fs::exists(dir.file("new")), c.made) << c.options;
    }
}

// The file --output writes is of the type its name or --type asks for, on
// the streamed path (a JPEG source, unturned) and the whole one.
struct OutputType {
    const char* name;
    std::string args;  // before the source, in.jpg or a.bmp
    std::string source;
    std::string output;
    const char* signature;  // the first bytes of a file of the type
};

void PrintTo(const OutputType& c, std::ostream* os) {
    *os << c.name;
}

class CliOutputTypes : public ::testing::TestWithParam<OutputType> {};

TEST_P(CliOutputTypes, WrittenAsAsked) {
    const OutputType& c = GetParam();
    TempDir dir;
    writePicture(dir.file("a.bmp"), 20, 10, 3);
    WriteBytes(dir.file("in.jpg"), EncodeJPEG(MakePicture24(20, 10, [](int x, int) { return x; })));
    fs::create_directory(dir.file("v.2"));
    const CommandResult r = cli(dir, "-q -p 50 " + c.args + " -o " + c.output + " " + c.source);
    ASSERT_EQ(r.status, 0) << r.output;
    const std::vector<std::uint8_t> bytes = ReadBytes(dir.file(c.output));
    const std::string signature = c.signature;
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + std::min(bytes.size(), signature.size())),
              signature);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CliOutputTypes,
    ::testing::Values(OutputType{"StreamedJpeg", "", "in.jpg", "out.jpeg", "\xff\xd8\xff"},
                      OutputType{"WholeMixedCaseJpg", "", "a.bmp", "out.Jpg", "\xff\xd8\xff"},
                      OutputType{"StreamedPngByType", "-t png", "in.jpg", "out.jpg", "\x89PNG"},
                      OutputType{"TurnedBmpByType", "-r left -t bmp", "in.jpg", "out.png", "BM"},
                      OutputType{"GifWithoutExtension", "-t gif", "a.bmp", "out", "GIF87a"},
                      OutputType{"UpperCaseJpe", "", "a.bmp", "out.JPE", "\xff\xd8\xff"},
                      OutputType{"MixedCasePngInADottedFolder", "", "a.bmp", "v.2/o.pNg",
                                 "\x89PNG"},
                      OutputType{"BmpWithoutExtension", "", "in.jpg", "v.2/out", "BM"},
                      OutputType{"TypeForAnUnknownOne", "-t gif", "in.jpg", "out.raw", "GIF87a"}),
    NameOfParam());

}  // namespace
