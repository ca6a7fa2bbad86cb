// skalomi-cli and the user's files: what it refuses to write and why, what
// it keeps of a file it replaces, and that nothing it was writing is left
// when it is stopped or the disk is full.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "picture/dib.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kOld = {'k', 'e', 'e', 'p'};

void writeSmallPicture(const std::string& path) {
    MakePicture(6, 4, [](int x, int y) { return x * 40 + (y * 60 << 8); }).SaveToFile(path);
}

// Noise compresses badly, so its files are as large as files get.
void writeNoise(const std::string& path, int side) {
    MakePicture(side, side, [](int x, int y) {
        std::uint32_t v =
            static_cast<std::uint32_t>(x) * 2654435761u ^ static_cast<std::uint32_t>(y) * 40503u;
        v ^= v >> 13;
        v *= 0x5bd1e995u;
        return static_cast<int>(v & 0xFFFFFF);
    }).SaveToFile(path);
}

bool isRoot() {
    return ::geteuid() == 0;
}

// Root may write any file; to see what a user is refused, root runs the
// tool as nobody.
constexpr const char* kAsNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups";

// --------------------------------------------------------- too large for BMP

// A BMP file's size field has 32 bits. The refusal comes before the scale
// run: under an address-space limit far below the 4.3 GB result, a run
// would be refused for its memory instead.
TEST(CliFiles, ABmpLargerThanItsSizeFieldIsRefusedBeforeAnythingIsMade) {
    TempDir dir;
    writeSmallPicture(dir.file("two.bmp"));
    const std::string limit =
        UnderAddressSanitizer() || UnderThreadSanitizer() ? "" : "ulimit -v 1048576;";
    const CommandResult r = RunCli(dir, "-q -t bmp -x 37900,37900 --no-lock two.bmp", limit);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(Contains(r.output, "two_ks.bmp: BMP cannot hold a picture of 37900 x 37900 pixels"))
        << r.output;
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{"two.bmp"}));
}

TEST(CliFiles, AGifWiderThanItsFieldsIsRefusedBeforeAnythingIsMade) {
    TempDir dir;
    writeSmallPicture(dir.file("two.bmp"));
    const CommandResult r = RunCli(dir, "-q -t gif -x 70000,10 --no-lock two.bmp");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(Contains(r.output, "GIF cannot hold a picture of 70000 x 10 pixels")) << r.output;
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{"two.bmp"}));
}

// ------------------------------------------------------- what is replaced

struct TargetCase {
    const char* name;
    std::function<bool(const std::string& path)> make;  // false: cannot be made here (skipped)
    const char* says;
    bool (*stillThere)(const std::string& path);
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.name;
}

bool isOf(const std::string& path, mode_t type) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == type;
}

const TargetCase kTargets[] = {
    {"Fifo", [](const std::string& p) { return ::mkfifo(p.c_str(), 0644) == 0; },
     "Is a FIFO, not a regular file", [](const std::string& p) { return isOf(p, S_IFIFO); }},
    {"Folder", [](const std::string& p) { return fs::create_directory(p); }, "Is a directory",
     [](const std::string& p) { return isOf(p, S_IFDIR); }},
    {"Socket", MakeUnixSocket, "Is a socket, not a regular file",
     [](const std::string& p) { return isOf(p, S_IFSOCK); }},
    // mknod needs the privilege to make devices.
    {"CharacterDevice",
     [](const std::string& p) { return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
     "Is a character device, not a regular file",
     [](const std::string& p) { return isOf(p, S_IFCHR); }},
    {"LinkToADevice", [](const std::string& p) { return ::symlink("/dev/null", p.c_str()) == 0; },
     "Is a character device, not a regular file",
     [](const std::string& p) { return S_ISLNK(ModeOf(p)) && isOf("/dev/null", S_IFCHR); }},
};

class CliTargets : public ::testing::TestWithParam<std::tuple<TargetCase, bool>> {};

// Only a regular file is ever replaced, with or without --overwrite.
TEST_P(CliTargets, WhatIsNotARegularFileIsRefusedAndLeft) {
    const TargetCase& c = std::get<0>(GetParam());
    const bool overwrite = std::get<1>(GetParam());
    TempDir dir;
    writeSmallPicture(dir.file("a.bmp"));
    if (!c.make(dir.file("out.bmp")))
        GTEST_SKIP() << "cannot make " << c.name << " here: " << std::strerror(errno);
    const CommandResult r =
        RunCli(dir, std::string("-q ") + (overwrite ? "-y " : "") + "-o out.bmp a.bmp");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(
        Contains(r.output, std::string("out.bmp: Cannot create file \"out.bmp\". ") + c.says))
        << r.output;
    EXPECT_TRUE(c.stillThere(dir.file("out.bmp")));
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{"a.bmp", "out.bmp"}));
}

INSTANTIATE_TEST_SUITE_P(Targets, CliTargets,
                         ::testing::Combine(::testing::ValuesIn(kTargets), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<TargetCase, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_Overwrite" : "_NoOverwrite");
                         });

TEST(CliFiles, ALinkIsWrittenThroughAndStays) {
    TempDir dir;
    writeSmallPicture(dir.file("a.bmp"));
    fs::create_directory(dir.file("real"));
    WriteBytes(dir.file("real/picture.png"), kOld);
    fs::create_symlink("real/picture.png", dir.file("out.png"));
    const CommandResult r = RunCli(dir, "-q -y -o out.png a.bmp");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(S_ISLNK(ModeOf(dir.file("out.png"))));
    EXPECT_EQ(ReadBytes(dir.file("real/picture.png"))[1], 'P');
    EXPECT_EQ(EntriesOf(dir.file("real")), (std::vector<std::string>{"picture.png"}));
}

TEST(CliFiles, ADanglingLinkCountsAsAnExistingOutput) {
    TempDir dir;
    writeSmallPicture(dir.file("a.bmp"));
    fs::create_symlink("made.png", dir.file("out.png"));
    CommandResult r = RunCli(dir, "-q -o out.png a.bmp");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(Contains(r.output, "out.png: exists; left as it is")) << r.output;
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{"a.bmp", "out.png"}));
    // With --overwrite the file the link names is made, and the link stays.
    r = RunCli(dir, "-q -y -o out.png a.bmp");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(S_ISLNK(ModeOf(dir.file("out.png"))));
    EXPECT_EQ(ReadBytes(dir.file("made.png"))[1], 'P');
}

TEST(CliFiles, AReplacedFileKeepsItsModeAndOwner) {
    TempDir dir;
    writeSmallPicture(dir.file("a.bmp"));
    for (mode_t mode : {0600, 0644}) {
        WriteBytes(dir.file("out.jpg"), kOld);
        ASSERT_EQ(::chmod(dir.file("out.jpg").c_str(), mode), 0);
        if (isRoot()) {
            ASSERT_EQ(::chown(dir.file("out.jpg").c_str(), 65534, 65534), 0);
        }
        const CommandResult r = RunCli(dir, "-q -y -o out.jpg a.bmp");
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_NE(ReadBytes(dir.file("out.jpg")), kOld);
        struct stat info {};
        ASSERT_EQ(::stat(dir.file("out.jpg").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode) << std::oct << mode;
        if (isRoot()) {
            EXPECT_EQ(info.st_uid, 65534u);
            EXPECT_EQ(info.st_gid, 65534u);
        }
    }
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{"a.bmp", "out.jpg"}));
}

TEST(CliFiles, AFileTheUserMayNotWriteIsRefusedAsOtherToolsDo) {
    TempDir dir;
    writeSmallPicture(dir.file("a.bmp"));
    WriteBytes(dir.file("out.bmp"), kOld);
    ASSERT_EQ(::chmod(dir.file("out.bmp").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);  // the folder itself is writable
    const CommandResult r = RunCli(dir, "-q -y -o out.bmp a.bmp", isRoot() ? kAsNobody : "");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(Contains(r.output, "out.bmp: Cannot create file \"out.bmp\". Permission denied"))
        << r.output;
    EXPECT_EQ(ReadBytes(dir.file("out.bmp")), kOld);
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{"a.bmp", "out.bmp"}));
}

TEST(CliFiles, ANameOfTwoHundredAndFiftyBytesIsWritten) {
    TempDir dir;
    writeSmallPicture(dir.file("a.bmp"));
    const std::string name = std::string(246, 'x') + ".png";
    CommandResult r = RunCli(dir, "-q -o " + name + " a.bmp");
    EXPECT_EQ(r.status, 0) << r.output;
    r = RunCli(dir, "-q -y -o " + name + " a.bmp");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{"a.bmp", name}));
}

// ------------------------------------------------------------ inputs

struct InputCase {
    const char* name;
    std::function<void(const TempDir& dir)> make;  // makes in.bmp
    bool asNobody;
    const char* says;
};

void PrintTo(const InputCase& c, std::ostream* os) {
    *os << c.name;
}

class CliInputs : public ::testing::TestWithParam<InputCase> {};

TEST_P(CliInputs, TheSystemsReasonFollowsTheProgramsOwnText) {
    const InputCase& c = GetParam();
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    c.make(dir);
    // A FIFO must not keep the tool waiting for a writer.
    const std::string prefix =
        std::string("timeout 60 ") + (c.asNobody && isRoot() ? kAsNobody : "");
    const CommandResult r = RunCli(dir, "-q -t png in.bmp", prefix);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(
        Contains(r.output, std::string("in.bmp: 処理出来ないファイルです (") + c.says + ")"))
        << r.output;
}

INSTANTIATE_TEST_SUITE_P(Inputs, CliInputs,
                         ::testing::Values(InputCase{"Missing", [](const TempDir&) {}, false,
                                                     "No such file or directory"},
                                           InputCase{"Fifo",
                                                     [](const TempDir& d) {
                                                         ::mkfifo(d.file("in.bmp").c_str(), 0644);
                                                     },
                                                     false, "Is a FIFO, not a regular file"},
                                           InputCase{"NotReadable",
                                                     [](const TempDir& d) {
                                                         writeSmallPicture(d.file("in.bmp"));
                                                         ::chmod(d.file("in.bmp").c_str(), 0200);
                                                     },
                                                     true, "Permission denied"}),
                         NameOfParam());

TEST(CliFiles, AFileNoReaderTakesSaysWhatItStartsWith) {
    TempDir dir;
    WriteBytes(dir.file("junk.bmp"), {'j', 'u', 'n', 'k'});
    const CommandResult r = RunCli(dir, "-q junk.bmp");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(Contains(r.output,
                         "junk.bmp: 処理出来ないファイルです (not a picture file of a "
                         "kind read here"))
        << r.output;
    EXPECT_TRUE(Contains(r.output, "it starts with 6A 75 6E 6B)\n")) << r.output;
}

// ------------------------------------------------------ stopped mid-write

// Starts skalomi-cli in `dir` with `args`, its output thrown away.
pid_t startCli(const TempDir& dir, const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.path().c_str()) != 0) ::_exit(127);
        std::FILE* null = std::fopen("/dev/null", "w");
        if (null) {
            ::dup2(::fileno(null), 1);
            ::dup2(::fileno(null), 2);
        }
        std::vector<char*> argv{const_cast<char*>(SKALOMI_CLI_PATH)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(SKALOMI_CLI_PATH, argv.data());
        ::_exit(127);
    }
    return pid;
}

// Whether process `pid` has a file open in `folder` that has no name and
// holds some bytes already: the output part-way through being written.
bool writingUnnamedFileIn(pid_t pid, const std::string& folder) {
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        const std::string target = fs::read_symlink(fd.path(), ec).string();
        struct stat file;
        if (!ec && target.rfind(folder + "/", 0) == 0 && Contains(target, "(deleted)") &&
            ::stat(fd.path().c_str(), &file) == 0 && file.st_size > 0)
            return true;
    }
    return false;
}

struct StopCase {
    const char* name;
    int signal;
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class CliStopped : public ::testing::TestWithParam<StopCase> {};

TEST_P(CliStopped, InTheMiddleOfALargePngLeavesTheOldFileAndNothingElse) {
    const StopCase& c = GetParam();
    TempDir dir;
    writeNoise(dir.file("noise.bmp"), 64);
    WriteBytes(dir.file("out.png"), kOld);
    const pid_t pid = startCli(dir, {"-q", "-y", "-x", "4000,4000", "-o", "out.png", "noise.bmp"});
    ASSERT_GT(pid, 0);
    bool caught = false;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < giveUp) {
        if (writingUnnamedFileIn(pid, dir.path())) {
            caught = true;
            break;
        }
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(caught) << "the file was never seen being written";
    ::kill(pid, c.signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << "status " << status;
    EXPECT_EQ(ReadBytes(dir.file("out.png")), kOld);
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{"noise.bmp", "out.png"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, CliStopped,
                         ::testing::Values(StopCase{"Kill", SIGKILL},
                                           StopCase{"Terminate", SIGTERM},
                                           StopCase{"Interrupt", SIGINT},
                                           StopCase{"HangUp", SIGHUP}),
                         NameOfParam());

// -------------------------------------------------------------- full disk

// The shell words that run a command in a mount namespace of its own, or
// nothing when this process may not make one.
std::string privateMounts() {
    for (const char* prefix : {"unshare -m", "unshare -rm"}) {
        const std::string probe = std::string(prefix) +
                                  " sh -c 'd=$(mktemp -d) && mount -t tmpfs -o size=64k tmpfs "
                                  "\"$d\" && umount \"$d\" && rmdir \"$d\"'";
        if (RunCommand(probe).status == 0) return prefix;
    }
    return "";
}

struct DiskCase {
    const char* name;
    const char* output;
};

void PrintTo(const DiskCase& c, std::ostream* os) {
    *os << c.name;
}

class CliFullDisk : public ::testing::TestWithParam<DiskCase> {};

TEST_P(CliFullDisk, EveryWriterSaysTheDiskIsFull) {
    static const std::string mounts = privateMounts();
    if (mounts.empty()) GTEST_SKIP() << "no mount namespace can be made here for a small tmpfs";
    const DiskCase& c = GetParam();
    TempDir dir;
    writeNoise(dir.file("noise.bmp"), 500);
    fs::create_directory(dir.file("full"));
    // A 64 kB disk with an old output on it; the tool fails to replace it,
    // and afterwards the old file and nothing else is there.
    const std::string script = "mount -t tmpfs -o size=64k tmpfs full && printf keep > full/" +
                               std::string(c.output) + " && " + ShellQuote(SKALOMI_CLI_PATH) +
                               " -q -y -o full/" + c.output +
                               " noise.bmp; echo \"status=$?\"; ls -A full; cat full/" + c.output;
    const CommandResult r = RunCommand("cd " + ShellQuote(dir.path()) + " && " + mounts +
                                       " sh -c " + ShellQuote(script));
    EXPECT_TRUE(Contains(r.output, std::string("full/") + c.output + ": Cannot write file \"full/" +
                                       c.output + "\". No space left on device"))
        << r.output;
    EXPECT_TRUE(Contains(r.output, "status=1\n" + std::string(c.output) + "\nkeep")) << r.output;
}

INSTANTIATE_TEST_SUITE_P(Writers, CliFullDisk,
                         ::testing::Values(DiskCase{"Bmp", "out.bmp"}, DiskCase{"Png", "out.png"},
                                           DiskCase{"Jpeg", "out.jpg"}, DiskCase{"Gif", "out.gif"}),
                         NameOfParam());

}  // namespace
