// Loading by the open dialog, by dropping files and by pasting.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QScrollArea>
#include <QToolButton>

#include "app/window_kit/image_view.h"
#include "tests/app/window_fixture.h"

TEST_F(WindowTest, OpenDialogHasItsTitleAndFilterAndCancelChangesNothing) {
    Key(Qt::Key_O, QStringLiteral("o"));
    ASSERT_EQ(platform_.OpenDialogs.size(), 1u);
    EXPECT_EQ(platform_.OpenDialogs[0].Title, QStringLiteral("元画像を開く"));
    EXPECT_FALSE(platform_.OpenDialogs[0].MultiSelect);
    EXPECT_TRUE(platform_.OpenDialogs[0].Filter.startsWith(
        QStringLiteral("対応画像ﾌｧｲﾙ (*.bmp *.jpg *.gif *.wmf *.emf "
                       "*.png)|*.bmp;*.jpg;*.gif;*.wmf;*.emf;*.png|")));
    EXPECT_EQ(platform_.Log, QStringList({"open"}));
    EXPECT_EQ(form().windowTitle(), QStringLiteral("Skalomi Ver.4.02"));
    EXPECT_FALSE(form().ToolButton10->isEnabled());
}

TEST_F(WindowTest, ALoadedFileBecomesTheSourceWithTheSelectionReset) {
    const std::string path =
        WritePatternBmp(temp_, "noext", 37, 21);  // the content decides, not the name
    form().SelectState = 1;
    form().SelRight = 3;
    OpenThroughDialog(path);
    TForm1& f = form();
    EXPECT_EQ(f.SourceDIB.Width(), 37);
    EXPECT_EQ(f.SourceDIB.PixelFormat(), PixelFormat24Bit);
    EXPECT_EQ(f.Image1->size(), QSize(37, 21));
    EXPECT_EQ(f.SelectState, 0);
    EXPECT_EQ(f.CurrentSelection().Right, 36);
    EXPECT_EQ(f.CurrentSelection().Bottom, 20);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Skalomi Ver.4.02 ： noext  元画像（37×21）"));
    EXPECT_EQ(ShownPicture(f, false), AsImage(PatternPicture(37, 21)));
    EXPECT_EQ(focus(), f.ScrollBox1);
    // Not topmost while loading; the box is unchecked, so it stays so.
    EXPECT_EQ(platform_.Log, QStringList({"open", "topmost 0"}));
}

TEST_F(WindowTest, ARefusedFileChangesNothingAndTheWindowGoesBackOnTop) {
    OpenThroughDialog(WritePatternBmp(temp_, "good.bmp", 20, 10));
    Click(form().CheckBox2);
    const QString titleBefore = form().windowTitle();
    const QImage shownBefore = ShownPicture(form(), false);
    const std::string bad = temp_.file("bad.bmp");
    WriteBytes(bad, {'B', 'M', 1, 2, 3, 4, 5});
    platform_.ClearRecords();

    OpenThroughDialog(bad);
    ASSERT_EQ(platform_.Messages.size(), 1u);
    EXPECT_EQ(platform_.Messages[0].Text, QStringLiteral("処理出来ないファイルです"));
    EXPECT_EQ(platform_.Messages[0].Title, QStringLiteral("File Open Error"));
    EXPECT_EQ(platform_.Messages[0].Icon, MessageIcon::Error);
    EXPECT_EQ(platform_.Log,
              QStringList({"open", "topmost 0", "message 処理出来ないファイルです", "topmost 1"}));
    EXPECT_EQ(form().windowTitle(), titleBefore);
    EXPECT_EQ(ShownPicture(form(), false), shownBefore);
    EXPECT_EQ(form().SourceDIB.Width(), 20);
    EXPECT_EQ(focus(), form().ScrollBox1);

    // A folder and a missing file are refused the same way.
    for (const std::string& path : {temp_.path(), temp_.file("missing.bmp")}) {
        platform_.ClearRecords();
        EXPECT_FALSE(form().OpenPictureFile(QString::fromStdString(path)));
        EXPECT_EQ(platform_.Messages.size(), 1u);
    }
    EXPECT_TRUE(form().OpenPictureFile(QString::fromStdString(temp_.file("good.bmp"))));
}

TEST_F(WindowTest, ARefusedFirstFileLeavesTheBareTitle) {
    OpenThroughDialog(temp_.file("nothing-here.bmp"));
    EXPECT_EQ(form().windowTitle(), QStringLiteral("Skalomi Ver.4.02"));
    EXPECT_FALSE(form().ToolButton5->isEnabled());
}

TEST_F(WindowTest, ADropOpensTheFirstFileAndBringsTheWindowToTheFront) {
    const std::string first = WritePatternBmp(temp_, "first.bmp", 11, 7);
    const std::string second = WritePatternBmp(temp_, "second.bmp", 5, 5);
    DropFiles(form().Edit1, {QString::fromStdString(first), QString::fromStdString(second),
                             QString::fromStdString(second)});
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： first.bmp  元画像（11×7）"));
    EXPECT_EQ(form().Edit1->text(), QStringLiteral("100"));  // the field took no text
    ASSERT_EQ(platform_.BroughtToFront.size(), 1u);
    EXPECT_EQ(platform_.BroughtToFront[0], &form());
}

TEST_F(WindowTest, ADroppedPathLongerThan254CharactersArrivesWhole) {
    std::string folder = temp_.path();
    while (folder.size() < 300) {
        folder += "/" + std::string(60, 'd');
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    }
    const std::string longPath = folder + "/long-name.bmp";
    PatternPicture(9, 4).SaveToFile(longPath);
    ASSERT_GT(longPath.size(), 254u);
    DropFiles(form().ScrollBox1->viewport(), {QString::fromStdString(longPath)});
    EXPECT_TRUE(platform_.Messages.empty());
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： long-name.bmp  元画像（9×4）"));
}

TEST_F(WindowTest, PasteTakesAPictureFromTheClipboard) {
    platform_.Clipboard.PackedDIB = PatternPicture(300, 200).SaveToClipboardFormat();
    Click(form().CheckBox2);
    platform_.ClearRecords();
    Key(Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： ｸﾘｯﾌﾟﾎﾞｰﾄﾞ無題  元画像（300×200）"));
    EXPECT_EQ(AsImage(form().SourceDIB), AsImage(PatternPicture(300, 200)));
    EXPECT_TRUE(form().ToolButton5->isChecked());
    // A paste leaves the window order alone.
    EXPECT_EQ(platform_.Log, QStringList({"paste"}));
    EXPECT_EQ(focus(), form().ScrollBox1);
}

TEST_F(WindowTest, PasteOfSomethingElseIsRefusedAndChangesNothing) {
    OpenThroughDialog(WritePatternBmp(temp_, "a.bmp", 8, 8));
    const QString title = form().windowTitle();
    platform_.ClearRecords();
    form().Paste1->trigger();
    ASSERT_EQ(platform_.Messages.size(), 1u);
    EXPECT_EQ(platform_.Messages[0].Text, QStringLiteral("取り込めない形式です"));
    EXPECT_EQ(platform_.Messages[0].Title, QStringLiteral("Paste Error"));
    EXPECT_EQ(platform_.Messages[0].Icon, MessageIcon::Warning);
    EXPECT_EQ(form().windowTitle(), title);
    EXPECT_EQ(form().SourceDIB.Width(), 8);
}

TEST_F(WindowTest, DamagedClipboardDataGoesToTheGeneralErrorBox) {
    OpenThroughDialog(WritePatternBmp(temp_, "a.bmp", 8, 8));
    const QString title = form().windowTitle();
    platform_.ClearRecords();
    platform_.Clipboard.PackedDIB = std::vector<std::uint8_t>{40, 0, 0, 0, 1, 2};
    form().Paste1->trigger();
    ASSERT_EQ(platform_.Messages.size(), 1u);
    EXPECT_EQ(platform_.Messages[0].Title, QStringLiteral("Skalomi Ver.4.02"));
    EXPECT_EQ(form().windowTitle(), title);
    EXPECT_EQ(AsImage(form().SourceDIB), AsImage(PatternPicture(8, 8)));
}

TEST_F(WindowTest, APictureWinsOverAMetafileAndAnUnreadableMetafileChangesNothing) {
    // Both offered: the picture is taken and the metafile never read.
    platform_.Clipboard.PackedDIB = PatternPicture(6, 4).SaveToClipboardFormat();
    platform_.Clipboard.Metafile = std::vector<std::uint8_t>{1, 2, 3};
    form().Paste1->trigger();
    EXPECT_TRUE(platform_.Messages.empty());
    EXPECT_EQ(form().SourceDIB.Width(), 6);

    // A metafile alone that cannot be drawn goes to the general error box;
    // the source, the view and the title stay.
    const QString title = form().windowTitle();
    platform_.Clipboard.PackedDIB.reset();
    form().Paste1->trigger();
    ASSERT_EQ(platform_.Messages.size(), 1u);
    EXPECT_EQ(platform_.Messages[0].Title, QStringLiteral("Skalomi Ver.4.02"));
    EXPECT_EQ(form().windowTitle(), title);
    EXPECT_EQ(form().SourceDIB.Width(), 6);
}
