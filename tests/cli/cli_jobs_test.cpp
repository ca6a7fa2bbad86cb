#include "cli/cli_jobs.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "scale/jobs/job_groups.h"
#include "tests/support/test_support.h"

namespace {

std::vector<InputFile> named(const std::vector<std::string>& paths) {
    std::vector<InputFile> inputs;
    for (const std::string& p : paths) inputs.push_back({p, "", false});
    return inputs;
}

std::vector<std::string> sources(const std::vector<FileJob>& jobs) {
    std::vector<std::string> s;
    for (const FileJob& j : jobs) s.push_back(j.Source);
    return s;
}

TEST(CliJobs, OutputsGoBesideTheirSourcesByDefault) {
    const std::vector<FileJob> jobs =
        PlanJobs(CliOptions(), named({"/p/a.bmp", "b.png", "/q/r/photo.2024.gif"}));
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(jobs[0].Output, "/p/a_ks.jpg");
    EXPECT_EQ(jobs[1].Output, "/q/r/photo.2024_ks.jpg");
    EXPECT_EQ(jobs[2].Output, "b_ks.jpg");
}

TEST(CliJobs, DestinationSuffixAndType) {
    CliOptions o;
    o.Destination = "/out";
    o.Suffix = "（拡張子無し）";
    o.Extension = ".png";
    EXPECT_EQ(PlanJobs(o, named({"/p/a.bmp"}))[0].Output, "/out/a.png");
}

TEST(CliJobs, OutputOptionNamesTheFile) {
    CliOptions o;
    o.Output = "/x/result.Jpg";
    EXPECT_EQ(PlanJobs(o, named({"/p/a.bmp"}))[0].Output, "/x/result.Jpg");
}

TEST(CliJobs, TheFoldersBelowAnInputFolderAreMadeAgainUnderTheDestination) {
    CliOptions o;
    o.Destination = "/out/";
    EXPECT_EQ(OutputNameFor(o, {"/in/2024/05/a.png", "2024/05/", true}), "/out/2024/05/a_ks.jpg");
    o.Destination.clear();
    EXPECT_EQ(OutputNameFor(o, {"/in/2024/05/a.png", "2024/05/", true}), "/in/2024/05/a_ks.jpg");
}

TEST(CliJobs, InputsAreSortedByNameAndEachFileTakenOnce) {
    const std::vector<FileJob> jobs =
        PlanJobs(CliOptions(), named({"/p/c.bmp", "/p/a.bmp", "/p/B.bmp", "/p/./a.bmp",
                                      "/p/q/../c.bmp", "/p/\xC3\xA9.bmp"}));
    // "/p/./a.bmp" sorts first and stands for "/p/a.bmp" too; byte order
    // puts capitals first and UTF-8 last.
    EXPECT_EQ(sources(jobs),
              (std::vector<std::string>{"/p/./a.bmp", "/p/B.bmp", "/p/c.bmp", "/p/\xC3\xA9.bmp"}));
}

struct PlanCase {
    const char* name;
    CliOptions options;
    std::vector<InputFile> inputs;
    std::vector<std::string> sources;   // in the plan's order
    std::vector<std::string> refusals;  // a part of each job's refusal; "" when it runs
    std::vector<int> firstWriters;
};

void PrintTo(const PlanCase& c, std::ostream* os) {
    *os << c.name;
}

CliOptions overwriting() {
    CliOptions o;
    o.Overwrite = true;
    return o;
}

CliOptions intoFolder(const std::string& destination) {
    CliOptions o;
    o.Destination = destination;
    return o;
}

CliOptions namingTheOutput(const std::string& output) {
    CliOptions o;
    o.Output = output;
    o.Overwrite = true;
    return o;
}

class Plans : public ::testing::TestWithParam<PlanCase> {};

TEST_P(Plans, RefusalsAndWriters) {
    const PlanCase& c = GetParam();
    const std::vector<FileJob> jobs = PlanJobs(c.options, c.inputs);
    ASSERT_EQ(sources(jobs), c.sources);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (c.refusals[i].empty())
            EXPECT_EQ(jobs[i].Refusal, "") << jobs[i].Source;
        else
            EXPECT_NE(jobs[i].Refusal.find(c.refusals[i]), std::string::npos)
                << jobs[i].Source << ": " << jobs[i].Refusal;
        EXPECT_EQ(jobs[i].FirstWriter, c.firstWriters[i]) << jobs[i].Source;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Plans,
    ::testing::Values(
        PlanCase{"Independent",
                 CliOptions(),
                 named({"/p/b.bmp", "/p/a.bmp"}),
                 {"/p/a.bmp", "/p/b.bmp"},
                 {"", ""},
                 {-1, -1}},
        PlanCase{"TwoTypesOneOutputTheSecondIsAClash",
                 CliOptions(),
                 named({"/p/a.gif", "/p/a.bmp"}),
                 {"/p/a.bmp", "/p/a.gif"},
                 {"", "clash: /p/a.bmp is written to /p/a_ks.jpg too"},
                 {-1, -1}},
        PlanCase{"WithOverwriteTheLaterAreClashesToo",
                 overwriting(),
                 named({"/p/a.gif", "/p/a.bmp", "/p/a.png"}),
                 {"/p/a.bmp", "/p/a.gif", "/p/a.png"},
                 {"", "clash: /p/a.bmp", "clash: /p/a.bmp"},
                 {-1, -1, -1}},
        PlanCase{"SameNameFromTwoFoldersIntoOneDestination",
                 intoFolder("/out"),
                 named({"/y/x.jpg", "/p/x.jpg"}),
                 {"/p/x.jpg", "/y/x.jpg"},
                 {"", "clash"},
                 {-1, -1}},
        PlanCase{"AnOutputThatIsAnInputIsRefused",
                 CliOptions(),
                 named({"/p/x_ks.jpg", "/p/x.png"}),
                 {"/p/x.png", "/p/x_ks.jpg"},
                 {"its output /p/x_ks.jpg is one of this run's inputs", ""},
                 {-1, -1}},
        PlanCase{"EvenWithOverwrite",
                 overwriting(),
                 named({"/p/x_ks.jpg", "/p/x.png"}),
                 {"/p/x.png", "/p/x_ks.jpg"},
                 {"one of this run's inputs", ""},
                 {-1, -1}},
        PlanCase{"AnOutputNamedAsItsOwnInput",
                 namingTheOutput("/p/a.bmp"),
                 named({"/p/a.bmp"}),
                 {"/p/a.bmp"},
                 {"one of this run's inputs"},
                 {-1}},
        PlanCase{"AFoundFileThatIsAnotherInputsOutputIsNoInput",
                 CliOptions(),
                 {{"/p/x.png", "", true}, {"/p/x_ks.jpg", "", true}, {"/p/y_ks.jpg", "", true}},
                 {"/p/x.png", "/p/y_ks.jpg"},
                 {"", ""},
                 {-1, -1}},
        PlanCase{"ANamedFileStaysAnInput",
                 CliOptions(),
                 {{"/p/x.png", "", true}, {"/p/x_ks.jpg", "", false}},
                 {"/p/x.png", "/p/x_ks.jpg"},
                 {"one of this run's inputs", ""},
                 {-1, -1}}),
    NameOfParam());

// Found files named as outputs of the run are said, each with its writer
// and the position of the share that reports it; an earlier run's output of
// an earlier output (x_ks_ks.jpg) too.
TEST(Plans, FoundOutputsAreToldNeverDropped) {
    const RunPlan plan = PlanRun(CliOptions(), {{"/p/x.jpg", "", true},
                                                {"/p/x_ks.jpg", "", true},
                                                {"/p/x_ks_ks.jpg", "", true},
                                                {"/p/y.jpg", "", true}});
    EXPECT_EQ(sources(plan.Jobs), (std::vector<std::string>{"/p/x.jpg", "/p/y.jpg"}));
    ASSERT_EQ(plan.FoundOutputs.size(), 2u);
    const std::vector<std::tuple<std::string, std::string, int>> expected = {
        {"/p/x_ks.jpg", "/p/x.jpg", 0}, {"/p/x_ks_ks.jpg", "/p/x_ks.jpg", 0}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const FoundOutput& f = plan.FoundOutputs[i];
        EXPECT_EQ(std::make_tuple(f.Path, f.Writer, f.Position), expected[i]);
    }
    const FileOutcome outcome = FoundOutputOutcome(plan.FoundOutputs[0]);
    EXPECT_EQ(outcome.Status, FileStatus::Skipped);
    EXPECT_NE(outcome.Message.find("/p/x_ks.jpg: the output of /p/x.jpg"), std::string::npos);
}

struct ShareCase {
    const char* name;
    int index, count;
    bool overwrite;
    std::vector<std::string> files;
    std::vector<int> share;
};

void PrintTo(const ShareCase& c, std::ostream* os) {
    *os << c.name;
}

class Shares : public ::testing::TestWithParam<ShareCase> {};

TEST_P(Shares, PositionsModuloTheCount) {
    const ShareCase& c = GetParam();
    CliOptions o;
    o.ShardIndex = c.index;
    o.ShardCount = c.count;
    o.Overwrite = c.overwrite;
    EXPECT_EQ(ShareOfJobs(o, PlanJobs(o, named(c.files))), c.share);
}

const std::vector<std::string> kSeven = {"/p/g", "/p/f", "/p/e", "/p/d", "/p/c", "/p/b", "/p/a"};

INSTANTIATE_TEST_SUITE_P(
    Cases, Shares,
    ::testing::Values(
        ShareCase{"Whole", 0, 1, false, kSeven, {0, 1, 2, 3, 4, 5, 6}},
        ShareCase{"FirstOfThree", 0, 3, false, kSeven, {0, 3, 6}},
        ShareCase{"LastOfThree", 2, 3, false, kSeven, {2, 5}},
        ShareCase{"MoreSharesThanFiles", 5, 9, false, {"/p/a", "/p/b"}, {}},
        // a.bmp, a.gif, b.bmp: a.gif is a clash its own share reports,
        // with --overwrite too.
        ShareCase{"AClashInTheSecondShare", 1, 2, false, {"/p/a.bmp", "/p/a.gif", "/p/b.bmp"}, {1}},
        ShareCase{"AClashWithOverwrite", 1, 2, true, {"/p/a.bmp", "/p/a.gif", "/p/b.bmp"}, {1}}),
    NameOfParam());

struct GroupCase {
    const char* name;
    std::vector<FileJob> jobs;
    std::vector<std::vector<int>> groups;
};

void PrintTo(const GroupCase& c, std::ostream* os) {
    *os << c.name;
}

FileJob job(const std::string& source, const std::string& output, const std::string& refusal = "") {
    FileJob j;
    j.Source = source;
    j.Output = output;
    j.Refusal = refusal;
    return j;
}

class JobGroups : public ::testing::TestWithParam<GroupCase> {};

TEST_P(JobGroups, FilesTouchedByTwoJobsSerialiseThem) {
    std::vector<int> all(GetParam().jobs.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
    EXPECT_EQ(GroupJobs(GetParam().jobs, all), GetParam().groups);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, JobGroups,
    ::testing::Values(
        GroupCase{"Independent",
                  {job("/p/a.bmp", "/p/a_ks.jpg"), job("/p/b.bmp", "/p/b_ks.jpg")},
                  {{0}, {1}}},
        GroupCase{"SameOutput",
                  {job("/p/a.bmp", "/p/a_ks.jpg"), job("/p/c.bmp", "/p/c_ks.jpg"),
                   job("/p/a.gif", "/p/a_ks.jpg")},
                  {{0, 2}, {1}}},
        GroupCase{"RefusedJobsTouchNothing",
                  {job("/p/a.bmp", "/p/a_ks.jpg"), job("/p/a.gif", "/p/a_ks.jpg", "clash")},
                  {{0}, {1}}},
        GroupCase{"SameFileSpelledTwice",
                  {job("/p/a.bmp", "/p/a_ks.jpg"), job("/p/../p/./a.bmp", "/p/o.jpg")},
                  {{0, 1}}},
        GroupCase{
            "ChainsJoin",
            {job("/p/a", "/p/1"), job("/p/b", "/p/2"), job("/p/c", "/p/1"), job("/p/d", "/p/c")},
            {{0, 2, 3}, {1}}}),
    NameOfParam());

}  // namespace
