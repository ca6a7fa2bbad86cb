// The runner as a window's batch run drives it: an answer before each file
// (start, replace, skip, stop, wait for the earlier files), a stop requested
// from another thread, with one worker and with two. Outcomes and questions
// come on the caller's thread in the order of the files, and a question
// that waits for its turn comes after every earlier file was reported.

#include "scale/jobs/job_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "picture/jpeg/jpeg_picture.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace {

// The caller's answer for each file, one letter each: s Start, r Replace,
// k Skip, x Stop, q Start after a stop was requested from another thread,
// t wait for the earlier files, then Replace.
struct HookCase {
    const char* name;
    const char* answers;
    int existing;          // the file whose output is there before the run, or -1
    const char* reported;  // the files reported, in order: w written, s skipped
};

void PrintTo(const HookCase& c, std::ostream* os) {
    *os << c.name;
}

FileStart answerFor(char letter, bool earlierReported, RunStop& stop) {
    switch (letter) {
        case 'r':
            return FileStart::Replace;
        case 'k':
            return FileStart::Skip;
        case 'x':
            return FileStart::Stop;
        case 'q':
            std::thread([&] { stop.Request(); }).join();
            return FileStart::Start;
        case 't':
            return earlierReported ? FileStart::Replace : FileStart::AfterEarlierFiles;
        default:
            return FileStart::Start;
    }
}

char letterOf(const FileOutcome& outcome) {
    return outcome.Written() ? 'w' : outcome.Status == FileStatus::Skipped ? 's' : '?';
}

// Files a.bmp, b.bmp, ... to be halved into out/.
std::vector<FileJob> writeJobs(const TempDir& dir, int count, const std::string& extension) {
    std::filesystem::create_directory(dir.file("out"));
    std::vector<FileJob> jobs;
    for (int i = 0; i < count; ++i) {
        const std::string name(1, static_cast<char>('a' + i));
        const TDIB picture = MakePicture24(40 + 8 * i, 30, [i](int x, int y) {
            return (x * 9 + i * 40) ^ (y * 7 << 8) ^ (x * y << 16);
        });
        const std::string source = dir.file(name + extension);
        if (extension == ".jpg")
            WriteBytes(source, EncodeJPEG(picture));
        else
            picture.SaveToFile(source);
        jobs.push_back({source, dir.file("out/" + name + "_ks" + extension), "", -1});
    }
    return jobs;
}

JobSettings halving() {
    JobSettings settings;
    settings.Settings.HorzValue = settings.Settings.VertValue = 50;
    return settings;
}

class RunnerHooks : public ::testing::TestWithParam<std::tuple<HookCase, int>> {};

TEST_P(RunnerHooks, AnswersAreKeptInTheOrderOfTheFiles) {
    const auto& [c, workers] = GetParam();
    TempDir dir;
    const int count = static_cast<int>(std::string(c.answers).size());
    const std::vector<FileJob> jobs = writeJobs(dir, count, ".bmp");
    const std::vector<std::uint8_t> planted{'o', 'l', 'd'};
    if (c.existing >= 0) WriteBytes(jobs[c.existing].Output, planted);

    RunStop stop;
    RunOptions options;
    options.Workers = workers;
    options.Stop = &stop;
    const std::thread::id caller = std::this_thread::get_id();
    std::string reported;
    std::vector<int> asked;  // the files asked about, each time
    RunReporter reporter;
    reporter.BeforeStart = [&](int index, const FileJob&, bool earlierReported) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        EXPECT_EQ(earlierReported, static_cast<int>(reported.size()) == index) << index;
        EXPECT_TRUE(asked.empty() || asked.back() <= index) << index;
        asked.push_back(index);
        return answerFor(c.answers[index], earlierReported, stop);
    };
    reporter.FileDone = [&](int index, const FileJob&, const FileOutcome& outcome) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        EXPECT_EQ(index, static_cast<int>(reported.size())) << "out of order";
        reported += letterOf(outcome);
    };
    std::vector<int> share;
    for (int i = 0; i < count; ++i) share.push_back(i);

    const RunResult result = RunJobs(halving(), jobs, share, options, reporter);
    EXPECT_EQ(reported, c.reported);
    EXPECT_EQ(result.Stopped, reported.size() < share.size());
    EXPECT_EQ(result.AllWritten, reported == std::string(count, 'w'));
    for (int i = 0; i < count; ++i) {
        const bool written = i < static_cast<int>(reported.size()) && reported[i] == 'w';
        const bool there = written || i == c.existing;
        EXPECT_EQ(std::filesystem::exists(jobs[i].Output), there) << i;
        if (i == c.existing) {
            EXPECT_EQ(ReadBytes(jobs[i].Output) == planted, !written) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunnerHooks,
    ::testing::Combine(::testing::Values(HookCase{"StartEach", "ssss", -1, "wwww"},
                                         HookCase{"SkipOne", "sksss", -1, "wswww"},
                                         HookCase{"StartLeavesAnOutputThere", "ssss", 2, "wwsw"},
                                         HookCase{"ReplaceAnOutputThere", "ssrs", 2, "wwww"},
                                         HookCase{"StopStartsNoMore", "ssxs", -1, "ww"},
                                         HookCase{"StopAtTheFirst", "xs", -1, ""},
                                         HookCase{"StopRequestedFromAnotherThread", "ssqs", -1,
                                                  "ww"},
                                         HookCase{"QuestionWaitsForItsTurn", "sstss", 2, "wwwww"}),
                       ::testing::Values(1, 2)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" +
               std::to_string(std::get<1>(info.param)) + "Workers";
    });

// A question that fails ends the run as Stop does, once the file in flight
// is written, and the failure reaches the caller.
TEST(RunnerFailures, AFailingQuestionEndsTheRunAndReachesTheCaller) {
    TempDir dir;
    const std::vector<FileJob> jobs = writeJobs(dir, 3, ".bmp");
    RunReporter reporter;
    reporter.BeforeStart = [](int index, const FileJob&, bool) {
        if (index == 1) throw std::runtime_error("no answer");
        return FileStart::Start;
    };
    EXPECT_THROW(RunJobs(halving(), jobs, {0, 1, 2}, {}, reporter), std::runtime_error);
    EXPECT_TRUE(std::filesystem::exists(jobs[0].Output));
    EXPECT_FALSE(std::filesystem::exists(jobs[2].Output));
}

// The window's last file: its pictures are kept, and the file written on
// the whole-picture path is the one the streamed path writes.
TEST(RunnerPictures, TheLastFilesPicturesAreKeptAndItsBytesStayTheSame) {
    TempDir dir;
    const std::vector<FileJob> jobs = writeJobs(dir, 2, ".jpg");
    const std::vector<int> share{0, 1};
    ASSERT_TRUE(RunJobs(halving(), jobs, share, {}, {}).AllWritten);
    const std::vector<std::uint8_t> streamed = ReadBytes(jobs[1].Output);

    RunOptions options;
    options.KeepLastPictures = true;
    JobSettings replacing = halving();
    replacing.Overwrite = true;
    std::vector<FileOutcome> outcomes;
    RunReporter reporter;
    reporter.FileDone = [&](int, const FileJob&, const FileOutcome& o) { outcomes.push_back(o); };
    ASSERT_TRUE(RunJobs(replacing, jobs, share, options, reporter).AllWritten);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].Pictures, nullptr);
    ASSERT_NE(outcomes[1].Pictures, nullptr);
    EXPECT_EQ(outcomes[1].Pictures->Source.Width(), outcomes[1].SourceWidth);
    EXPECT_EQ(outcomes[1].Pictures->Result.Width(), outcomes[1].FinishedWidth);
    EXPECT_EQ(outcomes[1].Pictures->Result.Height(), outcomes[1].FinishedHeight);
    EXPECT_EQ(ReadBytes(jobs[1].Output), streamed);
}

}  // namespace
