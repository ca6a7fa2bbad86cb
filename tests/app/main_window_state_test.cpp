// The main window's first state and its state table across loading and the
// two views.

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QScrollArea>
#include <QToolButton>
#include <set>

#include "app/window_kit/image_view.h"
#include "app/window_kit/speed_button.h"
#include "app/window_kit/track_bar.h"
#include "app/window_kit/up_down.h"
#include "help/help_window.h"
#include "output/batch_destination_dialog.h"
#include "output/progress_window.h"
#include "tests/app/window_fixture.h"

namespace {

// The controls of a tool bar in order; gaps appear as "gap N".
QStringList barContents(QWidget* bar) {
    QStringList names;
    QLayout* layout = bar->layout();
    for (int i = 0; i < layout->count(); ++i) {
        QWidget* w = layout->itemAt(i)->widget();
        if (!w) continue;
        names << (w->objectName().isEmpty() ? QStringLiteral("gap %1").arg(w->width())
                                            : w->objectName());
    }
    return names;
}

}  // namespace

TEST_F(WindowTest, ToolBarsHoldEveryControlInOrderWithItsGaps) {
    EXPECT_EQ(
        barContents(form().ToolBar1),
        QStringList({"gap 4",        "ToolButton1",  "gap 8",     "ToolButton5",  "ToolButton2",
                     "ToolButton6",  "gap 16",       "CheckBox1", "gap 8",        "Label2",
                     "Edit1",        "UpDown1",      "gap 8",     "Label3",       "Edit2",
                     "UpDown2",      "SpeedButton1", "gap 16",    "ToolButton10", "gap 6",
                     "ToolButton12", "gap 16",       "CheckBox2", "gap 7",        "ToolButton14"}));
    EXPECT_EQ(barContents(form().ToolBar2),
              QStringList({"gap 8", "Label6", "gap 4", "Label7", "TrackBar2", "Label8", "gap 16",
                           "Label1", "gap 4", "Label4", "TrackBar1", "Label5", "gap 16",
                           "ToolButton22", "gap 4", "Label9"}));
    EXPECT_EQ(form().ToolBar2->height(), 29);
}

struct ControlRow {
    const char* name;
    bool enabled;
    int checked;  // -1: not a check control
    int glyph;    // -1: none
    const char* hint;
    int width;  // 0: not fixed
};

class InitialControl : public WindowTest, public ::testing::WithParamInterface<ControlRow> {};

TEST_P(InitialControl, HasItsInitialState) {
    const ControlRow& row = GetParam();
    auto* widget = form().findChild<QWidget*>(QString::fromUtf8(row.name));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->isEnabled(), row.enabled);
    if (row.checked >= 0) {
        auto* button = qobject_cast<QAbstractButton*>(widget);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->isChecked(), row.checked == 1);
    }
    if (row.glyph >= 0) {
        EXPECT_EQ(GlyphIndexOf(qobject_cast<QToolButton*>(widget)), row.glyph);
    }
    EXPECT_EQ(widget->toolTip(), QString::fromUtf8(row.hint));
    if (row.width > 0) {
        EXPECT_EQ(widget->width(), row.width);
    }
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, InitialControl,
    ::testing::Values(ControlRow{"ToolButton1", true, -1, 0, "元画像を開く(O)", 27},
                      ControlRow{"ToolButton5", false, 0, 2, "元画像を表示(<)", 27},
                      ControlRow{"ToolButton2", false, -1, 1, "拡縮画像を保存(S)", 27},
                      ControlRow{"ToolButton6", false, 0, 4, "拡縮画像を表示(>)", 27},
                      ControlRow{"CheckBox1", true, 1, -1, "縦横比固定 設定・解除(F)", 84},
                      ControlRow{"Label2", true, -1, -1, "横拡縮サイズ設定(H)", 40},
                      ControlRow{"Edit1", true, -1, -1, "横拡縮サイズ設定(H)", 35},
                      ControlRow{"UpDown1", true, -1, -1, "横拡縮サイズ設定(H)", 0},
                      ControlRow{"Label3", true, -1, -1, "縦拡縮サイズ設定(V)", 40},
                      ControlRow{"Edit2", true, -1, -1, "縦拡縮サイズ設定(V)", 35},
                      ControlRow{"UpDown2", true, -1, -1, "縦拡縮サイズ設定(V)", 0},
                      ControlRow{"SpeedButton1", true, -1, -1, "拡縮単位切換(P)", 52},
                      ControlRow{"ToolButton10", false, -1, 3, "拡縮画像作成([Enter])", 27},
                      ControlRow{"ToolButton12", true, -1, 6, "まとめて拡縮(M)", 27},
                      ControlRow{"CheckBox2", true, 0, -1, "常時最前面に表示 設定・解除(Z)", 56},
                      ControlRow{"ToolButton14", true, -1, 7, "ヘルプ表示([F1])", 27},
                      ControlRow{"Label6", true, -1, -1, "拡縮画像の明るさを設定(B)", 0},
                      ControlRow{"TrackBar2", true, -1, -1, "拡縮画像の明るさを設定(B)", 150},
                      ControlRow{"Label1", true, -1, -1, "拡縮画像のコントラストを設定(C)", 0},
                      ControlRow{"TrackBar1", true, -1, -1, "拡縮画像のコントラストを設定(C)", 150},
                      ControlRow{"ToolButton22", true, -1, 8, "拡縮画像の回転角度設定(R)", 27},
                      ControlRow{"Label9", true, -1, -1, "拡縮画像の回転角度設定(R)", 0}),
    NameOfParam());

TEST_F(WindowTest, FirstStateCaptionsValuesAndWindows) {
    TForm1& f = form();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Skalomi Ver.4.02"));
    EXPECT_EQ(f.TitleBase, QStringLiteral("Skalomi Ver.4.02"));
    EXPECT_EQ(f.OpenDialogTitle, QStringLiteral("元画像を開く"));
    EXPECT_EQ(f.width(), 658);
    EXPECT_EQ(f.CheckBox1->text(), QStringLiteral("縦横比固定     &F"));
    EXPECT_EQ(f.CheckBox2->text(), QStringLiteral("最前面     &Z"));
    EXPECT_EQ(f.SpeedButton1->Caption(), QStringLiteral("（％）  &P"));
    EXPECT_EQ(f.SpeedButton1->Margin(), 4);
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("100"));
    EXPECT_EQ(f.Edit2->text(), QStringLiteral("100"));
    EXPECT_EQ(f.UpDown1->Position, 100);
    EXPECT_EQ(f.UpDown1->Min, 1);
    EXPECT_EQ(f.UpDown1->Max, 9999);
    EXPECT_EQ(f.HorzValue, 100);
    EXPECT_EQ(f.VertValue, 100);
    EXPECT_EQ(f.TrackBar2->value(), 10);
    EXPECT_EQ(f.TrackBar2->SelStart(), 10);
    EXPECT_EQ(f.TrackBar2->SelEnd(), 10);
    EXPECT_EQ(f.TrackBar1->value(), 0);
    EXPECT_EQ(f.TrackBar1->maximum(), 20);
    EXPECT_EQ(f.TrackBar1->pageStep(), 1);
    EXPECT_EQ(f.Label9->text(), QStringLiteral("回転（0度）"));
    EXPECT_EQ(f.Tables.IndexTable.size(), 10u);
    EXPECT_EQ(f.Tables.ResampleTableLength, 0);
    EXPECT_TRUE(f.Image1->isVisible());
    EXPECT_FALSE(f.Image2->isVisibleTo(f.ScrollBox1));

    // The menu in its order and states.
    const QList<QAction*> items = f.PopupMenu1->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->text(), QStringLiteral("元画像に貼付"));
    EXPECT_TRUE(items[0]->isEnabled());
    EXPECT_EQ(items[1]->text(), QStringLiteral("元画像をコピー"));
    EXPECT_FALSE(items[1]->isEnabled());
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->text(), QStringLiteral("拡縮画像をコピー"));
    EXPECT_FALSE(items[3]->isEnabled());

    // The dialogs' settings.
    EXPECT_EQ(f.SaveDialog1.DefaultExt, QStringLiteral("bmp"));
    EXPECT_EQ(f.SaveDialog1.FilterIndex, 2);
    EXPECT_TRUE(f.SaveDialog1.OverwritePrompt);
    EXPECT_TRUE(f.SaveDialog1.FileName.isEmpty());

    // The other three windows exist, hidden.
    EXPECT_FALSE(windows().Form2().isVisible());
    EXPECT_FALSE(windows().Form3().isVisible());
    EXPECT_FALSE(windows().Form4().isVisible());
    EXPECT_EQ(windows().Form2().windowTitle(), QStringLiteral("処理中"));
    EXPECT_EQ(windows().Form3().windowTitle(), QStringLiteral("Skalomiヘルプ"));
}

TEST_F(WindowTest, ProgressWindowLayout) {
    TForm2& f2 = windows().Form2();
    // Its own frame and caption bar around the client area.
    EXPECT_EQ(f2.ClientArea->size(), QSize(289, 46));
    EXPECT_TRUE(f2.rect().contains(f2.ClientArea->geometry()));
    EXPECT_TRUE(f2.rect().contains(f2.CaptionRect()));
    EXPECT_LE(f2.CaptionRect().bottom(), f2.ClientArea->geometry().top());
    EXPECT_EQ(f2.Label1->parentWidget(), f2.ClientArea);
    EXPECT_EQ(f2.Label1->pos(), QPoint(4, 4));
    EXPECT_EQ(f2.Label1->text(), QStringLiteral("ただいま処理中です"));
    EXPECT_EQ(f2.Label2->pos(), QPoint(136, 6));
    EXPECT_EQ(f2.Label2->text(), QStringLiteral("中止 = [Esc]を押し続ける"));
    EXPECT_FALSE(f2.Label2->isVisibleTo(&f2));
    EXPECT_EQ(f2.ProgressBar1->geometry(), QRect(0, 24, 289, 17));
    EXPECT_EQ(f2.ProgressBar1->minimum(), 0);
    EXPECT_EQ(f2.ProgressBar1->maximum(), 100);
    EXPECT_FALSE(f2.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(f2.windowFlags() & Qt::WindowDoesNotAcceptFocus);
}

TEST_F(WindowTest, ProgressWindowDrawsItsCaptionAndRefusesToClose) {
    TForm2& f2 = windows().Form2();
    f2.ShowCentred();
    const auto caption = [&f2] { return f2.grab(f2.CaptionRect()).toImage(); };
    const QImage first = caption();
    // The caption bar holds text, not just its colour.
    std::set<QRgb> colours;
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x) colours.insert(first.pixel(x, y));
    EXPECT_GT(colours.size(), 2u);
    // The batch run's caption is drawn in its place.
    f2.setWindowTitle(QStringLiteral("まとめて拡縮：1/3 ファイル処理中"));
    EXPECT_NE(caption(), first);
    f2.setWindowTitle(QStringLiteral("処理中"));
    EXPECT_EQ(caption(), first);
    // Only the run that showed it hides it.
    EXPECT_FALSE(f2.close());
    EXPECT_TRUE(f2.isVisible());
    f2.hide();
}

// ------------------------------------------------------------ view table

enum class WindowState { NoPicture, PictureNoScaled, ScaledView, SourceViewAfterScale };

struct StateRow {
    const char* name;
    WindowState state;
    bool view5Enabled, view5Down;
    bool saveEnabled;
    int saveGlyph;
    const char* saveHint;
    bool view6Enabled, view6Down;
    bool createEnabled;
    bool paste, copySource, copyScaled;
    bool image1Shown, image2Shown;
};

class StateTable : public WindowTest, public ::testing::WithParamInterface<StateRow> {
protected:
    void Reach(WindowState state) {
        if (state == WindowState::NoPicture) return;
        OpenThroughDialog(WritePatternBmp(temp_, "a.bmp", 30, 20));
        if (state == WindowState::PictureNoScaled) return;
        // What the scale command does before its passes.
        form().ToolButton6->setEnabled(true);
        form().copy1->setEnabled(true);
        form().ToolButton6Click();
        if (state == WindowState::SourceViewAfterScale) Click(form().ToolButton5);
    }
};

TEST_P(StateTable, ElementsFollowTheState) {
    const StateRow& row = GetParam();
    Reach(row.state);
    TForm1& f = form();
    EXPECT_TRUE(f.ToolButton1->isEnabled());
    EXPECT_EQ(f.ToolButton5->isEnabled(), row.view5Enabled);
    EXPECT_EQ(f.ToolButton5->isChecked(), row.view5Down);
    EXPECT_EQ(f.ToolButton2->isEnabled(), row.saveEnabled);
    EXPECT_EQ(GlyphIndexOf(f.ToolButton2), row.saveGlyph);
    EXPECT_EQ(f.ToolButton2->toolTip(), QString::fromUtf8(row.saveHint));
    EXPECT_EQ(f.ToolButton6->isEnabled(), row.view6Enabled);
    EXPECT_EQ(f.ToolButton6->isChecked(), row.view6Down);
    EXPECT_EQ(f.ToolButton10->isEnabled(), row.createEnabled);
    EXPECT_TRUE(f.ToolButton12->isEnabled());
    EXPECT_TRUE(f.ToolButton22->isEnabled());
    EXPECT_TRUE(f.ToolButton14->isEnabled());
    EXPECT_EQ(f.Paste1->isEnabled(), row.paste);
    EXPECT_EQ(f.copy0->isEnabled(), row.copySource);
    EXPECT_EQ(f.copy1->isEnabled(), row.copyScaled);
    EXPECT_EQ(f.Image1->isVisibleTo(f.ScrollBox1), row.image1Shown);
    EXPECT_EQ(f.Image2->isVisibleTo(f.ScrollBox1), row.image2Shown);
    if (row.state != WindowState::NoPicture) {
        EXPECT_EQ(focus(), f.ScrollBox1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, StateTable,
    ::testing::Values(
        StateRow{"NoPicture", WindowState::NoPicture, false, false, false, 1, "拡縮画像を保存(S)",
                 false, false, false, true, false, false, true, false},
        StateRow{"PictureWithoutScaledImage", WindowState::PictureNoScaled, true, true, true, 1,
                 "元画像を保存(S)", false, false, true, true, true, false, true, false},
        StateRow{"ScaledView", WindowState::ScaledView, true, false, true, 5, "拡縮画像を保存(S)",
                 true, true, true, false, false, true, false, true},
        StateRow{"SourceViewAfterScale", WindowState::SourceViewAfterScale, true, true, true, 1,
                 "元画像を保存(S)", true, false, true, true, true, false, true, false}),
    NameOfParam());

TEST_F(WindowTest, ViewSwitchesRetitleWithTheShownPictureSize) {
    OpenThroughDialog(WritePatternBmp(temp_, "photo.bmp", 64, 48));
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： photo.bmp  元画像（64×48）"));
    form().Image2->resize(32, 24);
    form().ToolButton6->setEnabled(true);
    Click(form().ToolButton6);
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： photo.bmp  拡縮画像（32×24）"));
    Click(form().ToolButton5);
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： photo.bmp  元画像（64×48）"));
    // The view buttons are a radio pair.
    EXPECT_TRUE(form().ToolButton5->isChecked());
    EXPECT_FALSE(form().ToolButton6->isChecked());
}

TEST_F(WindowTest, LoadingAgainDisablesTheScaledView) {
    OpenThroughDialog(WritePatternBmp(temp_, "a.bmp", 10, 10));
    form().ToolButton6->setEnabled(true);
    form().ToolButton6Click();
    OpenThroughDialog(WritePatternBmp(temp_, "b.bmp", 12, 8));
    EXPECT_FALSE(form().ToolButton6->isEnabled());
    EXPECT_TRUE(form().ToolButton5->isChecked());
    EXPECT_EQ(form().windowTitle(), QStringLiteral("Skalomi Ver.4.02 ： b.bmp  元画像（12×8）"));
}
