#include "scale/batch_naming.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

struct SuffixCase {
    const char* name;
    std::string suffix;
    bool valid;
};

class SuffixCharacters : public ::testing::TestWithParam<SuffixCase> {};

TEST_P(SuffixCharacters, IsFileName) {
    EXPECT_EQ(IsFileName(GetParam().suffix), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Suffixes, SuffixCharacters,
    ::testing::Values(SuffixCase{"Default", "_ks", true}, SuffixCase{"Empty", "", true},
                      SuffixCase{"NoSuffixItem", "（拡張子無し）", true},
                      SuffixCase{"Japanese", "_縮小", true}, SuffixCase{"Colon", "a:b", false},
                      SuffixCase{"Slash", "x/y", false}, SuffixCase{"Comma", "a,b", false},
                      SuffixCase{"Backslash", "a\\b", false}, SuffixCase{"Semicolon", ";", false},
                      SuffixCase{"Asterisk", "*", false}, SuffixCase{"Question", "?", false},
                      SuffixCase{"Quote", "\"", false}, SuffixCase{"Less", "<", false},
                      SuffixCase{"Greater", ">", false}, SuffixCase{"Bar", "|", false},
                      SuffixCase{"DotAndSpaceAllowed", ". -", true},
                      SuffixCase{"NulByte", std::string("a\0b", 3), false},
                      SuffixCase{"RefusedAfterMultiByte", "縮小|", false}),
    NameOfParam());

TEST(BatchNaming, RefusedSuffixMessageListsTheCharacters) {
    EXPECT_EQ(RefusedSuffixMessage(),
              "ファイル名拡張子に次の名前は使えません\r　　　　　　\\/;,:*?\"<>|");
}

struct NameCase {
    const char* name;
    std::string folder, source, suffix, extension;
    std::string expected;
};

class OutputNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(OutputNames, BaseNameSuffixExtension) {
    const NameCase& c = GetParam();
    EXPECT_EQ(BatchOutputName(c.folder, c.source, EffectiveSuffix(c.suffix), c.extension),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, OutputNames,
    ::testing::Values(
        NameCase{"LastExtensionOnly", "/out/", "/pics/photo.2024.png", "_ks", ".gif",
                 "/out/photo.2024_ks.gif"},
        NameCase{"NoExtension", "/out/", "/pics/scan", "_ks", ".gif", "/out/scan_ks.gif"},
        NameCase{"NoSuffixItem", "/out/", "/pics/name.bmp", "（拡張子無し）", ".jpg",
                 "/out/name.jpg"},
        NameCase{"FolderWithoutSlash", "/out", "/pics/a.bmp", "_ks", ".jpg", "/out/a_ks.jpg"},
        NameCase{"DotInFolderOnly", "/o/", "/pi.cs/scan", "_s", ".png", "/o/scan_s.png"},
        NameCase{"TwoSourcesOneName", "/o/", "/p/a.gif", "_ks", ".jpg", "/o/a_ks.jpg"}),
    NameOfParam());

TEST(BatchNaming, FolderOfKeepsOneSlashAtTheRoot) {
    EXPECT_EQ(FolderOf("/a.bmp"), "/");
    EXPECT_EQ(FolderOf("/pics/a.bmp"), "/pics/");
    EXPECT_EQ(FolderOf("/pics/sub/"), "/pics/sub/");
    EXPECT_EQ(FolderOf("a.bmp"), "./");
}

}  // namespace
