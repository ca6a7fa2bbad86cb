// Saving the shown picture: the dialog by view, the writer by the exact
// extension, the title afterwards, and a failed save.

#include <QFileInfo>
#include <QToolButton>

#include "app/window_kit/image_view.h"
#include "tests/app/window_fixture.h"

namespace {

std::string header(const std::string& path, std::size_t n = 2) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.begin() + static_cast<long>(std::min(n, bytes.size())));
}

}  // namespace

TEST_F(WindowTest, SaveDialogTitleFollowsTheViewAndTheTitleNamesTheSavedFile) {
    OpenThroughDialog(WritePatternBmp(temp_, "in.bmp", 30, 20));
    const std::string source = temp_.file("source.bmp");
    platform_.SaveAnswers.push_back(QString::fromStdString(source));
    Type(QStringLiteral("s"));
    ASSERT_EQ(platform_.SaveDialogs.size(), 1u);
    EXPECT_EQ(platform_.SaveDialogs[0].Title, QStringLiteral("元画像を保存"));
    EXPECT_EQ(platform_.SaveDialogs[0].FilterIndex, 2);
    EXPECT_EQ(platform_.SaveDialogs[0].DefaultExt, QStringLiteral("bmp"));
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： source.bmp  元画像（30×20）"));
    TDIB written;
    written.LoadFromFile(source);
    EXPECT_EQ(AsImage(written), AsImage(PatternPicture(30, 20)));

    form().Edit1->setText(QStringLiteral("50"));
    Enter();
    const std::string scaled = temp_.file("scaled.Jpg");
    platform_.SaveAnswers.push_back(QString::fromStdString(scaled));
    Type(QStringLiteral("s"));
    EXPECT_EQ(platform_.SaveDialogs.back().Title, QStringLiteral("拡縮画像を保存"));
    // The dialog remembers the last name.
    EXPECT_EQ(platform_.SaveDialogs.back().FileName, QString::fromStdString(source));
    EXPECT_EQ(header(scaled), "BM");  // ".Jpg" is no JPEG extension
    TDIB scaledWritten;
    scaledWritten.LoadFromFile(scaled);
    EXPECT_EQ(AsImage(scaledWritten), AsImage(form().ScaledDIB));
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： scaled.Jpg  拡縮画像（15×10）"));
    // The saved name stays in the title in both views.
    Type(QStringLiteral("<"));
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： scaled.Jpg  元画像（30×20）"));
}

struct ExtensionRow {
    const char* name;
    const char* file;
};

class BmpByExtension : public WindowTest, public ::testing::WithParamInterface<ExtensionRow> {};

TEST_P(BmpByExtension, WritesABitmapUnderTheGivenName) {
    OpenThroughDialog(WritePatternBmp(temp_, "in.bmp", 7, 5));
    const std::string path = temp_.file(GetParam().file);
    form().SavePictureFile(QString::fromStdString(path));
    EXPECT_TRUE(platform_.Messages.empty());
    EXPECT_EQ(header(path), "BM");
}

INSTANTIATE_TEST_SUITE_P(
    Saving, BmpByExtension,
    ::testing::Values(ExtensionRow{"MixedCaseJpg", "p.Jpg"}, ExtensionRow{"Jpeg", "p.jpeg"},
                      ExtensionRow{"MixedCasePng", "p.Png"}, ExtensionRow{"MixedCaseGif", "p.Gif"},
                      ExtensionRow{"NoExtension", "picture"}, ExtensionRow{"Bmp", "p.bmp"}),
    NameOfParam());

TEST_F(WindowTest, CancellingTheSaveDialogChangesNothing) {
    OpenThroughDialog(WritePatternBmp(temp_, "in.bmp", 7, 5));
    const QString title = form().windowTitle();
    platform_.SaveAnswers.push_back(std::nullopt);
    Click(form().ToolButton2);
    EXPECT_EQ(form().windowTitle(), title);
    EXPECT_TRUE(platform_.Messages.empty());
}

TEST_F(WindowTest, AFailedSaveKeepsTheOldFileAndReportsTheError) {
    OpenThroughDialog(WritePatternBmp(temp_, "in.bmp", 7, 5));
    const QString title = form().windowTitle();
    // A target that cannot be written: a file inside a missing folder, and a
    // name that is a folder already.
    for (const std::string& path : {temp_.file("missing/out.bmp"), temp_.path()}) {
        platform_.ClearRecords();
        platform_.SaveAnswers.push_back(QString::fromStdString(path));
        Click(form().ToolButton2);
        ASSERT_EQ(platform_.Messages.size(), 1u) << path;
        EXPECT_EQ(platform_.Messages[0].Title, QStringLiteral("Skalomi Ver.4.02"));
        EXPECT_EQ(platform_.Messages[0].Icon, MessageIcon::Error);
        EXPECT_EQ(form().windowTitle(), title);
    }
    EXPECT_TRUE(QFileInfo(QString::fromStdString(temp_.path())).isDir());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(temp_.file("missing"))));
}
