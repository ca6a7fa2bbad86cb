// The manual's pictures come from the program itself: every picture on the
// page is at its size and shows something, a picture changes when the
// control it shows changes, and each equals a fresh rendering of the control
// or window it shows.

#include "help/manual_pictures.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QToolButton>
#include <functional>
#include <set>

#include "app/window_kit/fonts.h"
#include "app/window_kit/main_controls.h"
#include "app/window_kit/qt_platform.h"
#include "app/window_kit/speed_button.h"
#include "app/window_kit/track_bar.h"
#include "help/batch_sample.h"
#include "help/control_pictures.h"
#include "help/help_window.h"
#include "help/manual_page.h"
#include "help/screen_pictures.h"
#include "output/batch_destination_dialog.h"
#include "output/progress_window.h"
#include "tests/app/window_fixture.h"

namespace {

int colourCount(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

QImage asRgb(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

struct SizeCase {
    ManualPicture picture;
    int width;
    int height;
};

class PagePictureTest : public WindowTest, public ::testing::WithParamInterface<SizeCase> {};

}  // namespace

TEST_P(PagePictureTest, IsOnThePageAtItsSizeAndShowsSomething) {
    const SizeCase c = GetParam();
    EXPECT_EQ(ManualPictureSize(c.picture), QSize(c.width, c.height));
    windows().Form3().show();
    auto* label = windows().Form3().Panel->findChild<QLabel*>(ManualPictureName(c.picture));
    ASSERT_NE(label, nullptr);
    const QPixmap pixmap = label->pixmap();
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), QSize(c.width, c.height));
    EXPECT_EQ(label->size(), QSize(c.width, c.height));
    // More than a blank or a flat fill: the background and at least two
    // colours of a glyph, a text or a frame.
    EXPECT_GE(colourCount(pixmap.toImage()), 3);
}

INSTANTIATE_TEST_SUITE_P(All, PagePictureTest,
                         ::testing::Values(SizeCase{ManualPicture::OpenButton, 27, 22},
                                           SizeCase{ManualPicture::ShowSourceButton, 27, 22},
                                           SizeCase{ManualPicture::SaveSourceButton, 27, 22},
                                           SizeCase{ManualPicture::SaveScaledButton, 27, 22},
                                           SizeCase{ManualPicture::ShowScaledButton, 27, 22},
                                           SizeCase{ManualPicture::CreateButton, 27, 22},
                                           SizeCase{ManualPicture::BatchButton, 27, 22},
                                           SizeCase{ManualPicture::HelpButton, 27, 22},
                                           SizeCase{ManualPicture::BatchHeadingButton, 27, 23},
                                           SizeCase{ManualPicture::AspectLockBox, 92, 18},
                                           SizeCase{ManualPicture::TopmostBox, 63, 18},
                                           SizeCase{ManualPicture::UnitPercent, 50, 22},
                                           SizeCase{ManualPicture::UnitPixel, 50, 22},
                                           SizeCase{ManualPicture::SizeFieldsPercent, 196, 26},
                                           SizeCase{ManualPicture::SizeFieldsPixel, 196, 26},
                                           SizeCase{ManualPicture::BrightnessBar, 225, 24},
                                           SizeCase{ManualPicture::ContrastBar, 277, 24},
                                           SizeCase{ManualPicture::RotationButton, 94, 22},
                                           SizeCase{ManualPicture::PopupMenu, 144, 66},
                                           SizeCase{ManualPicture::DragSelection, 79, 51},
                                           SizeCase{ManualPicture::FileDrop, 79, 50},
                                           SizeCase{ManualPicture::SettingsConfirmation, 150, 127},
                                           SizeCase{ManualPicture::OpenDialog, 312, 122},
                                           SizeCase{ManualPicture::DestinationDialog, 280, 166},
                                           SizeCase{ManualPicture::FinalConfirmation, 200, 143},
                                           SizeCase{ManualPicture::ProgressWindow, 206, 50}),
                         [](const ::testing::TestParamInfo<SizeCase>& info) {
                             return ManualPictureName(info.param.picture).toStdString();
                         });

TEST(ManualPictures, AllTwentySixAreDistinct) {
    const ManualPictures pictures = RenderManualPictures();
    ASSERT_EQ(pictures.size(), 26u);
    // Every picture shows something of its own; the two batch buttons differ
    // only in their frame's height.
    for (int i = 0; i < kManualPictureCount; ++i)
        for (int j = i + 1; j < kManualPictureCount; ++j)
            EXPECT_NE(asRgb(pictures[i]), asRgb(pictures[j]))
                << ManualPictureName(static_cast<ManualPicture>(i)).toStdString() << " / "
                << ManualPictureName(static_cast<ManualPicture>(j)).toStdString();
}

// ------------------------------------------------- following the controls

struct ChangeCase {
    const char* name;
    ManualPicture picture;
    std::function<void(TMainControls&)> change;
};

class PictureFollowsTest : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(PictureFollowsTest, ChangesWithTheControl) {
    const ChangeCase& c = GetParam();
    TControlModel model;
    const QImage before = asRgb(model.Render(c.picture));
    EXPECT_EQ(asRgb(model.Render(c.picture)), before) << "rendering is repeatable";
    c.change(model.Controls);
    const QImage after = asRgb(model.Render(c.picture));
    EXPECT_EQ(after.size(), before.size());
    EXPECT_NE(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, PictureFollowsTest,
    ::testing::Values(
        ChangeCase{"OpenButtonGlyph", ManualPicture::OpenButton,
                   [](TMainControls& c) { SetGlyphIndex(c.ToolButton1, 3); }},
        ChangeCase{"HelpButtonDisabled", ManualPicture::HelpButton,
                   [](TMainControls& c) { c.ToolButton14->setEnabled(false); }},
        ChangeCase{"AspectLockCaption", ManualPicture::AspectLockBox,
                   [](TMainControls& c) {
                       SetCaptionWithoutShortcut(c.CheckBox1, QStringLiteral("固定     &F"));
                   }},
        ChangeCase{"AspectLockUnchecked", ManualPicture::AspectLockBox,
                   [](TMainControls& c) { c.CheckBox1->setChecked(false); }},
        ChangeCase{"TopmostCaption", ManualPicture::TopmostBox,
                   [](TMainControls& c) {
                       SetCaptionWithoutShortcut(c.CheckBox2, QStringLiteral("前面     &Z"));
                   }},
        ChangeCase{"UnitFont", ManualPicture::UnitPercent,
                   [](TMainControls& c) { c.SpeedButton1->setFont(FixedFont(14, true)); }},
        ChangeCase{"SizeFieldText", ManualPicture::SizeFieldsPercent,
                   [](TMainControls& c) { c.Edit1->setText(QStringLiteral("250")); }},
        ChangeCase{"BrightnessPosition", ManualPicture::BrightnessBar,
                   [](TMainControls& c) { c.TrackBar2->setValue(16); }},
        ChangeCase{"ContrastLabel", ManualPicture::ContrastBar,
                   [](TMainControls& c) { c.Label4->setText(QStringLiteral("弱")); }},
        ChangeCase{"RotationGlyph", ManualPicture::RotationButton,
                   [](TMainControls& c) { SetGlyphIndex(c.ToolButton22, 10); }},
        ChangeCase{"MenuItem", ManualPicture::PopupMenu,
                   [](TMainControls& c) { c.Paste1->setText(QStringLiteral("貼付")); }}),
    [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

TEST(ManualPictures, ButtonsWithTheSameGlyphLookTheSame) {
    TControlModel model;
    EXPECT_NE(asRgb(model.Render(ManualPicture::OpenButton)),
              asRgb(model.Render(ManualPicture::HelpButton)));
    SetGlyphIndex(model.Controls.ToolButton1, 7);
    EXPECT_EQ(asRgb(model.Render(ManualPicture::OpenButton)),
              asRgb(model.Render(ManualPicture::HelpButton)));
}

TEST(ManualPictures, PicturingAStateLeavesTheControlsAsTheyWere) {
    TControlModel model;
    const QImage percent = asRgb(model.Render(ManualPicture::SizeFieldsPercent));
    const QImage pixel = asRgb(model.Render(ManualPicture::SizeFieldsPixel));
    EXPECT_NE(percent, pixel);
    EXPECT_NE(asRgb(model.Render(ManualPicture::UnitPercent)),
              asRgb(model.Render(ManualPicture::UnitPixel)));
    EXPECT_NE(asRgb(model.Render(ManualPicture::SaveSourceButton)),
              asRgb(model.Render(ManualPicture::SaveScaledButton)));
    EXPECT_TRUE(model.Controls.UnitIsPercent());
    EXPECT_EQ(model.Controls.Edit1->text(), QStringLiteral("100"));
    EXPECT_EQ(GlyphIndexOf(model.Controls.ToolButton2), 1);
    EXPECT_EQ(asRgb(model.Render(ManualPicture::SizeFieldsPercent)), percent);
}

// A button's picture is the button as it draws itself.
TEST(ManualPictures, ButtonPicturesAreTheButtonsAsDrawn) {
    TControlModel model;
    TMainControls& c = model.Controls;
    const struct {
        ManualPicture picture;
        QWidget* button;
    } buttons[] = {{ManualPicture::OpenButton, c.ToolButton1},
                   {ManualPicture::ShowSourceButton, c.ToolButton5},
                   {ManualPicture::SaveSourceButton, c.ToolButton2},
                   {ManualPicture::ShowScaledButton, c.ToolButton6},
                   {ManualPicture::CreateButton, c.ToolButton10},
                   {ManualPicture::BatchButton, c.ToolButton12},
                   {ManualPicture::HelpButton, c.ToolButton14}};
    for (const auto& b : buttons) {
        const QImage drawn = asRgb(b.button->grab());
        ASSERT_EQ(drawn.size(), QSize(27, 22));
        EXPECT_EQ(asRgb(model.Render(b.picture)), drawn)
            << ManualPictureName(b.picture).toStdString();
    }
    const QImage unit = asRgb(c.SpeedButton1->grab());
    EXPECT_EQ(asRgb(model.Render(ManualPicture::UnitPercent)), unit.copy(1, 0, 50, 22));
}

// ------------------------------------------------------ the batch windows

TEST(ManualPictures, ScreenPicturesAreFreshRenderingsOfTheRealWindows) {
    const BatchSample sample = MakeBatchSample();
    const auto fit = [](const QImage& image, ManualPicture picture) {
        return asRgb(FitPicture(image, ManualPictureSize(picture), kManualPageColor));
    };
    auto settingsBox =
        QtPlatform::MakeMessageBox(nullptr, sample.SettingsQuestion, sample.SettingsTitle,
                                   MessageIcon::Information, MessageButtons::OkCancel);
    EXPECT_EQ(asRgb(RenderScreenPicture(ManualPicture::SettingsConfirmation)),
              fit(WindowPicture(*settingsBox, true), ManualPicture::SettingsConfirmation));
    auto finalBox = QtPlatform::MakeMessageBox(nullptr, sample.FinalQuestion, sample.FinalTitle,
                                               MessageIcon::Information, MessageButtons::OkCancel);
    EXPECT_EQ(asRgb(RenderScreenPicture(ManualPicture::FinalConfirmation)),
              fit(WindowPicture(*finalBox, true), ManualPicture::FinalConfirmation));
    TForm4 destination;
    EXPECT_EQ(asRgb(RenderScreenPicture(ManualPicture::DestinationDialog)),
              fit(WindowPicture(destination, true), ManualPicture::DestinationDialog));
    TForm2 progress;
    progress.setWindowTitle(sample.ProgressCaption);
    progress.Label2->show();
    progress.ProgressBar1->setValue(40);
    // The progress window draws its own frame and caption bar.
    EXPECT_EQ(asRgb(RenderScreenPicture(ManualPicture::ProgressWindow)),
              fit(UnshownWindowPicture(progress), ManualPicture::ProgressWindow));
    EXPECT_TRUE(RenderScreenPicture(ManualPicture::OpenButton).isNull());
}

TEST(ManualPictures, WindowPictureCarriesTheCaptionOverTheClientArea) {
    // A window that leaves its caption to the desktop.
    QWidget window;
    window.setFixedSize(289, 46);
    new QLabel(QStringLiteral("ただいま処理中です"), &window);
    window.setWindowTitle(QStringLiteral("まとめて拡縮：1/3 ファイル処理中"));
    const QImage first = WindowPicture(window, false);
    const QImage client = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(first.width(), client.width() + 2);
    EXPECT_GT(first.height(), client.height());
    const int barHeight = first.height() - client.height() - 1;
    EXPECT_EQ(first.copy(1, barHeight, client.width(), client.height())
                  .convertToFormat(QImage::Format_RGB32),
              client);
    window.setWindowTitle(QStringLiteral("まとめて拡縮：2/3 ファイル処理中"));
    const QImage second = WindowPicture(window, false);
    EXPECT_NE(first.copy(0, 0, first.width(), barHeight),
              second.copy(0, 0, second.width(), barHeight));
    EXPECT_EQ(first.copy(0, barHeight, first.width(), client.height()),
              second.copy(0, barHeight, second.width(), client.height()));
    EXPECT_FALSE(window.isVisible());
}

TEST(ManualPictures, TheSampleRunsTextsFollowTheBatchRunsRules) {
    const BatchSample sample = MakeBatchSample();
    EXPECT_TRUE(sample.SettingsQuestion.startsWith(
        QStringLiteral("以下の設定で「まとめて拡縮」を開始します\r\r")));
    EXPECT_TRUE(sample.SettingsQuestion.endsWith(QStringLiteral("\r\rよろしいですか？")));
    // A positive step carries "+", a zero step an ordinary space.
    EXPECT_TRUE(sample.SettingsQuestion.contains(
        QStringLiteral("\r\r　　明るさ （ -10 ～ +10 ） ： +2\r")));
    EXPECT_TRUE(sample.SettingsQuestion.contains(
        QStringLiteral("\r\r　　コントラスト （ 0 ～ +20 ） ：  0\r")));
    EXPECT_TRUE(sample.SettingsQuestion.contains(QStringLiteral("\r\r　　回転角度 ： 0度\r")));
    EXPECT_TRUE(sample.FinalQuestion.startsWith(
        QStringLiteral("元画像フォルダ\r　［ ") + sample.SourceFolder +
        QStringLiteral(" ］\r中の 3 画像ファイルを\r\r保存先\r　［ ") + sample.DestinationFolder +
        QStringLiteral("***_ks.jpg ］\rとして\r\r")));
    EXPECT_TRUE(sample.FinalQuestion.endsWith(QStringLiteral("\r\rの拡縮設定条件で保存します")));
    EXPECT_EQ(sample.ProgressCaption, QStringLiteral("まとめて拡縮：1/3 ファイル処理中"));
}

// ------------------------------------------------------------ fitting

struct FitCase {
    const char* name;
    QSize source;
    QSize target;
    QRect picture;  // where the source lands in the result
};

class FitPictureTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitPictureTest, CentresOrReducesKeepingProportions) {
    const FitCase& c = GetParam();
    QImage source(c.source, QImage::Format_RGB32);
    source.fill(QColor(200, 30, 30));
    const QColor background(255, 255, 224);
    const QImage fitted = FitPicture(source, c.target, background).toImage();
    ASSERT_EQ(fitted.size(), c.target);
    for (int y = 0; y < fitted.height(); ++y)
        for (int x = 0; x < fitted.width(); ++x) {
            const bool inside = c.picture.contains(x, y);
            ASSERT_EQ(QColor(fitted.pixel(x, y)), inside ? QColor(200, 30, 30) : background)
                << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Cases, FitPictureTest,
                         ::testing::Values(FitCase{"Smaller", {10, 6}, {20, 10}, {5, 2, 10, 6}},
                                           FitCase{"Equal", {20, 10}, {20, 10}, {0, 0, 20, 10}},
                                           FitCase{"Wider", {40, 10}, {20, 10}, {0, 2, 20, 5}},
                                           FitCase{"Taller", {10, 40}, {20, 10}, {9, 0, 2, 10}},
                                           FitCase{"Empty", {0, 0}, {8, 4}, {}}),
                         [](const ::testing::TestParamInfo<FitCase>& info) {
                             return std::string(info.param.name);
                         });
