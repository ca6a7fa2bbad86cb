// Nothing lost in a run of many files: no output written twice, no file
// replaced that the run did not find there, a report that never lands on a
// picture, and no tiny hostile file taking the machine's memory.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "picture/picture_saver.h"
#include "picture/system/file_io.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/declaring_files.h"

namespace fs = std::filesystem;

namespace {

const FileBytes kTheirs = {'t', 'h', 'e', 'i', 'r', 's'};

FileBytes textBytes(const std::string& text) {
    return FileBytes(text.begin(), text.end());
}

// A JPEG of width x height whose frame header declares another size.
FileBytes jpegDeclaring(const TempDir& dir, int width, int height) {
    SavePictureToFile(MakePicture(16, 16, [](int x, int y) { return x * 9 + y; }),
                      dir.file("seed.jpg"));
    FileBytes bytes = ReadBytes(dir.file("seed.jpg"));
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<std::uint8_t>(height);
            bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<std::uint8_t>(width);
            break;
        }
    fs::remove(dir.file("seed.jpg"));
    return bytes;
}

struct RunCase {
    const char* name;
    std::function<void(const TempDir&)> setUp;
    std::string args;
    int status;
    std::vector<std::string> said;  // parts of the output, each once at least
    // Files and the bytes they still hold afterwards.
    std::vector<std::pair<std::string, FileBytes>> kept;
    std::string environment = "";  // variables set for the run
};

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

void pictures(const TempDir& dir, const std::vector<std::string>& names) {
    int seed = 0;
    for (const std::string& name : names) {
        fs::create_directories(fs::path(dir.file(name)).parent_path());
        WriteTestPicture(dir.file(name), 20 + 10 * seed, 10 + 10 * seed, seed);
        ++seed;
    }
}

class CliRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(CliRuns, StatusWordsAndFilesKept) {
    const RunCase& c = GetParam();
    TempDir dir;
    c.setUp(dir);
    const CommandResult r = RunCli(dir, c.args, c.environment);
    EXPECT_EQ(r.status, c.status) << r.output;
    for (const std::string& part : c.said) EXPECT_TRUE(Contains(r.output, part)) << r.output;
    for (const auto& [name, bytes] : c.kept) EXPECT_EQ(ReadBytes(dir.file(name)), bytes) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliRuns,
    ::testing::Values(
        RunCase{"OverwriteTwoTypesIntoOneOutputIsAClash",
                [](const TempDir& d) {
                    pictures(d, {"x.bmp", "x.gif"});
                },
                "-q -y -d dest -t png x.bmp x.gif",
                1,
                {"x.bmp -> dest/x_ks.png (20x10)",
                 "x.gif: clash: x.bmp is written to dest/x_ks.png too"},
                {}},
        RunCase{"OverwriteOneNameFromTwoFoldersIsAClash",
                [](const TempDir& d) {
                    pictures(d, {"a/p.bmp", "b/p.bmp"});
                },
                "-q -y -d dest -t png a/p.bmp b/p.bmp",
                1,
                {"a/p.bmp -> dest/p_ks.png (20x10)", "b/p.bmp: clash: a/p.bmp"},
                {}},
        RunCase{"AResumedRunEndsWithZero",
                [](const TempDir& d) {
                    pictures(d, {"p.bmp"});
                    WriteBytes(d.file("p_ks.png"), kTheirs);
                },
                "-q -t png p.bmp",
                0,
                {"p_ks.png: exists; left as it is (--overwrite replaces it)"},
                {{"p_ks.png", kTheirs}}},
        RunCase{
            "AFoundOutputIsToldAndNoInput",
            [](const TempDir& d) {
                pictures(d, {"f/a.bmp", "f/a_ks.bmp"});
            },
            "-q -t bmp f",
            0,
            {"f/a_ks.bmp: the output of f/a.bmp in this run", "f/a_ks.bmp: exists; left as it is"},
            {}},
        RunCase{"AReportIsNoInput",
                [](const TempDir& d) {
                    pictures(d, {"a.bmp", "b.bmp"});
                },
                "-q -t png --report=b.bmp a.bmp b.bmp",
                2,
                {"--report b.bmp is a file of this run"},
                {}},
        RunCase{"AReportIsNoOutput",
                [](const TempDir& d) { pictures(d, {"a.bmp"}); },
                "-q -t png --report a_ks.png a.bmp",
                2,
                {"--report a_ks.png is a file of this run"},
                {}},
        RunCase{"AReportGoesOnNoOtherFile",
                [](const TempDir& d) {
                    pictures(d, {"a.bmp"});
                    WriteBytes(d.file("notes.txt"), kTheirs);
                },
                "-q --report notes.txt a.bmp",
                2,
                {"--report notes.txt holds something else than a report"},
                {{"notes.txt", kTheirs}}},
        RunCase{"AListsCarriageReturnIsShown",
                [](const TempDir& d) {
                    pictures(d, {"a.bmp"});
                    WriteBytes(d.file("list"), textBytes("a.bmp\r\n"));
                },
                "-q --files-from list",
                1,
                {"skalomi-cli: a.bmp\\r: "},
                {}},
        // Under the limit a run has by default (2 GiB, or less when the
        // machine gives less), tiny files declaring huge pictures are
        // refused at once for their needs; a picture that fits is scaled.
        RunCase{"HostileGifBmpAndJpegRefusedAtTheDefaultLimit",
                [](const TempDir& d) {
                    WriteBytes(d.file("screen.gif"), GifDeclaring(65535, 65535));
                    WriteBytes(d.file("runs.bmp"), RleBmpDeclaring(30000, 30000));
                    WriteBytes(d.file("frame.jpg"), jpegDeclaring(d, 60000, 60000));
                    WriteBytes(d.file("large.gif"), GifDeclaring(6000, 6000));
                },
                "-q -j 2 -t png -p 5 screen.gif runs.bmp frame.jpg large.gif",
                1,
                {"screen.gif: 処理出来ないファイルです (GIF: Picture of 65535 x 65535 pixels "
                 "needs",
                 "runs.bmp: 処理出来ないファイルです (BMP", "frame.jpg: 処理出来ないファイルです",
                 "the limit is 2 GiB: --memory-limit", "large.gif -> large_ks.png (300x300)"},
                {}},
        RunCase{"TheVariableSetsTheLimit",
                [](const TempDir& d) { WriteBytes(d.file("large.gif"), GifDeclaring(6000, 6000)); },
                "-q -t png -p 5 large.gif",
                1,
                {"the limit is 64 MiB: SKALOMI_MEMORY_LIMIT"},
                {},
                "SKALOMI_MEMORY_LIMIT=64M"},
        RunCase{"TheOptionBeatsTheVariable",
                [](const TempDir& d) { WriteBytes(d.file("large.gif"), GifDeclaring(6000, 6000)); },
                "-q -t png -p 5 --memory-limit 512M large.gif",
                0,
                {"large.gif -> large_ks.png (300x300)"},
                {},
                "SKALOMI_MEMORY_LIMIT=64M"}),
    NameOfParam());

// Under a tight limit, files that each fit alone but not two at once are
// all written with -j 2: one waits for the other.
TEST(CliLimit, JobsAtOnceWaitForEachOtherUnderALimit) {
    TempDir dir;
    const int side = static_cast<int>(std::sqrt(96.0 * (1 << 20) * 0.65 / 4));
    for (const char* name : {"a.gif", "b.gif", "c.gif"})
        WriteBytes(dir.file(name), GifDeclaring(side, side));
    const CommandResult r =
        RunCli(dir, "-q -j 2 -t bmp -p 10 --memory-limit 96M a.gif b.gif c.gif");
    EXPECT_EQ(r.status, 0) << "side " << side << "\n" << r.output;
    for (const char* name : {"a_ks.bmp", "b_ks.bmp", "c_ks.bmp"})
        EXPECT_TRUE(fs::exists(dir.file(name))) << name << "\n" << r.output;
}

TEST(CliHelp, ListsEveryStatusOfTheReport) {
    TempDir dir;
    const std::string help = RunCli(dir, "--help").output;
    for (const char* word : {"ok (written)", "skipped (", "refused (", "failed (", "planned (",
                             "--memory-limit SIZE", "SKALOMI_MEMORY_LIMIT"})
        EXPECT_TRUE(Contains(help, word)) << word;
}

// A file that appears at an output's name after the run's checks, made by
// another program at that moment, stays: the save never replaces it,
// whichever way the job writes, and the run says the output exists. With
// --overwrite, only an output there before the run is replaced.
struct RaceCase {
    const char* name;
    const char* source;
    PictureFileType type;
    bool overwrite;
    bool outputBefore;
    bool replaced;
    const char* said;
};

void PrintTo(const RaceCase& c, std::ostream* os) {
    *os << c.name;
}

class OutputAppearing : public ::testing::TestWithParam<RaceCase> {
protected:
    void TearDown() override { SetBeforeNamingHookForTesting({}); }
};

TEST_P(OutputAppearing, StaysUnlessThereBeforeTheRun) {
    const RaceCase& c = GetParam();
    TempDir dir;
    SavePictureToFile(MakePicture(24, 16, [](int x, int y) { return x * 11 + (y << 9); }),
                      dir.file(c.source));
    const std::string output = dir.file("out");
    if (c.outputBefore) WriteBytes(output, kTheirs);
    SetBeforeNamingHookForTesting([&] {
        if (!fs::exists(output)) WriteBytes(output, kTheirs);
    });
    CliOptions options;
    options.Type = c.type;
    options.Overwrite = c.overwrite;
    options.Jobs = 1;
    RunReporter reporter;
    std::string said;
    reporter.FileDone = [&](int, const FileJob&, const FileOutcome& o) { said = o.Message; };
    const int status =
        RunCliJobs(options, {FileJob{dir.file(c.source), output, "", -1}}, {0}, reporter);
    EXPECT_EQ(status, 0) << said;
    EXPECT_TRUE(Contains(said, c.said)) << said;
    EXPECT_EQ(ReadBytes(output) != kTheirs, c.replaced);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputAppearing,
    ::testing::Values(RaceCase{"JpegDecodedInBands", "s.jpg", PictureFileType::PNG, false, false,
                               false, "exists; left as it is (--overwrite replaces it)"},
                      RaceCase{"ResultWrittenRowByRow", "s.bmp", PictureFileType::PNG, false, false,
                               false, "exists; left as it is"},
                      RaceCase{"WholePicture", "s.bmp", PictureFileType::GIF, false, false, false,
                               "exists; left as it is"},
                      RaceCase{"OverwriteLeavesANewcomer", "s.jpg", PictureFileType::JPEG, true,
                               false, false, "it appeared after the run started"},
                      RaceCase{"OverwriteReplacesWhatWasThere", "s.bmp", PictureFileType::GIF, true,
                               true, true, "-> "}),
    NameOfParam());

}  // namespace
