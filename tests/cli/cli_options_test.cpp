#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

struct ParseCase {
    const char* name;
    std::vector<std::string> args;
    std::function<void(const CliOptions&)> check;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class ValidCommandLines : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ValidCommandLines, Parse) {
    const ParseCase& c = GetParam();
    c.check(ParseCommandLine(c.args));
}

INSTANTIATE_TEST_SUITE_P(
    Options, ValidCommandLines,
    ::testing::Values(
        ParseCase{"Defaults",
                  {"a.bmp"},
                  [](const CliOptions& o) {
                      EXPECT_EQ(o.Settings.Unit, ScaleUnit::Percent);
                      EXPECT_EQ(o.Settings.HorzValue, 100);
                      EXPECT_EQ(o.Settings.VertValue, 100);
                      EXPECT_EQ(o.Settings.Rotation, kRotate0);
                      EXPECT_EQ(o.Suffix, "_ks");
                      EXPECT_EQ(o.Extension, ".jpg");
                      EXPECT_FALSE(o.Overwrite);
                      EXPECT_EQ(o.Files, std::vector<std::string>{"a.bmp"});
                  }},
        ParseCase{"PercentOneValueForBoth",
                  {"-p", "50", "a"},
                  [](const CliOptions& o) {
                      EXPECT_EQ(o.Settings.HorzValue, 50);
                      EXPECT_EQ(o.Settings.VertValue, 50);
                  }},
        ParseCase{"PercentTwoValuesAttached",
                  {"-p50,80", "a"},
                  [](const CliOptions& o) {
                      EXPECT_EQ(o.Settings.HorzValue, 50);
                      EXPECT_EQ(o.Settings.VertValue, 80);
                  }},
        ParseCase{"PixelsLockedByDefault",
                  {"--pixels=640,480", "a"},
                  [](const CliOptions& o) {
                      EXPECT_EQ(o.Settings.Unit, ScaleUnit::Pixel);
                      EXPECT_TRUE(o.Settings.AspectLock);
                      EXPECT_EQ(o.Settings.HorzValue, 640);
                      EXPECT_EQ(o.Settings.VertValue, 480);
                  }},
        ParseCase{"PixelsUnlocked",
                  {"-x", "640,480", "--no-lock", "a"},
                  [](const CliOptions& o) { EXPECT_FALSE(o.Settings.AspectLock); }},
        ParseCase{"ToneAndRotation",
                  {"-b", "-3", "-c", "20", "-r", "left", "a"},
                  [](const CliOptions& o) {
                      EXPECT_EQ(o.Settings.BrightnessStep, -3);
                      EXPECT_EQ(o.Settings.ContrastStep, 20);
                      EXPECT_EQ(o.Settings.Rotation, kRotateLeft);
                  }},
        ParseCase{"ZeroAndNegativeSizesReachTheEngine",
                  {"-p", "0,-5", "a"},
                  [](const CliOptions& o) {
                      EXPECT_EQ(o.Settings.HorzValue, 0);
                      EXPECT_EQ(o.Settings.VertValue, -5);
                  }},
        ParseCase{"Selection",
                  {"--select", "50,40,20,30", "a"},
                  [](const CliOptions& o) {
                      ASSERT_TRUE(o.Selection.has_value());
                      EXPECT_EQ(o.Selection->Left, 50);
                      EXPECT_EQ(o.Selection->Bottom, 30);
                  }},
        ParseCase{"GroupedFlagsAndType",
                  {"-yq", "-t", "png", "-j", "3", "a", "b"},
                  [](const CliOptions& o) {
                      EXPECT_TRUE(o.Overwrite);
                      EXPECT_TRUE(o.Quiet);
                      EXPECT_EQ(o.Extension, ".png");
                      EXPECT_EQ(o.Jobs, 3);
                      EXPECT_EQ(o.Files.size(), 2u);
                  }},
        ParseCase{"NoSuffixItem",
                  {"-s", "（拡張子無し）", "-d", "/tmp", "a"},
                  [](const CliOptions& o) { EXPECT_EQ(o.Suffix, "（拡張子無し）"); }},
        ParseCase{"DashDashEndsOptions",
                  {"--", "-p"},
                  [](const CliOptions& o) { EXPECT_EQ(o.Files, std::vector<std::string>{"-p"}); }},
        ParseCase{"HelpNeedsNoFiles", {"--help"}, [](const CliOptions& o) { EXPECT_TRUE(o.Help); }},
        ParseCase{"VersionNeedsNoFiles",
                  {"--version"},
                  [](const CliOptions& o) {
                      EXPECT_TRUE(o.Version);
                      EXPECT_FALSE(o.Help);
                  }},
        ParseCase{"VersionShortAmongOthers",
                  {"-qv", "a"},
                  [](const CliOptions& o) {
                      EXPECT_TRUE(o.Version);
                      EXPECT_TRUE(o.Quiet);
                  }},
        ParseCase{"LongEdge",
                  {"--long-edge", "800", "--no-enlarge", "a"},
                  [](const CliOptions& o) {
                      EXPECT_EQ(o.Edge, EdgeRule::Long);
                      EXPECT_EQ(o.EdgeLength, 800);
                      EXPECT_TRUE(o.NoEnlarge);
                      EXPECT_EQ(o.Settings.Unit, ScaleUnit::Percent);  // resolved per picture
                  }},
        ParseCase{"ShortEdgeAttached",
                  {"--short-edge=1", "a"},
                  [](const CliOptions& o) {
                      EXPECT_EQ(o.Edge, EdgeRule::Short);
                      EXPECT_EQ(o.EdgeLength, 1);
                  }},
        ParseCase{"NoEnlargeWithPercent",
                  {"-p", "300", "--no-enlarge", "a"},
                  [](const CliOptions& o) {
                      EXPECT_TRUE(o.NoEnlarge);
                      EXPECT_EQ(o.Edge, EdgeRule::None);
                  }},
        ParseCase{"FoldersAndLists",
                  {"-R0", "--follow", "--files-from", "list", "--files-from=-", "dir"},
                  [](const CliOptions& o) {
                      EXPECT_TRUE(o.Recursive);
                      EXPECT_TRUE(o.NullSeparated);
                      EXPECT_TRUE(o.Follow);
                      EXPECT_EQ(o.FilesFrom, (std::vector<std::string>{"list", "-"}));
                      EXPECT_EQ(o.Files, std::vector<std::string>{"dir"});
                  }},
        ParseCase{"AListAloneIsEnough",
                  {"--files-from", "list"},
                  [](const CliOptions& o) { EXPECT_TRUE(o.Files.empty()); }},
        ParseCase{"PlanReportShard",
                  {"-n", "--report", "-", "--shard", "2/5", "--auto-orient", "a"},
                  [](const CliOptions& o) {
                      EXPECT_TRUE(o.DryRun);
                      EXPECT_EQ(o.Report, "-");
                      EXPECT_EQ(o.ShardIndex, 2);
                      EXPECT_EQ(o.ShardCount, 5);
                      EXPECT_TRUE(o.AutoOrient);
                  }},
        ParseCase{"OneShardIsTheWholeRun",
                  {"--shard=0/1", "a"},
                  [](const CliOptions& o) { EXPECT_EQ(o.ShardCount, 1); }},
        ParseCase{"NewOptionsOffByDefault",
                  {"a"},
                  [](const CliOptions& o) {
                      EXPECT_FALSE(o.AutoOrient || o.NoEnlarge || o.Recursive || o.Follow ||
                                   o.DryRun || o.NullSeparated);
                      EXPECT_EQ(o.Edge, EdgeRule::None);
                      EXPECT_TRUE(o.Report.empty());
                      EXPECT_EQ(o.ShardIndex, 0);
                      EXPECT_EQ(o.ShardCount, 1);
                  }}),
    NameOfParam());

struct BadCase {
    const char* name;
    std::vector<std::string> args;
    std::string reason;  // part of the message
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

class UsageErrors : public ::testing::TestWithParam<BadCase> {};

TEST_P(UsageErrors, Refused) {
    const BadCase& c = GetParam();
    try {
        ParseCommandLine(c.args);
        FAIL() << "accepted";
    } catch (const CliUsageError& e) {
        EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, UsageErrors,
    ::testing::Values(
        BadCase{"NoFiles", {"-p", "50"}, "no input files"},
        BadCase{"UnknownLong", {"--size", "5", "a"}, "unknown option --size"},
        BadCase{"UnknownShort", {"-z", "a"}, "unknown option -z"},
        BadCase{"VersionTakesNoValue", {"--version=2"}, "--version takes no value"},
        BadCase{"NotANumber", {"-p", "12a", "a"}, "not a whole number"},
        BadCase{"TooManyPercents", {"-p", "1,2,3", "a"}, "H or H,V"},
        BadCase{"PixelsNeedTwo", {"-x", "640", "a"}, "W,H"},
        BadCase{"PercentAndPixels", {"-p", "5", "-x", "1,2", "a"}, "exclude"},
        BadCase{"NoLockWithoutPixels", {"--no-lock", "a"}, "--pixels"},
        BadCase{"BrightnessRange", {"-b", "11", "a"}, "--brightness: '11' is out of range -10..10"},
        BadCase{"ContrastRange", {"-c", "-1", "a"}, "out of range 0..20"},
        BadCase{"PercentPastWholeNumbers",
                {"-p", "99999999999", "a"},
                "out of range -2147483648..2147483647"},
        BadCase{"MemoryLimitNoSize", {"--memory-limit", "2X", "a"}, "is not a size"},
        BadCase{"MemoryLimitTooLarge", {"--memory-limit", "9000000T", "a"}, "out of range"},
        BadCase{"RotationWord", {"-r", "90", "a"}, "right"},
        BadCase{"TypeWord", {"-t", "jpeg", "a"}, "bmp, jpg"},
        BadCase{"OutputWithTwoInputs", {"-o", "x.jpg", "a", "b"}, "single input"},
        BadCase{"OutputWithSuffix", {"-o", "x.jpg", "-s", "_z", "a"}, "--suffix"},
        BadCase{"RefusedSuffix", {"-s", "a:b", "a"}, "使えません"},
        BadCase{"EmptyDestination", {"-d", "", "a"}, "保存先"},
        BadCase{"OutputOfNoType",
                {"-o", "x.tiff", "a"},
                "the known ones are .bmp, .jpg, .jpeg, .jpe, .gif and .png, in any case"},
        BadCase{"MissingValue", {"a", "-p"}, "needs a value"},
        BadCase{"JobsZero", {"-j", "0", "a"}, "--jobs"},
        BadCase{"FlagWithValue", {"--quiet=1", "a"}, "takes no value"},
        BadCase{"LongEdgeZero", {"--long-edge", "0", "a"}, "out of range 1..2147483647"},
        BadCase{"LongEdgePastWholeNumbers",
                {"--long-edge", "99999999999", "a"},
                "--long-edge: '99999999999' is out of range 1..2147483647"},
        BadCase{"ShortEdgeNegative", {"--short-edge", "-4", "a"}, "out of range 1.."},
        BadCase{"LongEdgeNotANumber", {"--long-edge", "8k", "a"}, "not a whole number"},
        BadCase{"TwoEdges", {"--long-edge", "8", "--short-edge", "4", "a"}, "exclude each other"},
        BadCase{"EdgeAndPercent", {"-p", "50", "--long-edge", "8", "a"}, "exclude --percent"},
        BadCase{"EdgeAndPixels",
                {"--short-edge", "8", "-x", "4,4", "a"},
                "exclude --percent and --pixels"},
        BadCase{"ShardWithoutSlash", {"--shard", "3", "a"}, "--shard takes K/N"},
        BadCase{"ShardIndexTooLarge", {"--shard", "3/3", "a"}, "--shard takes K/N"},
        BadCase{"ShardNegative", {"--shard", "-1/3", "a"}, "--shard takes K/N"},
        BadCase{"ShardOfNone", {"--shard", "0/0", "a"}, "--shard takes K/N"},
        BadCase{"ShardWords", {"--shard", "a/b", "a"}, "--shard takes K/N"},
        BadCase{"ShardEmptyParts", {"--shard", "/", "a"}, "--shard takes K/N"},
        BadCase{"NulWithoutList", {"-0", "a"}, "-0 goes with --files-from"},
        BadCase{"FollowWithoutRecursion", {"--follow", "a"}, "--follow goes with --recursive"},
        BadCase{"StandardInputTwice", {"--files-from", "-", "--files-from", "-"}, "once"},
        BadCase{"EmptyReport", {"--report=", "a"}, "--report needs a file name"}),
    NameOfParam());

}  // namespace
