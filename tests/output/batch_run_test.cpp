// The batch run through the "M" key with scripted dialogs and the real
// destination dialog: names, the overwrite question and its answers, the
// Esc-hold abort, the closing steps on every way out, and files that
// cannot be read or scaled.

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <filesystem>
#include <map>

#include "app/window_kit/image_view.h"
#include "app/window_kit/texts.h"
#include "output/batch_texts.h"
#include "output/progress_window.h"
#include "picture/picture_loader.h"
#include "picture/picture_saver.h"
#include "scale/scale_run.h"
#include "shell/shell_tree_view.h"
#include "tests/output/batch_fixture.h"
#include "tests/support/scale_helpers.h"

namespace fs = std::filesystem;

namespace {

const QString kOpenError = QStringLiteral("処理出来ないファイルです");

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// What the engine makes of a file at 50 percent, written as `path` names.
std::vector<std::uint8_t> halfSizeBytes(const std::string& source, const std::string& path) {
    TDIB picture;
    EXPECT_TRUE(LoadPictureFile(source, picture));
    picture.SetPixelFormat(PixelFormat24Bit);
    ScaleSettings half;
    half.HorzValue = 50;
    half.VertValue = 50;
    SavePictureToFile(ScaleWholePicture(picture, half), path);
    return ReadBytes(path);
}

class BatchRun : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        form().Edit1->setText(QStringLiteral("50"));  // the lock copies it into Edit2
        out_ = temp_.file("out");
        fs::create_directory(out_);
        ref_ = temp_.file("ref");
        fs::create_directory(ref_);
    }

    std::string source(const std::string& name, int width = 20, int height = 14) {
        return WritePatternBmp(temp_, name, width, height);
    }
    std::string output(const std::string& name) const { return out_ + "/" + name; }
    std::vector<std::uint8_t> expected(const std::string& sourcePath, const std::string& outName) {
        return halfSizeBytes(sourcePath, ref_ + "/" + outName);
    }

    std::string out_, ref_;
};

TEST_F(BatchRun, OneFileRunsOnceWithTheBatchCaptionAndEverythingBackAfterwards) {
    const std::string a = source("a.bmp");
    RunBatch({a}, Choose(out_, QStringLiteral("_ks"), 3));

    ASSERT_EQ(ProgressShowings.size(), 1u);
    EXPECT_EQ(ProgressShowings[0].Caption, QStringLiteral("まとめて拡縮：1/1 ファイル処理中"));
    EXPECT_TRUE(ProgressShowings[0].HintShown);
    EXPECT_EQ(BytesOrNothing(output("a_ks.png")), expected(a, "a.png"));

    // The closing steps.
    EXPECT_EQ(windows().Form2().windowTitle(), QStringLiteral("処理中"));
    EXPECT_FALSE(windows().Form2().Label2->isVisibleTo(&windows().Form2()));
    EXPECT_FALSE(form().OpenPictureDialog1.MultiSelect);
    EXPECT_EQ(form().OpenPictureDialog1.Title, QStringLiteral("元画像を開く"));
    EXPECT_TRUE(form().SaveDialog1.FileName.isEmpty());
    EXPECT_TRUE(form().SaveDialog1.Title.isEmpty());

    // The dialogs on the way.
    ASSERT_EQ(platform_.OpenDialogs.size(), 1u);
    EXPECT_EQ(platform_.OpenDialogs[0].Title,
              QStringLiteral("まとめて拡縮：拡縮元ファイルを選択して下さい（複数選択可）"));
    EXPECT_TRUE(platform_.OpenDialogs[0].MultiSelect);
    EXPECT_EQ(platform_.OpenDialogs[0].Filter, texts::OpenDialogFilter);
    ASSERT_EQ(platform_.Messages.size(), 2u);
    const ShownMessage& start = platform_.Messages[0];
    const QString settings = QStringLiteral(
        "　　拡縮率\r　　　　横縮尺 50 ％\r　　　　縦縮尺 50 ％\r"
        "\r　　明るさ （ -10 ～ +10 ） ：  0\r\r　　コントラスト （ 0 ～ +20 ） ：  0\r"
        "\r　　回転角度 ： 0度\r");
    EXPECT_EQ(start.Text, BatchStartQuestion(settings));
    EXPECT_EQ(start.Title, QStringLiteral("まとめて拡縮：拡縮設定確認"));
    EXPECT_EQ(start.Icon, MessageIcon::Information);
    EXPECT_EQ(start.Buttons, MessageButtons::OkCancel);
    const ShownMessage& last = platform_.Messages[1];
    const QString folder = QString::fromStdString(temp_.path()) + QStringLiteral("/");
    EXPECT_EQ(last.Text,
              BatchFinalQuestion(folder, 1, QString::fromStdString(out_) + QStringLiteral("/"),
                                 QStringLiteral("_ks"), QStringLiteral(".png"), settings));
    EXPECT_EQ(last.Title, QStringLiteral("まとめて拡縮：最終確認"));
    EXPECT_EQ(last.Icon, MessageIcon::Information);
    EXPECT_EQ(last.Buttons, MessageButtons::OkCancel);
    EXPECT_EQ(form4().LabelSourceDir->text(), folder);

    // The window holds the last file: its picture, the scaled view, the title.
    EXPECT_TRUE(form().ToolButton6->isChecked());
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： a_ks.png  拡縮画像（10×7）"));
    EXPECT_EQ(form().Edit1->text(), QStringLiteral("50"));
}

TEST_F(BatchRun, MRunsTheBatchFromTheSizeFieldToo) {
    form().Edit1->setFocus();
    form().Edit1->end(false);
    platform_.MessageAnswers = {MessageAnswer::Cancel};
    Type(QStringLiteral("M"));
    ASSERT_EQ(platform_.Messages.size(), 1u);
    EXPECT_EQ(platform_.Messages[0].Title, QStringLiteral("まとめて拡縮：拡縮設定確認"));
    // Cancelled at once: nothing more, and the letter never reached the field.
    EXPECT_TRUE(platform_.OpenDialogs.empty());
    EXPECT_EQ(form().Edit1->text(), QStringLiteral("50"));
    EXPECT_EQ(form().OpenPictureDialog1.Title, QStringLiteral("元画像を開く"));
}

TEST_F(BatchRun, EscHeldStopsAfterTheFileInProgressAndTheRunWaitsForItsRelease) {
    const std::string a = source("a.bmp"), b = source("b.bmp"), c = source("c.bmp");
    // One file at a time, so that the file in progress is the first alone.
    form().BatchFilesAtOnceSetting = 1;
    // Held when the first file is done, and for two more looks after that.
    platform_.EscapeStates = {true, true, true, false};
    RunBatch({a, b, c}, Choose(out_, QStringLiteral("_ks"), 0));

    EXPECT_EQ(BytesOrNothing(output("a_ks.bmp")), expected(a, "a.bmp"));
    EXPECT_FALSE(exists(output("b_ks.bmp")));
    EXPECT_FALSE(exists(output("c_ks.bmp")));
    EXPECT_EQ(form().BatchAbort, 1);
    EXPECT_EQ(platform_.EscapePolls, 4);
    EXPECT_TRUE(platform_.EscapeStates.empty());
    ASSERT_EQ(ProgressShowings.size(), 1u);
    EXPECT_EQ(windows().Form2().windowTitle(), QStringLiteral("処理中"));
    // The key is looked at once per file, after it, and the wait is the
    // run's last contact with the platform but for dropping the close
    // requests held back until then.
    const QStringList escapes = platform_.Log.filter(QStringLiteral("escape"));
    EXPECT_EQ(escapes, QStringList({"escape 1", "escape 1", "escape 1", "escape 0"}));
    EXPECT_EQ(platform_.Log.mid(platform_.Log.size() - 2),
              QStringList({"escape 0", "discard closes"}));
}

TEST_F(BatchRun, EscNotHeldLooksOncePerFile) {
    const std::string a = source("a.bmp"), b = source("b.bmp");
    RunBatch({a, b}, Choose(out_, QStringLiteral("_ks"), 0));
    EXPECT_EQ(form().BatchAbort, 0);
    EXPECT_EQ(platform_.EscapePolls, 2 + 1);  // each file, then the closing wait
    EXPECT_TRUE(exists(output("a_ks.bmp")));
    EXPECT_TRUE(exists(output("b_ks.bmp")));
    EXPECT_EQ(platform_.Log.filter(QStringLiteral("caption ")),
              QStringList({"caption まとめて拡縮：1/2 ファイル処理中",
                           "caption まとめて拡縮：2/2 ファイル処理中", "caption 処理中"}));
}

struct OverwriteCase {
    const char* name;
    std::vector<MessageAnswer> answers;
    const char* holder;  // whose picture a_ks.jpg holds afterwards: "a.bmp", "a.gif"
};

class OverwriteAnswers : public BatchRun, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(OverwriteAnswers, TwoSourcesMeetingOneOutputName) {
    const std::string bmp = source("a.bmp", 20, 14);
    // A GIF of another picture, so the two outputs differ.
    const std::string gif = temp_.file("a.gif");
    SavePictureToFile(PatternPicture(24, 18), gif);
    for (MessageAnswer answer : GetParam().answers) platform_.MessageAnswers.push_back(answer);
    RunBatch({bmp, gif}, Choose(out_, QStringLiteral("_ks"), 1));

    const std::vector<ShownMessage> asked =
        MessagesTitled(QStringLiteral("まとめて拡縮：上書確認"));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, BatchOverwriteQuestion(QString::fromStdString(output("a_ks.jpg"))));
    EXPECT_EQ(asked[0].Icon, MessageIcon::Warning);
    EXPECT_EQ(asked[0].Buttons, MessageButtons::YesNoCancel);
    const std::string holder = GetParam().holder;
    EXPECT_EQ(BytesOrNothing(output("a_ks.jpg")), expected(holder == "a.bmp" ? bmp : gif, "a.jpg"));
}

INSTANTIATE_TEST_SUITE_P(Batch, OverwriteAnswers,
                         ::testing::Values(OverwriteCase{"Yes", {MessageAnswer::Yes}, "a.gif"},
                                           OverwriteCase{"No", {MessageAnswer::No}, "a.bmp"},
                                           OverwriteCase{
                                               "Cancel", {MessageAnswer::Cancel}, "a.bmp"}),
                         NameOfParam());

TEST_F(BatchRun, NoSkipsOneFileAndTheNextIsAskedOnlyWhenItsOutputExists) {
    const std::string x = source("x.bmp"), y = source("y.bmp"), z = source("z.bmp");
    WriteBytes(output("x_ks.bmp"), {1, 2, 3});
    WriteBytes(output("z_ks.bmp"), {4, 5, 6});
    platform_.MessageAnswers = {MessageAnswer::No, MessageAnswer::Yes};
    RunBatch({x, y, z}, Choose(out_, QStringLiteral("_ks"), 0));

    const std::vector<ShownMessage> asked =
        MessagesTitled(QStringLiteral("まとめて拡縮：上書確認"));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].Text, BatchOverwriteQuestion(QString::fromStdString(output("x_ks.bmp"))));
    EXPECT_EQ(asked[1].Text, BatchOverwriteQuestion(QString::fromStdString(output("z_ks.bmp"))));
    EXPECT_EQ(BytesOrNothing(output("x_ks.bmp")), std::vector<std::uint8_t>({1, 2, 3}));
    EXPECT_EQ(BytesOrNothing(output("y_ks.bmp")), expected(y, "y.bmp"));
    EXPECT_EQ(BytesOrNothing(output("z_ks.bmp")), expected(z, "z.bmp"));
}

TEST_F(BatchRun, ADanglingLinkAtTheOutputNameCountsAsAnOutput) {
    const std::string x = source("x.bmp");
    fs::create_symlink(temp_.file("nowhere.bmp"), output("x_ks.bmp"));
    platform_.MessageAnswers = {MessageAnswer::No};
    RunBatch({x}, Choose(out_, QStringLiteral("_ks"), 0));
    EXPECT_EQ(MessagesTitled(QStringLiteral("まとめて拡縮：上書確認")).size(), 1u);
    EXPECT_TRUE(fs::is_symlink(output("x_ks.bmp")));
    EXPECT_FALSE(exists(temp_.file("nowhere.bmp")));
}

TEST_F(BatchRun, YesOverwritesEveryLaterOutputWithoutAsking) {
    const std::string x = source("x.bmp"), y = source("y.bmp");
    WriteBytes(output("x_ks.bmp"), {1});
    WriteBytes(output("y_ks.bmp"), {2});
    platform_.MessageAnswers = {MessageAnswer::Yes};
    RunBatch({x, y}, Choose(out_, QStringLiteral("_ks"), 0));
    EXPECT_EQ(MessagesTitled(QStringLiteral("まとめて拡縮：上書確認")).size(), 1u);
    EXPECT_EQ(BytesOrNothing(output("x_ks.bmp")), expected(x, "x.bmp"));
    EXPECT_EQ(BytesOrNothing(output("y_ks.bmp")), expected(y, "y.bmp"));
}

TEST_F(BatchRun, CancelOnTheFirstFileWritesNothingAndRunsTheClosingSteps) {
    const std::string x = source("x.bmp"), y = source("y.bmp");
    WriteBytes(output("x_ks.bmp"), {7, 7});
    const QString titleBefore = form().windowTitle();
    platform_.MessageAnswers = {MessageAnswer::Cancel};
    RunBatch({x, y}, Choose(out_, QStringLiteral("_ks"), 0));

    EXPECT_EQ(BytesOrNothing(output("x_ks.bmp")), std::vector<std::uint8_t>({7, 7}));
    EXPECT_FALSE(exists(output("y_ks.bmp")));
    EXPECT_TRUE(ProgressShowings.empty());
    EXPECT_EQ(form().windowTitle(), titleBefore);
    EXPECT_EQ(windows().Form2().windowTitle(), QStringLiteral("処理中"));
    EXPECT_FALSE(windows().Form2().Label2->isVisibleTo(&windows().Form2()));
    EXPECT_FALSE(form().OpenPictureDialog1.MultiSelect);
    EXPECT_EQ(form().OpenPictureDialog1.Title, QStringLiteral("元画像を開く"));
    EXPECT_EQ(platform_.EscapePolls, 2);  // after the file, then the closing wait
}

struct NameCase {
    const char* name;
    std::vector<std::string> sources;
    QString suffix;
    int type;
    bool otherFolder;
    std::vector<std::string> outputs;
};

class OutputNames : public BatchRun, public ::testing::WithParamInterface<NameCase> {};

TEST_P(OutputNames, BaseNameSuffixAndTypeExtension) {
    const NameCase& c = GetParam();
    std::vector<std::string> sources;
    for (const std::string& name : c.sources) sources.push_back(source(name));
    const std::string folder = c.otherFolder ? out_ : temp_.path();
    RunBatch(sources, Choose(folder, c.suffix, c.type));
    EXPECT_EQ(Form4LeftOpen, 0);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::string written = folder + "/" + c.outputs[i];
        ASSERT_TRUE(exists(written)) << written;
        const std::string type = c.outputs[i].substr(c.outputs[i].rfind('.'));
        EXPECT_EQ(BytesOrNothing(written), expected(sources[i], "r" + std::to_string(i) + type));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Batch, OutputNames,
    ::testing::Values(
        NameCase{"LastExtensionOnlyAndNameWithoutDot",
                 {"photo.2024.png", "scan"},
                 "_ks",
                 2,
                 true,
                 {"photo.2024_ks.gif", "scan_ks.gif"}},
        NameCase{
            "NoSuffixItemIntoAnotherFolder", {"name.bmp"}, "（拡張子無し）", 1, true, {"name.jpg"}},
        NameCase{"EmptySuffixIntoAnotherFolder", {"name.bmp"}, "", 3, true, {"name.png"}},
        NameCase{"SuffixIntoTheSourceFolder", {"pic.bmp"}, "_ks", 0, false, {"pic_ks.bmp"}}),
    NameOfParam());

// A close request or a dropped file that reaches the window between two
// files of a run (the run looks at Esc there) is refused: the run goes on to
// its last file with the window open and its own pictures, and close
// requests still held back are dropped once it is over.
struct ArrivalCase {
    const char* name;
    bool drop;  // else a close request
};

void PrintTo(const ArrivalCase& c, std::ostream* out) {
    *out << c.name;
}

class ArrivalBetweenFiles : public BatchRun, public ::testing::WithParamInterface<ArrivalCase> {};

TEST_P(ArrivalBetweenFiles, IsRefusedAndTheRunGoesOn) {
    const std::string a = source("a.bmp", 20, 14), b = source("b.bmp", 22, 16),
                      c = source("c.bmp", 24, 18);
    const std::string dropped = source("dropped.bmp", 40, 30);
    int arrivals = 0;
    std::vector<std::string> failures;
    platform_.OnEscapePoll = [&] {
        if (!form().isVisible() || arrivals >= 2) return;  // after the last file: the closing wait
        ++arrivals;
        const int widthBefore = form().SourceDIB.Width();
        if (GetParam().drop) {
            DropFiles(form().ScrollBox1, {QString::fromStdString(dropped)});
        } else {
            QCloseEvent close;
            QApplication::sendEvent(&form(), &close);
            if (close.isAccepted()) failures.push_back("a close was accepted");
        }
        if (!form().isVisible()) failures.push_back("the window closed");
        if (form().SourceDIB.Width() != widthBefore) failures.push_back("the drop was loaded");
    };
    RunBatch({a, b, c}, Choose(out_, QStringLiteral("_ks"), 0));
    platform_.OnEscapePoll = nullptr;

    EXPECT_EQ(arrivals, 2);
    EXPECT_TRUE(failures.empty()) << failures.front();
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(BytesOrNothing(output("a_ks.bmp")), expected(a, "a.bmp"));
    EXPECT_EQ(BytesOrNothing(output("b_ks.bmp")), expected(b, "b.bmp"));
    EXPECT_EQ(BytesOrNothing(output("c_ks.bmp")), expected(c, "c.bmp"));
    EXPECT_EQ(form().SourceDIB.Width(), 24);
    EXPECT_EQ(platform_.Log.back(), QStringLiteral("discard closes"));

    // Once the run is over, the window takes both again.
    if (GetParam().drop) {
        DropFiles(form().ScrollBox1, {QString::fromStdString(dropped)});
        EXPECT_EQ(form().SourceDIB.Width(), 40);
    } else {
        QCloseEvent close;
        QApplication::sendEvent(&form(), &close);
        EXPECT_TRUE(close.isAccepted());
    }
}

INSTANTIATE_TEST_SUITE_P(Arrivals, ArrivalBetweenFiles,
                         ::testing::Values(ArrivalCase{"CloseRequest", false},
                                           ArrivalCase{"DroppedFile", true}),
                         NameOfParam());

TEST_F(BatchRun, AnUnreadableFileInTheMiddleIsSkippedWithItsMessage) {
    const std::string a = source("a.bmp"), c = source("c.bmp");
    const std::string b = temp_.file("b.bmp");
    WriteBytes(b, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    RunBatch({a, b, c}, Choose(out_, QStringLiteral("_ks"), 3));

    EXPECT_EQ(BytesOrNothing(output("a_ks.png")), expected(a, "a.png"));
    EXPECT_FALSE(exists(output("b_ks.png")));
    EXPECT_EQ(BytesOrNothing(output("c_ks.png")), expected(c, "c.png"));
    const std::vector<ShownMessage> refused = MessagesTitled(QStringLiteral("File Open Error"));
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].Text, kOpenError);
    EXPECT_EQ(ProgressShowings.size(), 2u);  // the two scales
}

TEST_F(BatchRun, ARefusedScaleIsReportedForEachFileAndNothingIsWritten) {
    const std::string a = source("a.bmp"), b = source("b.bmp"), bad = temp_.file("bad.bmp");
    WriteBytes(bad, {'n', 'o'});
    form().Edit1->setText(QStringLiteral("0"));
    RunBatch({a, bad, b}, Choose(out_, QStringLiteral("_ks"), 0));
    EXPECT_FALSE(exists(output("a_ks.bmp")));
    EXPECT_FALSE(exists(output("b_ks.bmp")));
    // A file no reader takes is told as such, as opening it comes first.
    QStringList titles;
    for (const ShownMessage& message : platform_.Messages) titles << message.Title;
    EXPECT_EQ(titles.mid(2), QStringList({"警告", "File Open Error", "警告"}));
}

TEST_F(BatchRun, APictureTooThinToScaleIsSkippedQuietly) {
    const std::string line = source("line.bmp", 1, 9), b = source("b.bmp");
    RunBatch({line, b}, Choose(out_, QStringLiteral("_ks"), 0));
    EXPECT_FALSE(exists(output("line_ks.bmp")));
    EXPECT_EQ(BytesOrNothing(output("b_ks.bmp")), expected(b, "b.bmp"));
    EXPECT_EQ(platform_.Messages.size(), 2u);  // the two questions only
}

TEST_F(BatchRun, AFailedSaveEndsTheRunThroughTheGeneralErrorAfterTheClosingSteps) {
    const std::string a = source("a.bmp"), b = source("b.bmp");
    fs::create_directory(output("a_ks.bmp"));  // no file can be written there
    form().BatchFilesAtOnceSetting = 1;        // so b is not under way when a fails
    platform_.MessageAnswers = {MessageAnswer::Yes};
    RunBatch({a, b}, Choose(out_, QStringLiteral("_ks"), 0));

    const std::vector<ShownMessage> errors = MessagesTitled(QStringLiteral("Skalomi Ver.4.02"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Icon, MessageIcon::Error);
    EXPECT_FALSE(exists(output("b_ks.bmp")));
    EXPECT_EQ(windows().Form2().windowTitle(), QStringLiteral("処理中"));
    EXPECT_FALSE(windows().Form2().Label2->isVisibleTo(&windows().Form2()));
    EXPECT_FALSE(form().OpenPictureDialog1.MultiSelect);
    EXPECT_EQ(form().OpenPictureDialog1.Title, QStringLiteral("元画像を開く"));
    // The closing wait came before the error box.
    const int wait = static_cast<int>(platform_.Log.lastIndexOf(QStringLiteral("escape 0")));
    const int box =
        static_cast<int>(platform_.Log.indexOf(QStringLiteral("message ") + errors[0].Text));
    EXPECT_GE(wait, 0);
    EXPECT_LT(wait, box);
}

// Several files at once, the user meets what a run of one file after the
// other shows: the same captions, questions and messages in the same order,
// the same looks at Esc, the same files written and the same window after.
struct OrderCase {
    const char* name;
    std::vector<const char*> existing;  // outputs there before the run
    const char* damaged;                // a source that is no picture, or ""
    std::vector<MessageAnswer> answers;
};

void PrintTo(const OrderCase& c, std::ostream* out) {
    *out << c.name;
}

class OrderAtOnce : public BatchRun, public ::testing::WithParamInterface<OrderCase> {
protected:
    struct Seen {
        QStringList log;
        std::map<std::string, std::vector<std::uint8_t>> written;
        QString title;
    };

    Seen runWith(int filesAtOnce, const std::vector<std::string>& sources) {
        const OrderCase& c = GetParam();
        const std::string folder = temp_.file("at" + std::to_string(filesAtOnce));
        fs::create_directory(folder);
        for (const char* name : c.existing) WriteBytes(folder + "/" + name, {9});
        form().BatchFilesAtOnceSetting = filesAtOnce;
        platform_.ClearRecords();
        platform_.MessageAnswers.assign(c.answers.begin(), c.answers.end());
        RunBatch(sources, Choose(folder, QStringLiteral("_ks"), 0));

        Seen seen;
        const QRegularExpression shown(QStringLiteral("^(caption|message|escape)"));
        for (QString line : platform_.Log.filter(shown))
            seen.log << line.replace(QString::fromStdString(folder), QStringLiteral("<out>"));
        for (const auto& entry : fs::directory_iterator(folder))
            seen.written[entry.path().filename().string()] = ReadBytes(entry.path().string());
        seen.title = form().windowTitle().replace(QString::fromStdString(folder), "<out>");
        return seen;
    }
};

TEST_P(OrderAtOnce, ShowsWhatOneFileAfterTheOtherShows) {
    std::vector<std::string> sources;
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        const std::string file = std::string(name) + ".bmp";
        if (file == GetParam().damaged) {
            WriteBytes(temp_.file(file), {'n', 'o'});
            sources.push_back(temp_.file(file));
        } else {
            sources.push_back(source(file, 20 + static_cast<int>(sources.size()) * 6, 14));
        }
    }
    const Seen one = runWith(1, sources);
    const Seen many = runWith(4, sources);
    EXPECT_EQ(many.log, one.log);
    EXPECT_TRUE(many.written == one.written);
    EXPECT_EQ(many.title, one.title);
    EXPECT_GE(one.log.filter(QStringLiteral("escape")).size(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Batch, OrderAtOnce,
    ::testing::Values(
        OrderCase{"YesToAll", {"b_ks.bmp", "d_ks.bmp"}, "", {MessageAnswer::Yes}},
        OrderCase{
            "NoThenYes", {"b_ks.bmp", "d_ks.bmp"}, "", {MessageAnswer::No, MessageAnswer::Yes}},
        OrderCase{"CancelAtTheThird", {"c_ks.bmp"}, "", {MessageAnswer::Cancel}},
        OrderCase{"DamagedFileInTheMiddle", {}, "c.bmp", {}},
        OrderCase{"DamagedFileBeforeAQuestion", {"d_ks.bmp"}, "c.bmp", {MessageAnswer::No}},
        OrderCase{"DamagedLastFile", {}, "e.bmp", {}}),
    NameOfParam());

TEST_F(BatchRun, CancelInEachDialogLeavesTheFilesAndRestoresTheDialogs) {
    const std::string a = source("a.bmp");
    // The file choice cancelled.
    platform_.MessageAnswers = {MessageAnswer::Ok};
    Type(QStringLiteral("m"));
    EXPECT_EQ(platform_.OpenDialogs.size(), 1u);
    EXPECT_EQ(Form4Shows, 0);
    // The destination dialog cancelled.
    platform_.MessageAnswers = {MessageAnswer::Ok};
    platform_.OpenAnswers.push_back({QString::fromStdString(a)});
    form().SaveDialog1.FileName = QStringLiteral("/somewhere/kept.png");
    Type(QStringLiteral("m"));
    EXPECT_EQ(Form4Shows, 1);
    EXPECT_TRUE(form().SaveDialog1.FileName.isEmpty());
    // The final question cancelled.
    platform_.MessageAnswers = {MessageAnswer::Ok, MessageAnswer::Cancel};
    platform_.OpenAnswers.push_back({QString::fromStdString(a)});
    Form4Answers.push_back(Choose(out_, QStringLiteral("_ks"), 0));
    Type(QStringLiteral("m"));
    EXPECT_EQ(Form4Shows, 2);
    EXPECT_EQ(MessagesTitled(QStringLiteral("まとめて拡縮：最終確認")).size(), 1u);

    EXPECT_TRUE(fs::is_empty(out_));
    EXPECT_EQ(platform_.EscapePolls, 0);
    EXPECT_FALSE(form().OpenPictureDialog1.MultiSelect);
    EXPECT_EQ(form().OpenPictureDialog1.Title, QStringLiteral("元画像を開く"));
    EXPECT_FALSE(form().ToolButton10->isEnabled());  // no picture was ever loaded
}

TEST_F(BatchRun, FilesInTheRootFolderGiveItWithASingleSlash) {
    platform_.MessageAnswers = {MessageAnswer::Ok};
    platform_.OpenAnswers.push_back(
        {QStringLiteral("/skalomi-none-1.bmp"), QStringLiteral("/skalomi-none-2.bmp")});
    QString sourceFolder;
    Form4Answers.push_back([&](TForm4& dialog) { sourceFolder = dialog.LabelSourceDir->text(); });
    Type(QStringLiteral("m"));
    EXPECT_EQ(sourceFolder, QStringLiteral("/"));
}

TEST_F(BatchRun, TheDialogKeepsFolderSuffixAndTypeForTheNextRun) {
    const std::string a = source("a.bmp");
    RunBatch({a}, Choose(out_, QStringLiteral("_small"), 2));
    ASSERT_TRUE(exists(output("a_small.gif")));
    // The next run only confirms what the dialog shows.
    RunBatch({source("b.bmp")}, [](TForm4& dialog) { dialog.Button1->click(); });
    EXPECT_TRUE(exists(output("b_small.gif")));
    EXPECT_EQ(form4().Label1->text(), QString::fromStdString(out_));
}

TEST_F(BatchRun, TheDestinationDialogComesInFrontOfATopmostWindow) {
    form().CheckBox2->click();
    platform_.ClearRecords();
    platform_.MessageAnswers = {MessageAnswer::Ok};
    platform_.OpenAnswers.push_back({QString::fromStdString(source("a.bmp"))});
    Form4Answers.push_back([this](TForm4&) { platform_.Log << QStringLiteral("dialog"); });
    Type(QStringLiteral("m"));
    const int dialog = static_cast<int>(platform_.Log.indexOf(QStringLiteral("dialog")));
    ASSERT_GT(dialog, 0);
    EXPECT_EQ(platform_.Log.at(dialog - 1), QStringLiteral("topmost 0"));
    EXPECT_EQ(platform_.Log.at(dialog + 1), QStringLiteral("topmost 1"));
}

}  // namespace
