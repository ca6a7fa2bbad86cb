// Sizes that depend on the picture: --long-edge, --short-edge and
// --no-enlarge become the settings of the window's own size computation,
// and the sizes that computation gives are the ones asked for.

#include "scale/jobs/job_size.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/cli_run.h"
#include "scale/scale_run.h"
#include "tests/support/test_support.h"

namespace {

struct SizeCase {
    const char* name;
    std::string args;   // the size options, as typed
    int width, height;  // the picture
    int finishedWidth, finishedHeight;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

JobSettings parsed(const std::string& words) {
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start < words.size()) {
        std::size_t end = words.find(' ', start);
        if (end == std::string::npos) end = words.size();
        if (end > start) args.push_back(words.substr(start, end - start));
        start = end + 1;
    }
    args.push_back("a.bmp");
    return JobSettingsFor(ParseCommandLine(args));
}

class FinishedSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FinishedSizes, AsTheSizeComputationGivesThem) {
    const SizeCase& c = GetParam();
    const JobSize size = SizeForPicture(parsed(c.args), c.width, c.height);
    ScalePlan plan;
    ASSERT_EQ(SizeScale(size.Settings, size.Selection, plan), ScaleRefusal::None);
    EXPECT_EQ(plan.FinishedWidth, c.finishedWidth);
    EXPECT_EQ(plan.FinishedHeight, c.finishedHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FinishedSizes,
    ::testing::Values(
        SizeCase{"LongEdgeLandscape", "--long-edge 800", 4000, 3000, 800, 600},
        SizeCase{"LongEdgePortrait", "--long-edge 800", 3000, 4000, 600, 800},
        SizeCase{"LongEdgeEnlarges", "--long-edge 800", 400, 300, 800, 600},
        SizeCase{"LongEdgeRoundsAsTheFrameDoes", "--long-edge 100", 400, 302, 100, 76},
        SizeCase{"LongEdgeOfASelection", "--long-edge 50 --select 0,0,99,19", 400, 300, 50, 10},
        SizeCase{"LongEdgeTurnedAQuarter", "--long-edge 80 -r right", 400, 100, 20, 80},
        SizeCase{"ShortEdgeLandscape", "--short-edge 600", 4000, 3000, 800, 600},
        SizeCase{"ShortEdgePortrait", "--short-edge 600", 3000, 4000, 600, 800},
        SizeCase{"ShortEdgeSquare", "--short-edge 64", 100, 100, 64, 64},
        SizeCase{"ShortEdgeFollowsTheFinishedPicture", "--short-edge 30 -r left", 300, 100, 30, 90},
        SizeCase{"ShortEdgeOfAThinPicture", "--short-edge 10", 1000, 20, 500, 10},
        SizeCase{"NoEnlargeKeepsASmallPicture", "--long-edge 800 --no-enlarge", 640, 480, 640, 480},
        SizeCase{"NoEnlargeStillReduces", "--long-edge 800 --no-enlarge", 4000, 3000, 800, 600},
        SizeCase{"NoEnlargeShortEdge", "--short-edge 600 --no-enlarge", 900, 500, 900, 500},
        SizeCase{"NoEnlargePercent", "-p 150 --no-enlarge", 90, 60, 90, 60},
        SizeCase{"NoEnlargePercentOneAxis", "-p 150,50 --no-enlarge", 90, 60, 90, 30},
        SizeCase{"NoEnlargeFrameFits", "-x 1000,1000 --no-enlarge", 90, 60, 90, 60},
        SizeCase{"NoEnlargeUnlockedCapsEachSide", "-x 640,480 --no-lock --no-enlarge", 1000, 300,
                 640, 300},
        SizeCase{"NoEnlargeUnlockedTurned", "-x 640,480 --no-lock --no-enlarge -r right", 1000, 300,
                 300, 480},
        SizeCase{"NoEnlargeTooLargeToCompute", "-p 2000000000 --no-enlarge", 90, 60, 90, 60}),
    NameOfParam());

// The issue's own example: the same settings, so the same bytes.
TEST(JobSize, LongEdgeIsTheLockedSquareFrame) {
    const JobSize size = SizeForPicture(parsed("--long-edge 800"), 4000, 3000);
    const JobSettings frame = parsed("--pixels 800,800");
    EXPECT_EQ(size.Settings.Unit, frame.Settings.Unit);
    EXPECT_TRUE(size.Settings.AspectLock);
    EXPECT_EQ(size.Settings.HorzValue, frame.Settings.HorzValue);
    EXPECT_EQ(size.Settings.VertValue, frame.Settings.VertValue);
}

TEST(JobSize, NoEnlargeAtALockedFrameIsOneHundredPercent) {
    const JobSize size = SizeForPicture(parsed("-x 500,500 --no-enlarge"), 90, 60);
    EXPECT_EQ(size.Settings.Unit, ScaleUnit::Percent);
    EXPECT_EQ(size.Settings.HorzValue, 100);
    EXPECT_EQ(size.Settings.VertValue, 100);
}

TEST(JobSize, WithoutTheNewOptionsTheSettingsStayAsTyped) {
    const JobSettings o = parsed("-x 640,480 --no-lock -b 3 -c 4 -r 180");
    const JobSize size = SizeForPicture(o, 123, 45);
    EXPECT_EQ(size.Settings.HorzValue, 640);
    EXPECT_EQ(size.Settings.VertValue, 480);
    EXPECT_FALSE(size.Settings.AspectLock);
    EXPECT_EQ(size.Settings.BrightnessStep, 3);
    EXPECT_EQ(size.Settings.ContrastStep, 4);
    EXPECT_EQ(size.Settings.Rotation, kRotate180);
    EXPECT_EQ(size.Selection.Right, 122);
    EXPECT_EQ(size.Selection.Bottom, 44);
}

// What the engine refuses reaches it unchanged, so it refuses as before.
TEST(JobSize, RefusedRequestsPassThrough) {
    ScalePlan plan;
    JobSize zero = SizeForPicture(parsed("-p 0 --no-enlarge"), 90, 60);
    EXPECT_EQ(SizeScale(zero.Settings, zero.Selection, plan), ScaleRefusal::ZeroValue);
    JobSize thin = SizeForPicture(parsed("--long-edge 50 --no-enlarge"), 1, 60);
    EXPECT_EQ(SizeScale(thin.Settings, thin.Selection, plan), ScaleRefusal::NothingToScale);
    JobSize negative = SizeForPicture(parsed("-x -5,10 --no-enlarge"), 90, 60);
    EXPECT_EQ(SizeScale(negative.Settings, negative.Selection, plan), ScaleRefusal::TargetTooSmall);
}

}  // namespace
