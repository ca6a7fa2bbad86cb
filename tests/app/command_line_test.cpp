// The window program's command line: what it asks for, and a file named on
// it opening exactly as a drop of the same file does.

#include "app/command_line.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QPixmap>

#include "app/app_icon.h"
#include "help/help_window.h"
#include "skalomi_build.h"
#include "tests/app/window_fixture.h"

namespace {

using Request = WindowCommandLine::Request;

// A relative name after the current folder, not cleaned of "..".
QString inCurrentFolder(const QString& name) {
    return QDir::currentPath() + QLatin1Char('/') + name;
}

struct ReadCase {
    const char* name;
    QStringList arguments;  // after the program's name
    Request asked;
    QStringList files;     // names in the current folder, or full paths
    QString textContains;  // in the help, version or error text
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadingTheCommandLine : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadingTheCommandLine, GivesTheRequestAndFullPaths) {
    const ReadCase& c = GetParam();
    const WindowCommandLine line =
        ReadWindowCommandLine(QStringList{QStringLiteral("skalomi")} + c.arguments);
    EXPECT_EQ(line.Asked, c.asked) << line.Text.toStdString();
    QStringList expected;
    for (const QString& file : c.files)
        expected << (file.isEmpty() || file.startsWith(QLatin1Char('/')) ? file
                                                                         : inCurrentFolder(file));
    EXPECT_EQ(line.Files, expected);
    EXPECT_TRUE(line.Text.contains(c.textContains)) << line.Text.toStdString();
}

const QString kVersionLine = QStringLiteral(SKALOMI_VERSION_TEXT "\n");

INSTANTIATE_TEST_SUITE_P(
    Window, ReadingTheCommandLine,
    ::testing::Values(
        ReadCase{"Nothing", {}, Request::Start, {}, {}},
        ReadCase{"AFullPath", {"/pics/photo.jpg"}, Request::Start, {"/pics/photo.jpg"}, {}},
        ReadCase{"ARelativePathIsMadeFull", {"photo.jpg"}, Request::Start, {"photo.jpg"}, {}},
        ReadCase{"UpwardsStaysUpwards", {"../a b.png"}, Request::Start, {"../a b.png"}, {}},
        ReadCase{"SeveralInTheirOrder",
                 {"b.png", "/x/a.gif"},
                 Request::Start,
                 {"b.png", "/x/a.gif"},
                 {}},
        ReadCase{"AnEmptyNameStaysEmpty", {""}, Request::Start, {""}, {}},
        ReadCase{
            "AfterDoubleDashADashIsAName", {"--", "--version"}, Request::Start, {"--version"}, {}},
        ReadCase{"HelpLong", {"--help"}, Request::Help, {}, "Usage: "},
        ReadCase{"HelpShort", {"-h"}, Request::Help, {}, "[file...]"},
        ReadCase{"HelpListsVersion", {"--help"}, Request::Help, {}, "-v, --version"},
        ReadCase{"VersionLong", {"--version"}, Request::Version, {}, kVersionLine},
        ReadCase{"VersionShort", {"-v", "a.png"}, Request::Version, {}, "Skalomi 4.02"},
        // Before the real application object takes Qt's options out, they
        // are unknown; help must still be given.
        ReadCase{"HelpWinsOverAnUnknownOption",
                 {"-platform", "offscreen", "--help"},
                 Request::Help,
                 {},
                 "Usage: "},
        ReadCase{"UnknownOption", {"--bogus", "a.png"}, Request::Error, {}, "bogus"},
        // A single dash starts one word, as Qt's own -reverse does, not a
        // bundle of letters that would contain -v.
        ReadCase{"SingleDashWordIsOneOption", {"-reverse"}, Request::Error, {}, "reverse"}),
    NameOfParam());

TEST(WindowCommandLine, VersionNamesTheProgramAndItsVersion) {
    const WindowCommandLine line =
        ReadWindowCommandLine({QStringLiteral("skalomi"), QStringLiteral("--version")});
    EXPECT_TRUE(line.Text.startsWith(QStringLiteral("Skalomi ") + QStringLiteral(SKALOMI_VERSION)))
        << line.Text.toStdString();
    EXPECT_EQ(QStringLiteral(SKALOMI_VERSION), QStringLiteral("4.02"));
}

// --------------------------------------------------- opening from the line

struct OpenCase {
    const char* name;
    QStringList arguments;  // names in the test's folder
    QString title;          // the title afterwards
    QStringList messages;   // the texts of the message boxes shown
};

void PrintTo(const OpenCase& c, std::ostream* os) {
    *os << c.name;
}

const QString kRefused = QStringLiteral("処理出来ないファイルです");
const QString kBareTitle = QStringLiteral("Skalomi Ver.4.02");
const QString kPhotoTitle = QStringLiteral("Skalomi Ver.4.02 ： photo.bmp  元画像（40×30）");

class OpeningFromTheCommandLine : public WindowTest,
                                  public ::testing::WithParamInterface<OpenCase> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        WritePatternBmp(temp_, "photo.bmp", 40, 30);
        WritePatternBmp(temp_, "other.bmp", 12, 9);
        // "link/../photo.bmp" is deep/photo.bmp to the system, not photo.bmp.
        QDir().mkpath(QString::fromStdString(temp_.file("deep/inner")));
        WritePatternBmp(temp_, "deep/photo.bmp", 7, 5);
        QFile::link(QStringLiteral("deep/inner"), QString::fromStdString(temp_.file("link")));
        WriteBytes(temp_.file("junk.bmp"), {'B', 'M', 0, 1, 2, 3});
        QDir().mkpath(QString::fromStdString(temp_.file("folder")));
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(temp_.path()));
    }
    void TearDown() override {
        QDir::setCurrent(previousFolder_);
        WindowTest::TearDown();
    }

    struct Seen {
        QString title;
        QStringList log;
        std::vector<ShownMessage> messages;
    };
    Seen seen() { return {form().windowTitle(), platform_.Log, platform_.Messages}; }

private:
    QString previousFolder_;
};

TEST_P(OpeningFromTheCommandLine, OpensAsADropOfTheSameFiles) {
    const OpenCase& c = GetParam();
    const WindowCommandLine line =
        ReadWindowCommandLine(QStringList{QStringLiteral("skalomi")} + c.arguments);
    ASSERT_EQ(line.Asked, Request::Start);

    windows().OpenFromCommandLine(line.Files);
    // Nothing happens before the event loop runs: the window comes first.
    EXPECT_TRUE(platform_.Log.isEmpty());
    QCoreApplication::sendPostedEvents();
    const Seen fromLine = seen();

    EXPECT_EQ(fromLine.title, c.title);
    QStringList messages;
    for (const ShownMessage& m : fromLine.messages) {
        messages << m.Text;
        EXPECT_EQ(m.Title, QStringLiteral("File Open Error"));
        EXPECT_EQ(m.Icon, MessageIcon::Error);
    }
    EXPECT_EQ(messages, c.messages);

    // The same files dropped on a fresh window.
    CreateWindows();
    DropFiles(form().ScrollBox1->viewport(), line.Files);
    const Seen fromDrop = seen();
    EXPECT_EQ(fromLine.title, fromDrop.title);
    EXPECT_EQ(fromLine.log, fromDrop.log);
}

INSTANTIATE_TEST_SUITE_P(
    Window, OpeningFromTheCommandLine,
    ::testing::Values(
        OpenCase{"APicture", {"photo.bmp"}, kPhotoTitle, {}},
        OpenCase{"ThroughAnUpwardsPath", {"folder/../photo.bmp"}, kPhotoTitle, {}},
        OpenCase{"UpwardsFromASymbolicLink",
                 {"link/../photo.bmp"},
                 QStringLiteral("Skalomi Ver.4.02 ： photo.bmp  元画像（7×5）"),
                 {}},
        OpenCase{"TheFirstOfSeveral", {"photo.bmp", "other.bmp"}, kPhotoTitle, {}},
        OpenCase{"ARefusedFile", {"junk.bmp"}, kBareTitle, {kRefused}},
        OpenCase{"AMissingFile", {"missing.png"}, kBareTitle, {kRefused}},
        OpenCase{"AFolder", {"folder"}, kBareTitle, {kRefused}},
        OpenCase{"ARefusedFirstOfSeveral", {"junk.bmp", "photo.bmp"}, kBareTitle, {kRefused}}),
    NameOfParam());

TEST_F(WindowTest, NoFileOnTheCommandLineOpensNothing) {
    windows().OpenFromCommandLine({});
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(platform_.Log.isEmpty());
    EXPECT_EQ(form().windowTitle(), kBareTitle);
}

TEST_F(WindowTest, ACommandLineFileEnablesTheCommandsAndComesToTheFront) {
    windows().OpenFromCommandLine({QString::fromStdString(WritePatternBmp(temp_, "a.bmp", 8, 6))});
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(form().ToolButton10->isEnabled());
    EXPECT_TRUE(form().ToolButton5->isChecked());
    EXPECT_EQ(form().SourceDIB.Width(), 8);
    EXPECT_EQ(platform_.Log, QStringList({"topmost 0", "front"}));
    EXPECT_EQ(focus(), form().ScrollBox1);
}

TEST_F(WindowTest, TheWindowsShowTheProgramsIconAtEverySize) {
    // Every size is a picture of its own in the program, not a scaled copy.
    for (const int size : ApplicationIconSizes()) {
        const QImage drawn(QStringLiteral(":/icons/skalomi-%1.png").arg(size));
        EXPECT_EQ(drawn.size(), QSize(size, size)) << size;
    }
    for (QWidget* window : {static_cast<QWidget*>(&form()), static_cast<QWidget*>(form().Form3)}) {
        const QIcon icon = window->windowIcon();
        ASSERT_FALSE(icon.isNull());
        for (const int size : ApplicationIconSizes()) {
            const QImage picture = icon.pixmap(QSize(size, size)).toImage();
            ASSERT_EQ(picture.size(), QSize(size, size)) << size;
            // Drawn on a tile that fills the middle: opaque there, clear in
            // the very corner.
            EXPECT_EQ(qAlpha(picture.pixel(size / 2, size / 2)), 255) << size;
            EXPECT_LT(qAlpha(picture.pixel(0, 0)), 128) << size;
        }
    }
}

}  // namespace
