// The threads skalomi-cli runs: one per job at once, and a decoder thread
// for a streamed JPEG only on a core no worker runs on, so that the threads
// at work never outnumber the cores it may use (or the jobs asked for).
// Counted from outside while it runs, in /proc/<pid>/task.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "picture/jpeg/jpeg_picture.h"
#include "picture/system/file_io.h"
#include "scale/jobs/spare_cores.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace {

int threadsOf(pid_t pid) {
    DIR* dir = ::opendir(("/proc/" + std::to_string(pid) + "/task").c_str());
    if (!dir) return 0;
    int count = 0;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    ::closedir(dir);
    return count;
}

// Runs skalomi-cli in `folder` with `args`; the most threads it had at once,
// and its exit status.
std::pair<int, int> mostThreads(const std::string& folder, const std::vector<std::string>& args) {
    std::vector<std::string> words{SKALOMI_CLI_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int most = 0, status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        most = std::max(most, threadsOf(pid));
        ::usleep(100);
    }
    return {most, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

class CliThreads : public ::testing::Test {
protected:
    void SetUp() override {
        // Its runtime keeps a thread of its own in every process.
        if (UnderThreadSanitizer()) GTEST_SKIP() << "ThreadSanitizer adds a thread";
        for (int i = 0; i < 12; ++i) {
            const std::string name = "p" + std::to_string(i) + ".jpg";
            WriteBytes(dir_.file(name),
                       EncodeJPEG(MakePicture24(500 + 10 * i, 400, [i](int x, int y) {
                           return (x * (i + 1)) ^ (y << 9) ^ (x * y);
                       })));
            files_.push_back(name);
        }
    }
    std::vector<std::string> args(int jobs) const {
        std::vector<std::string> a{"-q",  "-y", "-j", std::to_string(jobs), "-p", "50", "-t",
                                   "jpg", "-d", "."};
        a.push_back("-s");
        a.push_back("_out");
        a.insert(a.end(), files_.begin(), files_.end());
        return a;
    }

    TempDir dir_;
    std::vector<std::string> files_;
};

TEST_F(CliThreads, NeverMoreAtWorkThanCoresOrJobs) {
    const int cores = UsableCores();
    for (const int jobs : {1, 2, 3}) {
        const auto [most, status] = mostThreads(dir_.path(), args(jobs));
        EXPECT_EQ(status, 0);
        // The reporting thread waits while the others work.
        EXPECT_LE(most, 1 + std::max(cores, jobs)) << jobs << " jobs on " << cores << " cores";
    }
}

// One large picture with one job: the decoder borrows the core no worker
// runs on, so the picture uses two.
TEST_F(CliThreads, OneLargePictureUsesASpareCore) {
    if (UsableCores() < 2) GTEST_SKIP() << "this process may use one core only";
    WriteBytes(dir_.file("large.jpg"), EncodeJPEG(MakePicture24(4000, 3000, [](int x, int y) {
                   return (x * 7) ^ (y * 5) ^ ((x * y) >> 3);
               })));
    const auto [most, status] = mostThreads(
        dir_.path(), {"-q", "-y", "-j", "1", "-p", "50", "-o", "large_out.jpg", "large.jpg"});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(most, 3) << "the reporting thread, the worker and the decoder";
}

}  // namespace
