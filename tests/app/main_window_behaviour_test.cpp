// Titles, the minimum width, the wheel, clicks on the view, stay on top,
// closing, the ".dat" file and the general error box.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <set>

#include "app/dat_file.h"
#include "app/window_kit/general_error.h"
#include "app/window_kit/image_view.h"
#include "app/window_kit/track_bar.h"
#include "help/help_window.h"
#include "tests/app/window_fixture.h"

struct TitleRow {
    const char* name;
    const char* path;
    const char* kind;
    int width, height;
    const char* title;
    const char* displayName;
};

class TitleRule : public WindowTest, public ::testing::WithParamInterface<TitleRow> {};

TEST_P(TitleRule, ComposesTheCaption) {
    const TitleRow& row = GetParam();
    form().FormTitleSet(QString::fromUtf8(row.path), QString::fromUtf8(row.kind), row.width,
                        row.height);
    EXPECT_EQ(form().windowTitle(), QString::fromUtf8(row.title));
    EXPECT_EQ(form().TitleText, QString::fromUtf8(row.title));
    EXPECT_EQ(form().DisplayName, QString::fromUtf8(row.displayName));
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, TitleRule,
    ::testing::Values(
        TitleRow{"FullPath", "/home/u/pics/photo.jpg", "元画像", 640, 480,
                 "Skalomi Ver.4.02 ： photo.jpg  元画像（640×480）", "photo.jpg"},
        TitleRow{"BareName", "a.bmp", "拡縮画像", 1, 2,
                 "Skalomi Ver.4.02 ： a.bmp  拡縮画像（1×2）", "a.bmp"},
        TitleRow{"Clipboard", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ無題", "元画像", 300, 200,
                 "Skalomi Ver.4.02 ： ｸﾘｯﾌﾟﾎﾞｰﾄﾞ無題  元画像（300×200）", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ無題"},
        TitleRow{"JapaneseFolders", "/写真/旅行/海.png", "元画像", 12345, 6789,
                 "Skalomi Ver.4.02 ： 海.png  元画像（12345×6789）", "海.png"},
        TitleRow{"BackslashIsPartOfTheName", "/tmp/a\\b.bmp", "元画像", 5, 5,
                 "Skalomi Ver.4.02 ： a\\b.bmp  元画像（5×5）", "a\\b.bmp"},
        TitleRow{"FolderOnly", "/tmp/", "元画像", 5, 5, "Skalomi Ver.4.02 ：   元画像（5×5）", ""}),
    NameOfParam());

TEST_F(WindowTest, WindowIsNeverNarrowerThan658) {
    form().resize(500, 150);
    EXPECT_EQ(form().width(), 658);
    EXPECT_EQ(form().height(), 150);
    form().resize(900, 300);
    EXPECT_EQ(form().width(), 900);
}

TEST_F(WindowTest, WheelScrollsTheFocusedViewByDeltaOverFive) {
    OpenThroughDialog(WritePatternBmp(temp_, "tall.bmp", 50, 3000));
    form().ScrollBox1->verticalScrollBar()->setValue(100);
    ASSERT_EQ(focus(), form().ScrollBox1);

    struct Turn {
        int delta;
        int expected;
    };
    for (const Turn turn :
         {Turn{120, 76}, Turn{-120, 100}, Turn{3, 99}, Turn{-3, 100}, Turn{-240, 148}}) {
        Wheel(form().Image1, turn.delta);
        EXPECT_EQ(ScrollY(), turn.expected) << "delta " << turn.delta;
    }
    // The bar keeps the position in its range.
    Wheel(form().Image1, 120 * 100);
    EXPECT_EQ(ScrollY(), 0);

    // With a size field or a track bar focused the view stays put; the
    // focused bar takes the turn wherever the pointer is.
    form().ScrollBox1->verticalScrollBar()->setValue(100);
    form().Edit1->setFocus();
    Wheel(form().Image1, -120);
    EXPECT_EQ(ScrollY(), 100);
    form().TrackBar1->setFocus();
    Wheel(form().Image1, 120);
    EXPECT_EQ(ScrollY(), 100);
    EXPECT_GT(form().TrackBar1->value(), 0);
}

TEST_F(WindowTest, ClickOnEitherPictureOrTheViewFocusesTheView) {
    OpenThroughDialog(WritePatternBmp(temp_, "a.bmp", 40, 40));
    form().Edit1->setFocus();
    Click(form().Image1, QPoint(3, 3));
    EXPECT_EQ(focus(), form().ScrollBox1);
    form().Edit2->setFocus();
    Click(form().ScrollBox1->viewport(), QPoint(300, 200));
    EXPECT_EQ(focus(), form().ScrollBox1);
}

TEST_F(WindowTest, StayOnTopBoxAppliesOnClickAndOnActivation) {
    const QRect before = form().geometry();
    Click(form().CheckBox2, QPoint(5, 5));
    ASSERT_TRUE(form().CheckBox2->isChecked());
    ASSERT_FALSE(platform_.TopmostCalls.empty());
    EXPECT_EQ(platform_.TopmostCalls.back(), std::make_pair(static_cast<QWidget*>(&form()), true));
    EXPECT_EQ(focus(), form().ScrollBox1);
    EXPECT_EQ(form().geometry(), before);

    // The help command takes the window out of the top layer; coming back
    // to the main window puts it there again.
    platform_.ClearRecords();
    form().ToolButton14Click();
    EXPECT_EQ(platform_.Log, QStringList({"topmost 0", "front"}));
    EXPECT_TRUE(windows().Form3().isVisible());
    platform_.ClearRecords();
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(&form(), &activation);
    ASSERT_TRUE(form().isActiveWindow());
    EXPECT_EQ(platform_.Log, QStringList({"topmost 1"}));
}

TEST_F(WindowTest, ClosingReleasesTheBuffersAndTables) {
    OpenThroughDialog(WritePatternBmp(temp_, "a.bmp", 40, 30));
    ASSERT_EQ(form().SourceDIB.Width(), 40);
    form().close();
    EXPECT_EQ(form().SourceDIB.Width(), 1);
    EXPECT_EQ(form().ScaledDIB.Width(), 1);
    EXPECT_TRUE(form().Tables.IndexTable.empty());
    EXPECT_TRUE(form().Tables.FracTable.empty());
    EXPECT_TRUE(platform_.Messages.empty());
}

// The windows' shut-down removes the executable's ".dat" file when this run
// wrote it, and leaves one that was there before alone.
TEST_F(WindowTest, AtShutDownTheDatFileGoesOnlyWhenThisRunWroteIt) {
    const QString dat = ExecutableDatFile().Path();
    ASSERT_EQ(dat, DatFilePath(QCoreApplication::applicationFilePath()));
    for (const bool written : {false, true}) {
        WriteBytes(dat.toStdString(), {'c', 'o', 'l'});
        if (written) ExecutableDatFile().NoteWrittenByThisRun();
        TearDown();
        EXPECT_EQ(QFileInfo::exists(dat), !written) << "written by this run: " << written;
        QFile::remove(dat);
        CreateWindows();  // for the next round and the fixture's own TearDown
    }
}

struct DatRow {
    const char* name;
    const char* there;  // "file", "folder" or nothing
    bool writtenByThisRun;
    bool remains;
};

void PrintTo(const DatRow& row, std::ostream* os) {
    *os << row.name;
}

class DatFileRemoval : public ::testing::TestWithParam<DatRow> {};

TEST_P(DatFileRemoval, OnlyTheFileThisRunWrote) {
    const DatRow& row = GetParam();
    TempDir dir;
    const std::string path = dir.file("skalomi.dat");
    const std::string there = row.there;
    if (there == "file") WriteBytes(path, {'c', 'o', 'l'});
    if (there == "folder") QDir().mkdir(QString::fromStdString(path));
    DatFile dat(QString::fromStdString(path));
    if (row.writtenByThisRun) dat.NoteWrittenByThisRun();
    dat.RemoveIfWrittenByThisRun();
    EXPECT_EQ(QFileInfo::exists(QString::fromStdString(path)), row.remains);
}

INSTANTIATE_TEST_SUITE_P(AtShutDown, DatFileRemoval,
                         ::testing::Values(DatRow{"AUsersFileStays", "file", false, true},
                                           DatRow{"TheRunsOwnFileGoes", "file", true, false},
                                           DatRow{"NothingThereIsNoFailure", "", true, false},
                                           DatRow{"AFolderOfThatNameStays", "folder", true, true}),
                         NameOfParam());

TEST(DatFile, ReplacesTheExtensionOfTheExecutable) {
    EXPECT_EQ(DatFilePath(QStringLiteral("/usr/bin/skalomi")),
              QStringLiteral("/usr/bin/skalomi.dat"));
    EXPECT_EQ(DatFilePath(QStringLiteral("/opt/sk/skalomi.bin")),
              QStringLiteral("/opt/sk/skalomi.dat"));
    EXPECT_EQ(DatFilePath(QStringLiteral("/opt/v1.2/skalomi")),
              QStringLiteral("/opt/v1.2/skalomi.dat"));
    EXPECT_EQ(DatFilePath(QString()), QString());
}

// ------------------------------------------------------------ error box

struct ErrorTextRow {
    const char* name;
    const char* message;
    const char* shown;
};

class GeneralErrorTextRule : public ::testing::TestWithParam<ErrorTextRow> {};

TEST_P(GeneralErrorTextRule, AddsAFullStopUnlessTheMessageEndsLowEnough) {
    EXPECT_EQ(GeneralErrorText(QString::fromUtf8(GetParam().message)),
              QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    GeneralError, GeneralErrorTextRule,
    ::testing::Values(ErrorTextRow{"Plain", "TDIB.SetWidth: Invalid Width",
                                   "TDIB.SetWidth: Invalid Width."},
                      ErrorTextRow{"EndsInFullStop", "Stream read error.", "Stream read error."},
                      ErrorTextRow{"EndsInExclamation", "Stop!", "Stop!"},
                      ErrorTextRow{"EndsInSpace", "trailing ", "trailing "},
                      ErrorTextRow{"EndsInQuote", "'12a' is not a valid integer value",
                                   "'12a' is not a valid integer value."},
                      ErrorTextRow{"EndsInSlash", "a/", "a/."},
                      ErrorTextRow{"Japanese", "画像が大きすぎます。", "画像が大きすぎます。."},
                      ErrorTextRow{"Empty", "", ""}),
    NameOfParam());

namespace {

// An object whose event handler fails, as a command handler can.
class FailingObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw EDIBInvalidDIB("TDIB.LoadFromStream: Invalid DIB");
        return QObject::event(e);
    }
};

}  // namespace

TEST_F(WindowTest, AnErrorEscapingAHandlerIsShownAndTheProgramGoesOn) {
    FailingObject failing;
    QEvent event(QEvent::User);
    QApplication::sendEvent(&failing, &event);
    ASSERT_EQ(platform_.Messages.size(), 1u);
    EXPECT_EQ(platform_.Messages[0].Text, QStringLiteral("TDIB.LoadFromStream: Invalid DIB."));
    EXPECT_EQ(platform_.Messages[0].Title, QStringLiteral("Skalomi Ver.4.02"));
    EXPECT_EQ(platform_.Messages[0].Icon, MessageIcon::Error);
    EXPECT_EQ(platform_.Messages[0].Buttons, MessageButtons::Ok);
    // The window still answers.
    OpenThroughDialog(WritePatternBmp(temp_, "a.bmp", 4, 4));
    EXPECT_TRUE(form().ToolButton10->isEnabled());
}

TEST_F(WindowTest, OnA256ColourScreenTheSourceKeepsOnlyReducedColours) {
    platform_.Colors = 256;
    CreateWindows();
    EXPECT_EQ(form().ScreenColors, 256);
    OpenThroughDialog(WritePatternBmp(temp_, "many.bmp", 64, 64));
    EXPECT_EQ(form().SourceDIB.PixelFormat(), PixelFormat24Bit);
    std::set<int> colours;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) colours.insert(form().SourceDIB.GetPixels(x, y));
    EXPECT_LE(colours.size(), 256u);
    EXPECT_GT(colours.size(), 16u);
    // The view shows the same reduced picture.
    EXPECT_EQ(ShownPicture(form(), false), AsImage(form().SourceDIB));
}

TEST_F(WindowTest, OnAFullColourScreenTheSourceStaysExact) {
    const std::string path = WritePatternBmp(temp_, "many.bmp", 64, 64);
    OpenThroughDialog(path);
    TDIB original;
    original.LoadFromFile(path);
    EXPECT_EQ(AsImage(form().SourceDIB), AsImage(original));
    EXPECT_EQ(ShownPicture(form(), false), AsImage(original));
}
