// skalomi-cli over many files as batch jobs use it: folders walked into a
// destination tree, lists of names, clashes and outputs that would replace
// inputs, the plan of a dry run, the JSON report and a resumed run, and a
// job spread over shards. The built binary is run as a user runs it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/cli/cli_test_helpers.h"
#include "tests/support/exif_builders.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Every file below `folder`, relative to it, with its bytes.
std::map<std::string, Bytes> filesBelow(const std::string& folder) {
    std::map<std::string, Bytes> files;
    for (const std::string& path : ListFiles(folder))
        files[path.substr(folder.size() + 1)] = ReadBytes(path);
    return files;
}

std::vector<std::string> namesOf(const std::map<std::string, Bytes>& files) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files) names.push_back(name);
    return names;
}

// The lines of `text` that contain `part`.
int linesWith(const std::string& text, const std::string& part) {
    int count = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (text.substr(start, end - start).find(part) != std::string::npos) ++count;
        start = end + 1;
    }
    return count;
}

// in/a.bmp, in/notes.txt, in/.thumbs/t.bmp, in/x/b.bmp, in/x/y/c.bmp and
// in/x/y/c.gif (a GIF beside c.bmp: the same output name).
class Folders : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir.file("in/x/y"));
        fs::create_directories(dir.file("out"));
        fs::create_directories(dir.file("out2"));
        fs::create_directories(dir.file("in/.thumbs"));
        WriteTestPicture(dir.file("in/a.bmp"), 30, 20, 1);
        WriteTestPicture(dir.file("in/.thumbs/t.bmp"), 8, 8, 2);
        WriteTestPicture(dir.file("in/x/b.bmp"), 25, 40, 3);
        WriteTestPicture(dir.file("in/x/y/c.bmp"), 17, 9, 4);
        WriteBytes(dir.file("in/notes.txt"), {'n', 'o', 't', 'e'});
        // c.gif: the same picture as c.bmp's, but a GIF
        const CommandResult r = RunCli(dir, "-q -o in/x/y/c.gif in/x/y/c.bmp");
        ASSERT_EQ(r.status, 0) << r.output;
    }

    // What --output makes of one file with `args`: the bytes a folder run
    // must give for it.
    Bytes alone(const std::string& source, const std::string& args) {
        const CommandResult r = RunCli(dir, "-q -y " + args + " -o alone.bmp " + source);
        EXPECT_EQ(r.status, 0) << r.output;
        Bytes bytes = ReadBytes(dir.file("alone.bmp"));
        fs::remove(dir.file("alone.bmp"));
        return bytes;
    }

    TempDir dir;
};

TEST_F(Folders, RecursiveRunMakesTheTreeAgainUnderTheDestination) {
    const CommandResult r = RunCli(dir, "-q -R -t bmp -p 50 -d out in");
    EXPECT_EQ(r.status, 1) << r.output;  // the clash of c.bmp and c.gif
    EXPECT_EQ(
        linesWith(r.output, "in/x/y/c.gif: clash: in/x/y/c.bmp is written to out/x/y/c_ks.bmp too"),
        1)
        << r.output;
    const std::map<std::string, Bytes> out = filesBelow(dir.file("out"));
    EXPECT_EQ(namesOf(out), (std::vector<std::string>{"a_ks.bmp", "x/b_ks.bmp", "x/y/c_ks.bmp"}));
    EXPECT_EQ(out.at("a_ks.bmp"), alone("in/a.bmp", "-p 50"));
    EXPECT_EQ(out.at("x/b_ks.bmp"), alone("in/x/b.bmp", "-p 50"));
    EXPECT_EQ(out.at("x/y/c_ks.bmp"), alone("in/x/y/c.bmp", "-p 50"));
}

TEST_F(Folders, WithoutRecursiveOnlyTheFolderItself) {
    const CommandResult r = RunCli(dir, "-q -t bmp -d out in");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(namesOf(filesBelow(dir.file("out"))), (std::vector<std::string>{"a_ks.bmp"}));
}

TEST_F(Folders, WithOverwriteAClashIsStillAClashAndTheFirstStays) {
    const CommandResult r = RunCli(dir, "-q -y -R -t bmp -d out in/x");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_EQ(linesWith(r.output, "in/x/y/c.gif: clash: in/x/y/c.bmp is written to out/y/c_ks.bmp"),
              1)
        << r.output;
    EXPECT_EQ(ReadBytes(dir.file("out/y/c_ks.bmp")), alone("in/x/y/c.bmp", ""));
}

TEST_F(Folders, TheSameNameFromTwoFoldersIntoOneIsAClash) {
    fs::create_directories(dir.file("other"));
    WriteTestPicture(dir.file("other/a.bmp"), 11, 12, 9);
    const CommandResult r = RunCli(dir, "-q -t bmp -d out in other");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_EQ(linesWith(r.output, "other/a.bmp: clash: in/a.bmp is written to out/a_ks.bmp too"), 1)
        << r.output;
    EXPECT_EQ(ReadBytes(dir.file("out/a_ks.bmp")), alone("in/a.bmp", ""));
}

TEST_F(Folders, ARerunTakesNoOutputForAnInputAndResumes) {
    // Outputs beside their sources, so the rerun walks them too.
    CommandResult r = RunCli(dir, "-q -R -t bmp --report first.jsonl in/x");
    ASSERT_EQ(r.status, 1) << r.output;  // the clash
    const std::map<std::string, Bytes> before = filesBelow(dir.file("in"));
    // An interrupted run: one output never made.
    fs::remove(dir.file("in/x/b_ks.bmp"));
    r = RunCli(dir, "-q -R -t bmp --report - in/x");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_EQ(linesWith(r.output, "\"status\":\"ok\""), 1) << r.output;
    EXPECT_EQ(linesWith(r.output,
                        "\"input\":\"in/x/b.bmp\",\"output\":\"in/x/b_ks.bmp\",\"status\":\"ok\""),
              1)
        << r.output;
    EXPECT_EQ(
        linesWith(
            r.output,
            "\"input\":\"in/x/y/c.bmp\",\"output\":\"in/x/y/c_ks.bmp\",\"status\":\"skipped\""),
        1)
        << r.output;
    EXPECT_EQ(linesWith(r.output, "_ks_ks"), 0) << r.output;
    EXPECT_EQ(filesBelow(dir.file("in")), before);
}

TEST_F(Folders, AFolderWithoutPicturesIsNoError) {
    fs::create_directories(dir.file("empty/sub"));
    WriteBytes(dir.file("empty/sub/readme"), {'x'});
    const CommandResult r = RunCli(dir, "-R empty");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(Contains(r.output, "no pictures to scale")) << r.output;
    EXPECT_EQ(EntriesOf(dir.file("empty")), (std::vector<std::string>{"sub"}));
}

TEST_F(Folders, ALoopOfLinksEnds) {
    fs::create_directory_symlink("../..", dir.file("in/x/y/back"));
    const CommandResult r = RunCli(dir, "-q -R --follow -t png -d out in", "timeout 60");
    EXPECT_EQ(r.status, 1) << r.output;  // the clash; never 124, the timeout's
    EXPECT_EQ(namesOf(filesBelow(dir.file("out"))),
              (std::vector<std::string>{"a_ks.png", "x/b_ks.png", "x/y/c_ks.png"}));
}

TEST_F(Folders, ListsOfNamesOneALineOrNulSeparated) {
    WriteBytes(dir.file("list"),
               {'i', 'n', '/', 'a', '.', 'b', 'm', 'p', '\n', '\n', 'i', 'n', '/', 'x', '\n'});
    CommandResult r = RunCli(dir, "-q -t bmp -d out --files-from list");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(namesOf(filesBelow(dir.file("out"))),
              (std::vector<std::string>{"a_ks.bmp", "b_ks.bmp"}));

    r = RunCli(dir, "-q -t bmp -d out2 -0 --files-from - in/a.bmp",
               "printf 'in/x/y/c.bmp\\0in/x/b.bmp\\0' |");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(namesOf(filesBelow(dir.file("out2"))),
              (std::vector<std::string>{"a_ks.bmp", "b_ks.bmp", "c_ks.bmp"}));
}

// ------------------------------------------------------ faults kept out

struct ReplaceCase {
    const char* name;
    std::string args;
    std::string says;
};

void PrintTo(const ReplaceCase& c, std::ostream* os) {
    *os << c.name;
}

class InputsNeverReplaced : public ::testing::TestWithParam<ReplaceCase> {};

// In a folder with a.bmp, a_ks.bmp (a picture too) and sub/a.bmp.
TEST_P(InputsNeverReplaced, WhateverTheOptions) {
    TempDir dir;
    fs::create_directories(dir.file("sub"));
    WriteTestPicture(dir.file("a.bmp"), 20, 10, 1);
    WriteTestPicture(dir.file("a_ks.bmp"), 21, 11, 2);
    WriteTestPicture(dir.file("sub/a.bmp"), 22, 12, 3);
    const std::map<std::string, Bytes> before = filesBelow(dir.path());
    const CommandResult r = RunCli(dir, "-q -y " + GetParam().args);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(Contains(r.output, GetParam().says)) << r.output;
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(ReadBytes(dir.file(name)), bytes) << name << " was replaced";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InputsNeverReplaced,
    ::testing::Values(ReplaceCase{"AnotherInputsOutput", "-t bmp a.bmp a_ks.bmp",
                                  "a.bmp: its output a_ks.bmp is one of this run's inputs"},
                      ReplaceCase{"OutputNamedAsTheInput", "-o a.bmp a.bmp",
                                  "a.bmp: its output a.bmp is one of this run's inputs"},
                      ReplaceCase{"IntoAFolderHoldingAnInput",
                                  "-t bmp -s '' -d sub a.bmp sub/a.bmp",
                                  "a.bmp: its output sub/a.bmp is one of this run's inputs"}),
    NameOfParam());

TEST(CliBatch, AnOutputLinkedToAnInputIsRefused) {
    TempDir dir;
    WriteTestPicture(dir.file("a.bmp"), 20, 10, 1);
    WriteTestPicture(dir.file("b.bmp"), 20, 10, 2);
    fs::create_symlink("b.bmp", dir.file("a_ks.bmp"));
    const Bytes b = ReadBytes(dir.file("b.bmp"));
    const CommandResult r = RunCli(dir, "-q -y -t bmp a.bmp b.bmp");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(Contains(r.output, "a.bmp: its output a_ks.bmp is one of this run's inputs"))
        << r.output;
    EXPECT_EQ(ReadBytes(dir.file("b.bmp")), b);
}

struct UsageCase {
    const char* name;
    std::string args;
    std::string line;  // the first line on standard error
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.name;
}

class BatchUsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(BatchUsageErrors, ExitTwoWithOneLineAndNothingWritten) {
    TempDir dir;
    WriteTestPicture(dir.file("a.bmp"), 20, 10, 1);
    const CommandResult r = RunCli(dir, GetParam().args + " a.bmp");
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_EQ(r.output.substr(0, r.output.find('\n')), "skalomi-cli: " + GetParam().line);
    EXPECT_EQ(EntriesOf(dir.path()), std::vector<std::string>{"a.bmp"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchUsageErrors,
    ::testing::Values(UsageCase{"ShardOutOfRange", "--shard 4/4",
                                "--shard takes K/N, a share K from 0 to N - 1 of N (such as 0/4)"},
                      UsageCase{"ShardNotANumber", "--shard one/4",
                                "--shard takes K/N, a share K from 0 to N - 1 of N (such as 0/4)"},
                      UsageCase{"LongEdgeZero", "--long-edge 0",
                                "--long-edge: '0' is out of range 1..2147483647"},
                      UsageCase{"ShortEdgeZero", "--short-edge=0",
                                "--short-edge: '0' is out of range 1..2147483647"},
                      UsageCase{"MissingList", "--files-from nothing.txt",
                                "--files-from nothing.txt: No such file or directory"},
                      UsageCase{"ReportInAMissingFolder", "--report no/such/report.jsonl",
                                "--report no/such/report.jsonl: No such file or directory"},
                      UsageCase{"OutputForAFolder", "-o x.bmp .",
                                "--output takes a single input file"}),
    NameOfParam());

// ------------------------------------------------------------ dry run

// good.bmp 60 x 40, old.bmp with its output old_ks.jpg, junk.bmp, tall.bmp 1 x 40.
class DryRun : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir.file("in/sub"));
        WriteTestPicture(dir.file("in/good.bmp"), 60, 40, 1);
        WriteTestPicture(dir.file("in/old.bmp"), 30, 30, 2);
        WriteBytes(dir.file("in/old_ks.jpg"), {'k', 'e', 'e', 'p'});
        WriteBytes(dir.file("in/junk.bmp"), {'B', 'M', 'j', 'u', 'n', 'k'});
        WriteTestPicture(dir.file("in/tall.bmp"), 1, 40, 3);
        WriteTestPicture(dir.file("in/sub/wide.bmp"), 90, 30, 4);
    }
    TempDir dir;
};

TEST_F(DryRun, SaysWhatTheRunWouldDoAndWritesNothing) {
    const std::vector<std::string> before = ListFiles(dir.path());
    const CommandResult r = RunCli(dir, "-n -R --long-edge 45 -d out in", "mkdir out &&");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_EQ(r.output,
              "in/good.bmp -> out/good_ks.jpg (60x40 -> 45x30)\n"
              "in/junk.bmp: 処理出来ないファイルです "
              "(BMP: the file ends inside its file header (it has 6 bytes))\n"
              "in/old.bmp -> out/old_ks.jpg (30x30 -> 45x45)\n"
              "in/sub/wide.bmp -> out/sub/wide_ks.jpg (90x30 -> 45x15)\n"
              "in/tall.bmp: nothing to scale: the picture or the selection is one pixel wide or "
              "high\n");
    EXPECT_EQ(ListFiles(dir.path()), before);
    EXPECT_FALSE(fs::exists(dir.file("out/sub"))) << "a folder was made";
}

TEST_F(DryRun, NamesTheOutputsThatExist) {
    const CommandResult r = RunCli(dir, "--dry-run --no-enlarge --long-edge 45 in");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_EQ(linesWith(r.output, "in/old_ks.jpg: exists; left as it is"), 1) << r.output;
    EXPECT_EQ(linesWith(r.output, "in/good.bmp -> in/good_ks.jpg (60x40 -> 45x30)"), 1);
    EXPECT_EQ(ReadBytes(dir.file("in/old_ks.jpg")), (Bytes{'k', 'e', 'e', 'p'}));
}

TEST_F(DryRun, PlansWhatTheRunThenDoes) {
    fs::remove(dir.file("in/old_ks.jpg"));
    const std::string args = "-R --short-edge 20 -r right --select 2,2,80,70 -t png in";
    const CommandResult planRun = RunCli(dir, "-n --report plan.jsonl " + args);
    const CommandResult realRun = RunCli(dir, "-q --report run.jsonl " + args);
    EXPECT_EQ(planRun.status, realRun.status);
    const Bytes planBytes = ReadBytes(dir.file("plan.jsonl")),
                runBytes = ReadBytes(dir.file("run.jsonl"));
    const CommandResult plan{0, std::string(planBytes.begin(), planBytes.end())};
    const CommandResult run{0, std::string(runBytes.begin(), runBytes.end())};
    // Line by line the same but for the status and the milliseconds.
    auto normalised = [](std::string text) {
        for (const char* word : {"\"planned\"", "\"ok\""}) {
            for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word))
                text.replace(at, std::string(word).size(), "\"done\"");
        }
        std::string out;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            line = line.substr(0, line.find(",\"milliseconds\""));
            // A refusal found while loading carries the source's size only
            // in the run, which read the file.
            if (line.find("\"refused\"") != std::string::npos)
                line = line.substr(0, line.find(",\"source\""));
            out += line + "\n";
            start = end + 1;
        }
        return out;
    };
    std::string planned = normalised(plan.output), done = normalised(run.output);
    // The run reports as files end; the plan in order.
    auto sortedLines = [](const std::string& text) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find('\n', start);
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    EXPECT_EQ(sortedLines(planned), sortedLines(done)) << plan.output << "\n" << run.output;
    EXPECT_EQ(linesWith(plan.output, "\"status\":\"planned\""), 3) << plan.output;
}

TEST_F(DryRun, AutoOrientLeavesPicturesWithoutExifAsTheyAre) {
    const CommandResult r = RunCli(dir, "-n --auto-orient -p 50 in/good.bmp");
    EXPECT_EQ(r.output, "in/good.bmp -> in/good_ks.jpg (60x40 -> 30x20)\n");
}

// ------------------------------------------------------------- report

TEST(CliReport, EveryStatusInLinesAPythonReads) {
    TempDir dir;
    WriteTestPicture(dir.file("ok.bmp"), 40, 30, 1);
    WriteTestPicture(dir.file("kept.bmp"), 10, 10, 2);
    WriteBytes(dir.file("kept_ks.bmp"), {'k'});
    WriteBytes(dir.file("junk.bmp"), {'j'});
    WriteTestPicture(dir.file("blocked.bmp"), 10, 10, 3);
    fs::create_directories(dir.file("blocked_ks.bmp"));  // a folder where the output goes
    // A name that is not UTF-8, and one with quotes and a line break, given
    // in a NUL-separated list.
    WriteTestPicture(dir.file("caf\xE9.bmp"), 12, 8, 4);
    WriteTestPicture(dir.file("say \"hi\"\n.bmp"), 12, 8, 5);
    const std::string list =
        std::string("ok.bmp\0kept.bmp\0junk.bmp\0blocked.bmp\0caf\xE9.bmp\0", 46) +
        "say \"hi\"\n.bmp";
    WriteBytes(dir.file("list"), Bytes(list.begin(), list.end()));
    const std::string args = "-q -t bmp -p 50 -0 --files-from list";

    const CommandResult plain = RunCli(dir, args + " >/dev/null 2>&1; echo $?");
    EXPECT_EQ(plain.output, "1\n");
    for (const char* name : {"ok_ks.bmp", "caf\xE9_ks.bmp", "say \"hi\"\n_ks.bmp"})
        ASSERT_TRUE(fs::remove(dir.file(name))) << name;
    const CommandResult r = RunCli(dir, args + " --report r.jsonl");
    EXPECT_EQ(r.status, 1) << "the report changed the exit status: " << r.output;

    const std::string script =
        "import json, os, sys\n"
        "for line in open(sys.argv[1], encoding='utf-8'):\n"
        "    r = json.loads(line)\n"
        "    name = os.fsencode(r['input']).decode('latin-1').encode('unicode_escape').decode()\n"
        "    size = lambda s: '%dx%d' % (s['width'], s['height']) if s else '-'\n"
        "    ms = 'ms' if type(r['milliseconds']) is int and r['milliseconds'] >= 0 else 'no ms'\n"
        "    print(name, r['status'], size(r['source']), size(r['finished']), ms,\n"
        "          r['message'].split(' ')[0])\n";
    WriteBytes(dir.file("read.py"), Bytes(script.begin(), script.end()));
    const CommandResult read =
        RunCommand("PYTHONIOENCODING=utf-8 /usr/bin/python3 " + dir.file("read.py") + " " +
                   dir.file("r.jsonl") + " | LC_ALL=C sort");
    EXPECT_EQ(read.status, 0) << read.output;
    EXPECT_EQ(read.output,
              "blocked.bmp failed - - ms Cannot\n"
              "caf\\xe9.bmp ok 12x8 6x4 ms \n"
              "junk.bmp refused - - ms 処理出来ないファイルです\n"
              "kept.bmp skipped - - ms exists;\n"
              "ok.bmp ok 40x30 20x15 ms \n"
              "say \"hi\"\\n.bmp ok 12x8 6x4 ms \n");
}

TEST(CliReport, LinesAreAddedToWhatTheFileHolds) {
    TempDir dir;
    WriteTestPicture(dir.file("a.bmp"), 10, 10, 1);
    WriteBytes(dir.file("r.jsonl"), {'{', '}', '\n'});
    ASSERT_EQ(RunCli(dir, "-q --report r.jsonl a.bmp").status, 0);
    ASSERT_EQ(RunCli(dir, "-q --report r.jsonl a.bmp").status, 0);  // the output exists
    const Bytes bytes = ReadBytes(dir.file("r.jsonl"));
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.substr(0, 3), "{}\n");
    EXPECT_EQ(linesWith(text, "\"status\":\"ok\""), 1);
    EXPECT_EQ(linesWith(text, "\"status\":\"skipped\""), 1);
}

TEST(CliReport, OnStandardOutputTheReportIsAllThereIs) {
    TempDir dir;
    WriteTestPicture(dir.file("a.bmp"), 10, 10, 1);
    const CommandResult r = RunCli(dir, "-q --report - a.bmp");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output.rfind("{\"input\":\"a.bmp\",\"output\":\"a_ks.jpg\",\"status\":\"ok\"", 0),
              0u)
        << r.output;
    EXPECT_EQ(linesWith(r.output, ""), 1) << r.output;
}

// A JPEG job that streams (its rows decoded in bands) and one that loads
// the picture whole (a tagged photo turned upright first) report the same
// sizes as each other and as the plan.
struct JpegReportCase {
    const char* name;
    int orientation;  // of the stored picture, 64 x 48 upright
    std::string args;
    std::string sizes;  // "source finished" as the report gives them
};

void PrintTo(const JpegReportCase& c, std::ostream* os) {
    *os << c.name;
}

class JpegReports : public ::testing::TestWithParam<JpegReportCase> {};

TEST_P(JpegReports, GiveTheSizesOfThePlan) {
    const JpegReportCase& c = GetParam();
    TempDir dir;
    const bool quarter = c.orientation >= 5;
    const TDIB stored = MakePicture(quarter ? 48 : 64, quarter ? 64 : 48,
                                    [](int x, int y) { return (x * 4) | (y * 4) << 8; });
    WriteBytes(dir.file("photo.jpg"), JpegWithOrientation(stored, c.orientation));
    const std::string script =
        "import json, sys\n"
        "for line in sys.stdin:\n"
        "    r = json.loads(line)\n"
        "    print('%dx%d %dx%d' % (r['source']['width'], r['source']['height'],\n"
        "                           r['finished']['width'], r['finished']['height']))\n";
    WriteBytes(dir.file("read.py"), Bytes(script.begin(), script.end()));
    for (const char* type : {"jpg", "png", "bmp"}) {
        SCOPED_TRACE(type);
        const std::string args = c.args + " -t " + std::string(type) + " photo.jpg";
        const CommandResult plan = RunCli(dir, "-n " + args);
        const CommandResult run =
            RunCli(dir, "-q -y --report - " + args + " | /usr/bin/python3 read.py");
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(run.output, c.sizes + "\n");
        const std::string finished = c.sizes.substr(c.sizes.find(' ') + 1);
        EXPECT_TRUE(Contains(plan.output, "-> " + finished + ")")) << plan.output;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JpegReports,
    ::testing::Values(
        JpegReportCase{"StreamedByTheLongEdge", 1, "--long-edge 32", "64x48 32x24"},
        JpegReportCase{"StreamedAndOrientedByAnUprightTag", 1, "--auto-orient --short-edge 12",
                       "64x48 16x12"},
        JpegReportCase{"StreamedWithoutEnlarging", 1, "-p 150 --no-enlarge", "64x48 64x48"},
        JpegReportCase{"TurnedUprightWhole", 6, "--auto-orient --long-edge 32", "64x48 32x24"},
        JpegReportCase{"LeftAsStoredWithoutTheOption", 6, "--long-edge 32", "48x64 24x32"}),
    NameOfParam());

// ------------------------------------------------------------- shards

struct ShardCase {
    const char* name;
    std::string args;
    int shards;
};

void PrintTo(const ShardCase& c, std::ostream* os) {
    *os << c.name;
}

class Shards : public ::testing::TestWithParam<ShardCase> {};

// A tree of 11 pictures, two pairs of them sharing an output name.
TEST_P(Shards, TogetherWriteWhatOneRunWrites) {
    const ShardCase& c = GetParam();
    TempDir dir;
    fs::create_directories(dir.file("in/p/q"));
    fs::create_directories(dir.file("whole"));
    fs::create_directories(dir.file("parts"));
    int seed = 0;
    for (const char* name :
         {"in/a.bmp", "in/b.bmp", "in/b.gif", "in/c.bmp", "in/p/d.bmp", "in/p/e.bmp",
          "in/p/q/f.bmp", "in/p/q/f.png", "in/p/q/g.bmp", "in/p/q/h.bmp", "in/z.bmp"}) {
        WriteTestPicture(dir.file(name), 9 + seed, 7 + 2 * seed, seed);
        ++seed;
    }
    const CommandResult one = RunCli(dir, "-q -R -t bmp -d whole " + c.args + " in");
    int worst = 0;
    for (int k = 0; k < c.shards; ++k) {
        const std::string shard = std::to_string(k) + "/" + std::to_string(c.shards);
        const CommandResult part = RunCli(
            dir, "-q -R -t bmp -d parts --report report --shard " + shard + " " + c.args + " in");
        worst = std::max(worst, part.status);
    }
    const Bytes reportBytes = ReadBytes(dir.file("report"));
    const std::string reports(reportBytes.begin(), reportBytes.end());
    EXPECT_EQ(worst, one.status) << one.output;
    EXPECT_EQ(filesBelow(dir.file("parts")), filesBelow(dir.file("whole")));
    EXPECT_FALSE(filesBelow(dir.file("whole")).empty());
    // Every input in exactly one share's report.
    for (const std::string& path : ListFiles(dir.file("in")))
        EXPECT_EQ(
            linesWith(reports, "\"input\":\"in/" + path.substr(dir.file("in/").size()) + "\""), 1)
            << path << "\n"
            << reports;
}

INSTANTIATE_TEST_SUITE_P(Cases, Shards,
                         ::testing::Values(ShardCase{"ThreeShardsWithClashes", "", 3},
                                           ShardCase{"ThreeShardsOverwriting", "-y", 3},
                                           ShardCase{"MoreShardsThanFiles", "-p 30", 13},
                                           ShardCase{"OneShard", "--long-edge 12", 1}),
                         NameOfParam());

}  // namespace
