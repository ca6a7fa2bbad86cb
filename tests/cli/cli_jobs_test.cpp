#include "cli/cli_jobs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

CliOptions withFiles(std::vector<std::string> files) {
    CliOptions o;
    o.Files = std::move(files);
    return o;
}

TEST(CliJobs, OutputsGoBesideTheirSourcesByDefault) {
    CliOptions o = withFiles({"/p/a.bmp", "b.png", "/q/r/photo.2024.gif"});
    const std::vector<FileJob> jobs = PlanJobs(o);
    EXPECT_EQ(jobs[0].Output, "/p/a_ks.jpg");
    EXPECT_EQ(jobs[1].Output, "b_ks.jpg");
    EXPECT_EQ(jobs[2].Output, "/q/r/photo.2024_ks.jpg");
}

TEST(CliJobs, DestinationSuffixAndType) {
    CliOptions o = withFiles({"/p/a.bmp"});
    o.Destination = "/out";
    o.Suffix = "（拡張子無し）";
    o.Extension = ".png";
    EXPECT_EQ(PlanJobs(o)[0].Output, "/out/a.png");
}

TEST(CliJobs, OutputOptionNamesTheFile) {
    CliOptions o = withFiles({"/p/a.bmp"});
    o.Output = "/x/result.Jpg";
    EXPECT_EQ(PlanJobs(o)[0].Output, "/x/result.Jpg");
}

struct GroupCase {
    const char* name;
    std::vector<FileJob> jobs;
    std::vector<std::vector<int>> groups;
};

void PrintTo(const GroupCase& c, std::ostream* os) { *os << c.name; }

class JobGroups : public ::testing::TestWithParam<GroupCase> {};

TEST_P(JobGroups, FilesTouchedByTwoJobsSerialiseThem) {
    EXPECT_EQ(GroupJobs(GetParam().jobs), GetParam().groups);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, JobGroups,
    ::testing::Values(
        GroupCase{"Independent", {{"/p/a.bmp", "/p/a_ks.jpg"}, {"/p/b.bmp", "/p/b_ks.jpg"}},
                  {{0}, {1}}},
        GroupCase{"SameOutput",
                  {{"/p/a.bmp", "/p/a_ks.jpg"}, {"/p/c.bmp", "/p/c_ks.jpg"},
                   {"/p/a.gif", "/p/a_ks.jpg"}},
                  {{0, 2}, {1}}},
        GroupCase{"OutputIsAnotherInput",
                  {{"/p/x_ks.jpg", "/p/x_ks_ks.jpg"}, {"/p/x.png", "/p/x_ks.jpg"}},
                  {{0, 1}}},
        GroupCase{"SameFileSpelledTwice",
                  {{"/p/a.bmp", "/p/a_ks.jpg"}, {"/p/../p/./a.bmp", "/p/o.jpg"}},
                  {{0, 1}}},
        GroupCase{"ChainsJoin",
                  {{"/p/a", "/p/1"}, {"/p/b", "/p/2"}, {"/p/c", "/p/1"}, {"/p/d", "/p/c"}},
                  {{0, 2, 3}, {1}}}),
    NameOfParam());

}  // namespace
