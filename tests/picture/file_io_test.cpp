// The one way files are written: what may be replaced and how, what is
// kept of the file replaced, that no temporary is ever left behind (not on
// a failure, not when a signal ends the process), that a save told never
// to replace keeps a file that appears while it writes, and the reasons
// given. Every case runs on each file system the save knows: with unnamed
// files, without them, and without renames that refuse to replace.

#include "picture/system/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "picture/errors.h"
#include "picture/picture_saver.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kOld = {'o', 'l', 'd'};
const Bytes kNew = {'n', 'e', 'w', '!'};

void writeNew(const std::string& path) {
    WriteFileAtomically(path, kNew);
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The user nobody, for what root may do but a user may not.
constexpr uid_t kNobody = 65534;

const FileSystemForTesting kFileSystems[] = {
    FileSystemForTesting::Usual, FileSystemForTesting::NoUnnamedFiles,
    FileSystemForTesting::NoUnnamedFilesNorNoReplaceRename};

std::string fileSystemName(FileSystemForTesting fileSystem) {
    switch (fileSystem) {
        case FileSystemForTesting::Usual:
            return "UnnamedTemporary";
        case FileSystemForTesting::NoUnnamedFiles:
            return "NamedTemporary";
        case FileSystemForTesting::NoUnnamedFilesNorNoReplaceRename:
            return "NamedTemporaryWithoutNoReplaceRename";
    }
    return "";
}

// Simulates a file system for the life of the object.
class SimulatedFileSystem {
public:
    explicit SimulatedFileSystem(FileSystemForTesting fileSystem) {
        SimulateFileSystemForTesting(fileSystem);
    }
    ~SimulatedFileSystem() { SimulateFileSystemForTesting(FileSystemForTesting::Usual); }
};

class SafeSave : public ::testing::TestWithParam<FileSystemForTesting> {
protected:
    SimulatedFileSystem fileSystem_{GetParam()};
    TempDir dir_;
};

std::string temporaryKind(const ::testing::TestParamInfo<FileSystemForTesting>& info) {
    return fileSystemName(info.param);
}

TEST_P(SafeSave, ANewFileGetsTheUsualModeAndNothingElseIsLeft) {
    const mode_t old = ::umask(027);
    writeNew(dir_.file("a.bin"));
    ::umask(old);
    EXPECT_EQ(ReadBytes(dir_.file("a.bin")), kNew);
    EXPECT_EQ(ModeOf(dir_.file("a.bin")) & 07777, 0640u);
    EXPECT_EQ(EntriesOf(dir_.path()), (std::vector<std::string>{"a.bin"}));
}

TEST_P(SafeSave, AReplacedFileKeepsItsPermissionBits) {
    for (mode_t mode : {0600, 0644, 0640, 0755, 0660}) {
        const std::string path = dir_.file("m.bin");
        WriteBytes(path, kOld);
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        writeNew(path);
        EXPECT_EQ(ReadBytes(path), kNew);
        EXPECT_EQ(ModeOf(path) & 07777, mode) << std::oct << mode;
        EXPECT_EQ(EntriesOf(dir_.path()), (std::vector<std::string>{"m.bin"}));
        fs::remove(path);
    }
}

TEST_P(SafeSave, AReplacedFileKeepsItsOwnerWhereTheProcessMaySetIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    const std::string path = dir_.file("owned.bin");
    WriteBytes(path, kOld);
    ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    writeNew(path);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kNobody);
    EXPECT_EQ(info.st_gid, kNobody);
}

TEST_P(SafeSave, ALinkIsWrittenThroughAndStays) {
    fs::create_directory(dir_.file("real"));
    fs::create_directory(dir_.file("links"));
    const std::string target = dir_.file("real/picture.bin");
    WriteBytes(target, kOld);
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    // A chain: an absolute link to a relative one.
    fs::create_symlink("../real/picture.bin", dir_.file("links/relative"));
    fs::create_symlink(dir_.file("links/relative"), dir_.file("links/out.bin"));
    writeNew(dir_.file("links/out.bin"));
    EXPECT_TRUE(S_ISLNK(ModeOf(dir_.file("links/out.bin"))));
    EXPECT_TRUE(S_ISLNK(ModeOf(dir_.file("links/relative"))));
    EXPECT_EQ(ReadBytes(target), kNew);
    EXPECT_EQ(ModeOf(target) & 07777, 0600u);
    EXPECT_EQ(EntriesOf(dir_.file("real")), (std::vector<std::string>{"picture.bin"}));
    EXPECT_EQ(EntriesOf(dir_.file("links")), (std::vector<std::string>{"out.bin", "relative"}));
}

TEST_P(SafeSave, ADanglingLinkGetsTheFileItNames) {
    fs::create_symlink("made.bin", dir_.file("out.bin"));
    EXPECT_EQ(InspectOutputPath(dir_.file("out.bin")).kind, OutputKind::DanglingLink);
    writeNew(dir_.file("out.bin"));
    EXPECT_TRUE(S_ISLNK(ModeOf(dir_.file("out.bin"))));
    EXPECT_EQ(ReadBytes(dir_.file("made.bin")), kNew);
    EXPECT_EQ(EntriesOf(dir_.path()), (std::vector<std::string>{"made.bin", "out.bin"}));
}

TEST_P(SafeSave, ALoopOfLinksIsRefused) {
    fs::create_symlink("b", dir_.file("a"));
    fs::create_symlink("a", dir_.file("b"));
    EXPECT_TRUE(contains(MessageOf([&] { writeNew(dir_.file("a")); }),
                         "Too many levels of symbolic links"));
    EXPECT_EQ(EntriesOf(dir_.path()), (std::vector<std::string>{"a", "b"}));
}

// What is not a regular file stays what it is, with or without a link in
// between.
struct SpecialCase {
    const char* name;
    std::function<bool(const std::string& path)> make;  // false: cannot be made here
    const char* reason;
    bool (*isStill)(mode_t);
};

void PrintTo(const SpecialCase& c, std::ostream* os) {
    *os << c.name;
}

bool isFolder(mode_t m) {
    return S_ISDIR(m);
}
bool isFifo(mode_t m) {
    return S_ISFIFO(m);
}
bool isSocket(mode_t m) {
    return S_ISSOCK(m);
}
bool isCharDevice(mode_t m) {
    return S_ISCHR(m);
}

const SpecialCase kSpecial[] = {
    {"Folder", [](const std::string& p) { return fs::create_directory(p); }, "Is a directory",
     isFolder},
    {"Fifo", [](const std::string& p) { return ::mkfifo(p.c_str(), 0644) == 0; },
     "Is a FIFO, not a regular file", isFifo},
    {"Socket", MakeUnixSocket, "Is a socket, not a regular file", isSocket},
    {"LinkToCharacterDevice",
     [](const std::string& p) { return ::symlink("/dev/null", p.c_str()) == 0; },
     "Is a character device, not a regular file", isCharDevice},
};

class SpecialFiles
    : public ::testing::TestWithParam<std::tuple<FileSystemForTesting, SpecialCase>> {};

TEST_P(SpecialFiles, OnlyARegularFileIsEverReplaced) {
    const SpecialCase& c = std::get<1>(GetParam());
    TempDir dir;
    const std::string path = dir.file("out.bin");
    if (!c.make(path)) GTEST_SKIP() << "cannot make " << c.name << " here";
    std::string message;
    {
        SimulatedFileSystem fileSystem(std::get<0>(GetParam()));
        message = MessageOf([&] { writeNew(path); });
    }
    EXPECT_EQ(message, "Cannot create file \"" + path + "\". " + c.reason);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_TRUE(c.isStill(info.st_mode)) << "what stood there is still there";
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{"out.bin"}));
}

INSTANTIATE_TEST_SUITE_P(
    Files, SpecialFiles,
    ::testing::Combine(::testing::ValuesIn(kFileSystems), ::testing::ValuesIn(kSpecial)),
    [](const ::testing::TestParamInfo<std::tuple<FileSystemForTesting, SpecialCase>>& info) {
        return std::string(std::get<1>(info.param).name) + "_" +
               fileSystemName(std::get<0>(info.param));
    });

// Like other tools: a file its user may not write is refused, although its
// folder would let it be renamed over. Root may write any file, so as root
// the save runs as nobody.
TEST_P(SafeSave, AFileTheUserMayNotWriteIsRefused) {
    const std::string path = dir_.file("locked.bin");
    WriteBytes(path, kOld);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0777), 0);
    const bool asRoot = ::geteuid() == 0;
    const int status = InChild([&] {
        if (asRoot && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) return 3;
        const std::string message = MessageOf([&] { writeNew(path); });
        return message == "Cannot create file \"" + path + "\". Permission denied" ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(path), kOld);
    EXPECT_EQ(EntriesOf(dir_.path()), (std::vector<std::string>{"locked.bin"}));
}

// The temporary's name never depends on the target's: every name the file
// system takes is written.
TEST_P(SafeSave, NamesUpToTheFileSystemsLimitAreWritten) {
    for (std::size_t length : {235u, 240u, 250u, 255u}) {
        const std::string name = std::string(length - 4, 'n') + ".bmp";
        writeNew(dir_.file(name));
        EXPECT_EQ(ReadBytes(dir_.file(name)), kNew) << length;
        writeNew(dir_.file(name));  // and replaced
        fs::remove(dir_.file(name));
    }
    EXPECT_EQ(
        MessageOf([&] { writeNew(dir_.file(std::string(256, 'n'))); }),
        "Cannot create file \"" + dir_.file(std::string(256, 'n')) + "\". File name too long");
    EXPECT_TRUE(EntriesOf(dir_.path()).empty());
}

TEST_P(SafeSave, AWriterThatFailsLeavesTheOldFileAndNothingElse) {
    const std::string path = dir_.file("keep.bin");
    WriteBytes(path, kOld);
    EXPECT_EQ(MessageOf([&] {
                  WriteFileAtomically(path, [](std::ostream& out) {
                      out << std::string(200000, 'x');
                      throw std::runtime_error("the encoder gave up");
                  });
              }),
              "the encoder gave up");
    EXPECT_EQ(ReadBytes(path), kOld);
    EXPECT_EQ(EntriesOf(dir_.path()), (std::vector<std::string>{"keep.bin"}));
}

// Whichever way the process is ended while the file is being written, the
// old file stays and no temporary is left. SIGKILL cannot be caught: only
// an unnamed temporary survives it without a trace.
struct SignalCase {
    const char* name;
    int signal;
    bool namedTemporary;
};

void PrintTo(const SignalCase& c, std::ostream* os) {
    *os << c.name;
}

class SignalsDuringASave : public ::testing::TestWithParam<SignalCase> {};

TEST_P(SignalsDuringASave, LeaveTheOldFileAndNoTemporary) {
    const SignalCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("old.png");
    WriteBytes(path, kOld);
    const int status = InChild([&] {
        SimulateFileSystemForTesting(c.namedTemporary ? FileSystemForTesting::NoUnnamedFiles
                                                      : FileSystemForTesting::Usual);
        WriteFileAtomically(path, [&](std::ostream& out) {
            out << std::string(1 << 20, 'x');
            out.flush();
            ::raise(c.signal);
            out << "never";
        });
        return 0;
    });
    EXPECT_EQ(status, 128 + c.signal) << "the process ends by the signal, as it would without us";
    EXPECT_EQ(ReadBytes(path), kOld);
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{"old.png"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalsDuringASave,
                         ::testing::Values(SignalCase{"Interrupt_UnnamedTemporary", SIGINT, false},
                                           SignalCase{"Terminate_UnnamedTemporary", SIGTERM, false},
                                           SignalCase{"HangUp_UnnamedTemporary", SIGHUP, false},
                                           SignalCase{"Kill_UnnamedTemporary", SIGKILL, false},
                                           SignalCase{"Interrupt_NamedTemporary", SIGINT, true},
                                           SignalCase{"Terminate_NamedTemporary", SIGTERM, true},
                                           SignalCase{"HangUp_NamedTemporary", SIGHUP, true}),
                         NameOfParam());

INSTANTIATE_TEST_SUITE_P(Temporaries, SafeSave, ::testing::ValuesIn(kFileSystems), temporaryKind);

// ------------------------------------------------ save modes and races

// What stands at the name before the save, and what comes there while the
// file is written (between its flush and its naming).
enum class Before { Nothing, OldFile };
enum class Meanwhile { Nothing, TheirFile, DanglingLink };

struct RaceCase {
    const char* name;
    SaveMode mode;
    Before before;
    Meanwhile meanwhile;
    const char* standsAfter;  // "new", "old", "theirs" or "link"
};

void PrintTo(const RaceCase& c, std::ostream* os) {
    *os << c.name;
}

const RaceCase kRaces[] = {
    {"FreeName_Replace", SaveMode::Replace, Before::Nothing, Meanwhile::Nothing, "new"},
    {"FreeName_NeverReplace", SaveMode::NeverReplace, Before::Nothing, Meanwhile::Nothing, "new"},
    {"Existing_Replace", SaveMode::Replace, Before::OldFile, Meanwhile::Nothing, "new"},
    {"Existing_NeverReplace", SaveMode::NeverReplace, Before::OldFile, Meanwhile::Nothing, "old"},
    {"FileAppears_Replace", SaveMode::Replace, Before::Nothing, Meanwhile::TheirFile, "new"},
    {"FileAppears_NeverReplace", SaveMode::NeverReplace, Before::Nothing, Meanwhile::TheirFile,
     "theirs"},
    {"FileChangesMeanwhile_Replace", SaveMode::Replace, Before::OldFile, Meanwhile::TheirFile,
     "new"},
    {"LinkAppears_NeverReplace", SaveMode::NeverReplace, Before::Nothing, Meanwhile::DanglingLink,
     "link"},
};

class SaveModes : public ::testing::TestWithParam<std::tuple<FileSystemForTesting, RaceCase>> {};

// Without replacing, the save never takes the place of what stands at the
// name by the time the file is named; replacing, the new file takes it
// whole. Either way nothing else is left in the folder.
TEST_P(SaveModes, NeverReplaceKeepsWhatStandsAtTheNameReplaceTakesItWhole) {
    const SimulatedFileSystem fileSystem(std::get<0>(GetParam()));
    const RaceCase& c = std::get<1>(GetParam());
    const Bytes kTheirs = {'t', 'h', 'e', 'i', 'r', 's'};
    TempDir dir;
    const std::string path = dir.file("out.png");
    if (c.before == Before::OldFile) WriteBytes(path, kOld);
    SetBeforeNamingHookForTesting([&] {
        if (c.meanwhile == Meanwhile::TheirFile) WriteBytes(path, kTheirs);
        if (c.meanwhile == Meanwhile::DanglingLink) fs::create_symlink("elsewhere.png", path);
    });
    bool written = false;
    std::string refusal;
    try {
        WriteFileAtomically(
            path,
            [&](std::ostream& out) {
                written = true;
                WriteBytesToStream(out, kNew);
            },
            c.mode);
    } catch (const EFileExists& e) {
        refusal = e.what();
    }
    SetBeforeNamingHookForTesting({});

    const std::string stands = c.standsAfter;
    EXPECT_EQ(refusal, stands == "new" ? "" : "Cannot create file \"" + path + "\". File exists");
    EXPECT_EQ(written, stands != "old") << "a name taken at the start is refused before writing";
    if (stands == "link") {
        EXPECT_TRUE(S_ISLNK(ModeOf(path)));
    } else {
        EXPECT_EQ(ReadBytes(path), stands == "new" ? kNew : stands == "old" ? kOld : kTheirs);
    }
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{"out.png"}));
}

INSTANTIATE_TEST_SUITE_P(
    Races, SaveModes,
    ::testing::Combine(::testing::ValuesIn(kFileSystems), ::testing::ValuesIn(kRaces)),
    [](const ::testing::TestParamInfo<std::tuple<FileSystemForTesting, RaceCase>>& info) {
        return std::string(std::get<1>(info.param).name) + "_" +
               fileSystemName(std::get<0>(info.param));
    });

// Every writer says why the file system refused it, not only that the
// stream failed. A file size limit stands in for a full disk here (the
// command-line tests fill a real one).
struct WriterCase {
    const char* name;
    const char* fileName;
};

void PrintTo(const WriterCase& c, std::ostream* os) {
    *os << c.name;
}

class WriterFailures : public ::testing::TestWithParam<WriterCase> {};

TEST_P(WriterFailures, TheSystemsReasonIsReported) {
    TempDir dir;
    const std::string path = dir.file(GetParam().fileName);
    WriteBytes(path, kOld);
    const TDIB noise = MakePicture(
        300, 300, [](int x, int y) { return (x * 7919 + y * 104729) * 2654435761u & 0xFFFFFF; });
    const int status = InChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{8192, 8192};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
        const std::string message = MessageOf([&] { SavePictureToFile(noise, path); });
        return message == "Cannot write file \"" + path + "\". File too large" ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(path), kOld);
    EXPECT_EQ(EntriesOf(dir.path()), (std::vector<std::string>{GetParam().fileName}));
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterFailures,
                         ::testing::Values(WriterCase{"Bmp", "p.bmp"}, WriterCase{"Png", "p.png"},
                                           WriterCase{"Jpeg", "p.jpg"}, WriterCase{"Gif", "p.gif"}),
                         NameOfParam());

// ---------------------------------------------------------------- reading

TEST(ReadingFiles, TheReasonAFileCannotBeRead) {
    TempDir dir;
    WriteBytes(dir.file("plain.bin"), kOld);
    fs::create_directory(dir.file("folder"));
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    EXPECT_EQ(UnreadableReason(dir.file("plain.bin")), "");
    EXPECT_EQ(UnreadableReason(dir.file("missing")), "No such file or directory");
    EXPECT_EQ(UnreadableReason(dir.file("folder")), "Is a directory");
    // A FIFO would keep a reader waiting for a writer that never comes.
    EXPECT_EQ(UnreadableReason(dir.file("fifo")), "Is a FIFO, not a regular file");
    EXPECT_THROW(ReadWholeFile(dir.file("fifo")), EFOpenError);
    EXPECT_EQ(UnreadableReason(dir.file("plain.bin/x")), "Not a directory");

    WriteBytes(dir.file("secret.bin"), kOld);
    ASSERT_EQ(::chmod(dir.file("secret.bin").c_str(), 0600), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const bool asRoot = ::geteuid() == 0;
    EXPECT_EQ(InChild([&] {
                  if (asRoot && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) return 3;
                  return UnreadableReason(dir.file("secret.bin")) == "Permission denied" ? 0 : 1;
              }),
              0);
}

}  // namespace
