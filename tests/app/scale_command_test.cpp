// The scale command around the engine: its window steps, refusals and
// failure paths.

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QToolButton>

#include "app/window_kit/image_view.h"
#include "app/window_kit/track_bar.h"
#include "output/progress_window.h"
#include "scale/scale_run.h"
#include "tests/app/window_fixture.h"
#include "tests/support/fake_system_memory.h"

namespace {

// What the engine makes of `source` with the window's current settings.
TDIB EngineResult(const TForm1& form, const TDIB& source) {
    ScalePlan plan;
    const ScaleSettings settings = form.CurrentScaleSettings();
    EXPECT_EQ(PlanScale(settings, form.CurrentSelection(), plan), ScaleRefusal::None);
    TDIB result;
    ResampleTables tables;
    RunScale(source, form.CurrentSelection(), settings, plan, result, tables);
    return result;
}

}  // namespace

TEST_F(WindowTest, EnterScalesShowsTheResultAndRetitles) {
    OpenThroughDialog(WritePatternBmp(temp_, "p.bmp", 64, 48));
    Click(form().CheckBox2);
    form().Edit1->setText(QStringLiteral("150"));
    form().TrackBar1->setValue(5);
    platform_.ClearRecords();
    const TDIB expected = EngineResult(form(), form().SourceDIB);

    Enter();
    TForm1& f = form();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Skalomi Ver.4.02 ： p.bmp  拡縮画像（96×72）"));
    EXPECT_TRUE(f.ToolButton6->isEnabled());
    EXPECT_TRUE(f.ToolButton6->isChecked());
    EXPECT_TRUE(f.copy1->isEnabled());
    EXPECT_FALSE(f.copy0->isEnabled());
    EXPECT_TRUE(f.Image2->isVisibleTo(f.ScrollBox1));
    EXPECT_EQ(f.Image2->size(), QSize(96, 72));
    EXPECT_EQ(AsImage(f.ScaledDIB), AsImage(expected));
    EXPECT_EQ(ShownPicture(f, true), AsImage(expected));
    EXPECT_EQ(f.Tables.ResampleTableLength, 96);
    EXPECT_EQ(f.Tables.IndexTable.size(), 97u);
    EXPECT_EQ(focus(), f.ScrollBox1);
    EXPECT_FALSE(windows().Form2().isVisible());
    // The bar's second half belongs to the vertical pass.
    EXPECT_EQ(windows().Form2().ProgressBar1->maximum(), 2 * (96 - 1));
    EXPECT_EQ(windows().Form2().ProgressBar1->value(), 2 * (96 - 1));
    // Close requests made while the run held input back are not carried out after it.
    EXPECT_EQ(platform_.Log,
              QStringList({"busy 1", "topmost 0", "busy 0", "topmost 1", "discard closes"}));
    // The source is never changed.
    EXPECT_EQ(AsImage(f.SourceDIB), AsImage(PatternPicture(64, 48)));
}

TEST_F(WindowTest, RotationAndPixelFramesGiveTheFinishedSize) {
    OpenThroughDialog(WritePatternBmp(temp_, "p.bmp", 400, 300));
    Type(QStringLiteral("p"));  // pixels, lock on
    Type(QStringLiteral("r"));  // right 90
    Enter();
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： p.bmp  拡縮画像（75×100）"));
    EXPECT_EQ(form().ScaledDIB.Width(), 75);
    EXPECT_EQ(form().ScaledDIB.Height(), 100);
}

struct RefusalRow {
    const char* name;
    const char* horz;  // typed in the horizontal field (lock off)
    const char* vert;
    bool warned;
};

class ScaleRefusalTest : public WindowTest, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(ScaleRefusalTest, ChangesNothingBeforeTheRun) {
    const RefusalRow& row = GetParam();
    OpenThroughDialog(WritePatternBmp(temp_, "p.bmp", 40, 30));
    Enter();  // a first scaled image
    Type(QStringLiteral("<"));
    const QImage scaledBefore = AsImage(form().ScaledDIB);
    const QString title = form().windowTitle();
    Click(form().CheckBox1);  // lock off
    form().Edit1->setText(QString::fromUtf8(row.horz));
    form().Edit2->setText(QString::fromUtf8(row.vert));
    platform_.ClearRecords();

    EXPECT_FALSE(form().ToolButton10Click());
    if (row.warned) {
        ASSERT_EQ(platform_.Messages.size(), 1u);
        EXPECT_EQ(platform_.Messages[0].Text, QStringLiteral("拡縮率が正しく設定されていません。"));
        EXPECT_EQ(platform_.Messages[0].Title, QStringLiteral("警告"));
        EXPECT_EQ(platform_.Messages[0].Icon, MessageIcon::Error);
        EXPECT_EQ(platform_.Log.size(), 1);  // no cursor, no window order
    } else {
        EXPECT_TRUE(platform_.Log.isEmpty());
    }
    EXPECT_TRUE(form().ToolButton5->isChecked());
    EXPECT_EQ(form().windowTitle(), title);
    EXPECT_EQ(AsImage(form().ScaledDIB), scaledBefore);
    EXPECT_FALSE(windows().Form2().isVisible());
}

INSTANTIATE_TEST_SUITE_P(ScaleCommand, ScaleRefusalTest,
                         ::testing::Values(RefusalRow{"ZeroWidth", "0", "100", true},
                                           RefusalRow{"ZeroHeight", "100", "0", true},
                                           RefusalRow{"OnePercentOfFortyPixels", "1", "100", true},
                                           RefusalRow{"Negative", "-5", "100", true}),
                         NameOfParam());

TEST_F(WindowTest, APictureOnePixelWideIsNotScaled) {
    OpenThroughDialog(WritePatternBmp(temp_, "line.bmp", 1, 50));
    platform_.ClearRecords();
    Enter();
    EXPECT_TRUE(platform_.Log.isEmpty());
    EXPECT_TRUE(form().ToolButton5->isChecked());
    EXPECT_FALSE(form().ToolButton6->isEnabled());
}

TEST_F(WindowTest, AResultTooLargeForTheMachineIsRefusedWithTheWarning) {
    OpenThroughDialog(WritePatternBmp(temp_, "p.bmp", 2000, 2000));
    form().Edit1->setText(QStringLiteral("9999"));
    platform_.ClearRecords();
    Enter();
    ASSERT_EQ(platform_.Messages.size(), 1u);
    EXPECT_EQ(platform_.Messages[0].Text, QStringLiteral("画像が大きすぎます。"));
    EXPECT_EQ(platform_.Messages[0].Title, QStringLiteral("警告"));
    EXPECT_FALSE(platform_.Busy);
    EXPECT_TRUE(form().ToolButton5->isChecked());
    EXPECT_FALSE(windows().Form2().isVisible());
}

// The views show the pictures' own pixels: with memory for the pictures
// and the run's work alone, opening and scaling both go through.
TEST_F(WindowTest, TheViewsTakeNoMemoryBeyondThePictures) {
    const std::string path = WritePatternBmp(temp_, "p.bmp", 1000, 1000);  // 3 MB, a copy 4 MB
    {
        FakeSystemMemory system(MemoryReserved() + 4 * kMB);
        OpenThroughDialog(path);
    }
    EXPECT_EQ(form().SourceDIB.Width(), 1000);
    form().Edit1->setText(QStringLiteral("200"));  // 2000 x 2000: 12 MB, a copy 16 MB
    {
        FakeSystemMemory system(MemoryReserved() + 16 * kMB);
        Enter();
    }
    EXPECT_TRUE(platform_.Messages.empty());
    EXPECT_TRUE(form().ToolButton6->isChecked());
    EXPECT_EQ(ShownPicture(form(), true).size(), QSize(2000, 2000));
}

TEST_F(WindowTest, OnA256ColourScreenTheScaledViewIsReducedButTheResultIsNot) {
    platform_.Colors = 256;
    CreateWindows();
    OpenThroughDialog(WritePatternBmp(temp_, "p.bmp", 64, 64));
    form().Edit1->setText(QStringLiteral("200"));
    Enter();
    EXPECT_EQ(form().ScaledDIB.PixelFormat(), PixelFormat24Bit);
    TDIB reduced(form().ScaledDIB);
    reduced.SetPixelFormat(PixelFormat8Bit);
    EXPECT_EQ(ShownPicture(form(), true), AsImage(reduced));
}

TEST_F(WindowTest, ACloseRequestArrivingDuringARunIsRefused) {
    OpenThroughDialog(WritePatternBmp(temp_, "p.bmp", 50, 40));
    // The run lets pending window events through while it paints its
    // progress window; a close among them must not release the pictures.
    QCoreApplication::postEvent(&form(), new QCloseEvent);
    Enter();
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(form().SourceDIB.Width(), 50);
    EXPECT_EQ(AsImage(form().ScaledDIB), AsImage(PatternPicture(50, 40)));
    QCoreApplication::processEvents();
}
