// Which files a run takes from the folders and lists it is given: pictures
// by their content, hidden entries passed over, links to folders walked only
// when asked and never in a circle, the destination never walked.

#include "cli/cli_inputs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

// A tree with pictures and other files:
//   a.bmp, notes.txt, .hidden.bmp, .cache/c.bmp, pipe (a FIFO),
//   sub/b.bmp, sub/deep/d.bmp, sub/up -> .. (a link to the folder above),
//   linked -> elsewhere/ (a link to a folder outside), picture-link -> sub/b.bmp
class Tree : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir.file("in/sub/deep"));
        fs::create_directories(dir.file("in/.cache"));
        fs::create_directories(dir.file("elsewhere"));
        for (const char* p : {"in/a.bmp", "in/.hidden.bmp", "in/.cache/c.bmp", "in/sub/b.bmp",
                              "in/sub/deep/d.bmp", "elsewhere/e.bmp"})
            MakePicture(3, 2, [](int x, int y) { return x + y; }).SaveToFile(dir.file(p));
        WriteBytes(dir.file("in/notes.txt"), {'h', 'i'});
        ASSERT_EQ(::mkfifo(dir.file("in/pipe").c_str(), 0600), 0);
        fs::create_directory_symlink("..", dir.file("in/sub/up"));
        fs::create_directory_symlink("../elsewhere", dir.file("in/linked"));
        fs::create_symlink("sub/b.bmp", dir.file("in/picture-link"));
    }

    // The paths found, below dir, sorted, with their subfolders.
    std::vector<std::string> found(CliOptions o, const std::string& stdinText = "") {
        if (o.Files.empty() && o.FilesFrom.empty()) o.Files = {dir.file("in")};
        std::istringstream in(stdinText);
        const InputList list = CollectInputs(o, in);
        std::vector<std::string> paths;
        for (const InputFile& f : list.Files)
            paths.push_back(f.Path.substr(dir.path().size() + 1) + " [" + f.Subfolder + "]" +
                            (f.FoundInFolder ? "" : " named"));
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    TempDir dir;
};

TEST_F(Tree, AFolderIsItsPicturesWithoutHiddenOnes) {
    EXPECT_EQ(found(CliOptions()), (std::vector<std::string>{"in/a.bmp []", "in/picture-link []"}));
}

TEST_F(Tree, RecursiveWalksTheFoldersBelowButNotLinkedOnes) {
    CliOptions o;
    o.Recursive = true;
    EXPECT_EQ(found(o),
              (std::vector<std::string>{"in/a.bmp []", "in/picture-link []", "in/sub/b.bmp [sub/]",
                                        "in/sub/deep/d.bmp [sub/deep/]"}));
}

TEST_F(Tree, FollowWalksLinkedFoldersOnceEach) {
    CliOptions o;
    o.Recursive = true;
    o.Follow = true;
    // sub/up leads back to in/, which is walked already: the loop ends.
    EXPECT_EQ(found(o), (std::vector<std::string>{"in/a.bmp []", "in/linked/e.bmp [linked/]",
                                                  "in/picture-link []", "in/sub/b.bmp [sub/]",
                                                  "in/sub/deep/d.bmp [sub/deep/]"}));
}

// A folder reached both itself and by a link is taken under its own name,
// whether the link's name sorts before it or after it.
TEST_F(Tree, FollowTakesAFolderUnderItsOwnNameWhenItHasOne) {
    CliOptions o;
    o.Recursive = true;
    o.Follow = true;
    o.Files = {dir.file("in/sub")};
    for (const char* link : {"in/sub/0-to-deep", "in/sub/zz-to-deep"}) {
        fs::create_directory_symlink("deep", dir.file(link));
        EXPECT_EQ(found(o),
                  (std::vector<std::string>{
                      "in/sub/b.bmp []", "in/sub/deep/d.bmp [deep/]", "in/sub/up/a.bmp [up/]",
                      "in/sub/up/linked/e.bmp [up/linked/]", "in/sub/up/picture-link [up/]"}))
            << link;
        fs::remove(dir.file(link));
    }
}

TEST_F(Tree, TheDestinationBelowAnInputIsNotWalked) {
    CliOptions o;
    o.Recursive = true;
    o.Destination = dir.file("in/sub/");
    EXPECT_EQ(found(o), (std::vector<std::string>{"in/a.bmp []", "in/picture-link []"}));
}

TEST_F(Tree, NamedFilesAreTakenAsTheyStand) {
    CliOptions o;
    o.Files = {dir.file("in/notes.txt"), dir.file("in/.hidden.bmp"), dir.file("missing.bmp")};
    EXPECT_EQ(found(o),
              (std::vector<std::string>{"in/.hidden.bmp [] named", "in/notes.txt [] named",
                                        "missing.bmp [] named"}));
}

TEST_F(Tree, ANamedLinkToAFolderIsWalked) {
    CliOptions o;
    o.Files = {dir.file("in/linked")};
    EXPECT_EQ(found(o), (std::vector<std::string>{"in/linked/e.bmp []"}));
}

TEST_F(Tree, ListsFromAFileAndFromStandardInput) {
    WriteBytes(dir.file("list"), {});
    {
        std::string text = dir.file("in/a.bmp") + "\n\n" + dir.file("in/sub") + "\n";
        WriteBytes(dir.file("list"), std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    CliOptions o;
    o.FilesFrom = {dir.file("list"), "-"};
    EXPECT_EQ(found(o, dir.file("elsewhere/e.bmp")),
              (std::vector<std::string>{"elsewhere/e.bmp [] named", "in/a.bmp [] named",
                                        "in/sub/b.bmp []"}));
}

TEST_F(Tree, AMissingListStopsTheRunWithItsReason) {
    CliOptions o;
    o.FilesFrom = {dir.file("no-list")};
    std::istringstream in;
    EXPECT_NE(MessageOf<CliUsageError>([&] {
                  CollectInputs(o, in);
              }).find("--files-from " + dir.file("no-list") + ": No such file or directory"),
              std::string::npos);
    o.FilesFrom = {dir.file("in")};
    EXPECT_NE(MessageOf<CliUsageError>([&] { CollectInputs(o, in); }).find("Is a directory"),
              std::string::npos);
}

TEST_F(Tree, AFolderThatCannotBeReadIsAProblemNotASilence) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    ASSERT_EQ(::chmod(dir.file("in/sub").c_str(), 0), 0);
    CliOptions o;
    o.Recursive = true;
    o.Files = {dir.file("in")};
    std::istringstream in;
    const InputList list = CollectInputs(o, in);
    ::chmod(dir.file("in/sub").c_str(), 0755);
    ASSERT_EQ(list.Problems.size(), 1u);
    EXPECT_EQ(list.Problems[0].Path, dir.file("in/sub"));
    EXPECT_EQ(list.Problems[0].Reason, "Permission denied");
}

struct SplitCase {
    const char* name;
    std::string text;
    bool nul;
    std::vector<std::string> names;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class FileLists : public ::testing::TestWithParam<SplitCase> {};

TEST_P(FileLists, Split) {
    EXPECT_EQ(SplitFileList(GetParam().text, GetParam().nul), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, FileLists,
    ::testing::Values(SplitCase{"Lines", "a.jpg\nb c.png\n", false, {"a.jpg", "b c.png"}},
                      SplitCase{"NoLastNewline", "a\nb", false, {"a", "b"}},
                      SplitCase{"EmptyLinesPassedOver", "\n\na\n\n", false, {"a"}},
                      SplitCase{"BlanksAndCarriageReturnsKept", " a \r\n", false, {" a \r"}},
                      SplitCase{"Nul", std::string("a\nb\0c\0", 6), true, {"a\nb", "c"}},
                      SplitCase{"NulWithoutTheLast", std::string("x\0\0y", 4), true, {"x", "y"}},
                      SplitCase{"Empty", "", false, {}}),
    NameOfParam());

}  // namespace
