// The small pieces of the window: glyphs, dialog filters, the Qt platform's
// dialogs and window order.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

#include "app/window_kit/dialog_filters.h"
#include "app/window_kit/glyphs.h"
#include "app/window_kit/qt_platform.h"
#include "app/window_kit/texts.h"
#include "output/clipboard_data.h"

TEST(Glyphs, TwelveDistinctDrawnGlyphsOf16x16) {
    std::vector<QImage> images;
    for (int i = 0; i < kGlyphCount; ++i) {
        const QImage image = Glyph(i).toImage();
        ASSERT_EQ(image.size(), QSize(16, 16)) << i;
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) opaque += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(opaque, 20) << "glyph " << i << " is nearly empty";
        for (const QImage& other : images) EXPECT_NE(image, other) << "glyph " << i << " repeats";
        images.push_back(image);
    }
    EXPECT_TRUE(Glyph(12).isNull());
    EXPECT_TRUE(Glyph(-1).isNull());
}

TEST(DialogFilters, PairsBecomeQtFilters) {
    EXPECT_EQ(QtNameFilters(texts::SaveDialogFilter),
              QStringList({"ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)", "JPEG (*.jpg)", "GIF (*.gif)", "PNG (*.png)"}));
    const QStringList open = QtNameFilters(texts::OpenDialogFilter);
    ASSERT_EQ(open.size(), 7);
    EXPECT_EQ(open[0], QStringLiteral("対応画像ﾌｧｲﾙ (*.bmp *.jpg *.gif *.wmf *.emf *.png)"));
    EXPECT_EQ(open[5], QStringLiteral("拡張Windowsﾒﾀﾌｧｲﾙ (*.emf)"));
    // A description without its patterns gets them; a dangling part is dropped.
    EXPECT_EQ(QtNameFilters(QStringLiteral("Pictures|*.a;*.b|odd")),
              QStringList({"Pictures (*.a *.b)"}));
}

TEST(QtPlatformDialogs, SaveDialogCarriesTheWindowsSettings) {
    SaveDialogSettings settings;
    settings.Title = QStringLiteral("拡縮画像を保存");
    settings.Filter = texts::SaveDialogFilter;
    settings.FilterIndex = 2;
    settings.DefaultExt = QStringLiteral("bmp");
    const auto dialog = QtPlatform::MakeSaveDialog(nullptr, settings);
    EXPECT_EQ(dialog->windowTitle(), settings.Title);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("JPEG (*.jpg)"));
    // The selected type's extension completes a bare name; "bmp" only where
    // a filter names none.
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("jpg"));
    EXPECT_EQ(dialog->nameFilters().size(), 4);
}

TEST(QtPlatformDialogs, OpenDialogSingleOrMultiple) {
    OpenDialogSettings settings{texts::OpenDialogTitle, texts::OpenDialogFilter, false};
    auto dialog = QtPlatform::MakeOpenDialog(nullptr, settings);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("元画像を開く"));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->nameFilters().size(), 7);
    settings.MultiSelect = true;
    dialog = QtPlatform::MakeOpenDialog(nullptr, settings);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
}

TEST(QtPlatformDialogs, MessageBoxShowsCarriageReturnsAsLineBreaks) {
    const auto box =
        QtPlatform::MakeMessageBox(nullptr, QStringLiteral("a\rb"), QStringLiteral("t"),
                                   MessageIcon::Warning, MessageButtons::YesNoCancel);
    EXPECT_EQ(box->text(), QStringLiteral("a\nb"));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("t"));
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->buttons().size(), 3);
    EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
}

TEST(QtPlatformWindows, TopmostNeitherHidesMovesNorResizes) {
    QWidget window;
    window.setGeometry(100, 100, 300, 200);
    window.show();
    const QRect before = window.geometry();
    QtPlatform platform;
    platform.SetTopmost(&window, true);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), before);
    platform.SetTopmost(&window, false);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), before);
}

TEST(QtPlatformScreen, OnlyAnEightBitScreenHas256Colours) {
    EXPECT_EQ(ColorsOfDepth(8), 256);
    EXPECT_EQ(ColorsOfDepth(4), 16);
    EXPECT_NE(ColorsOfDepth(24), 256);
    EXPECT_NE(ColorsOfDepth(32), 256);
    EXPECT_GT(ColorsOfDepth(32), 0);
}

TEST(QtPlatformClipboard, CopiedPictureComesBackAsThePackedDIB) {
    QtPlatform platform;
    TDIB picture;
    DecodedPicture decoded;
    decoded.allocate(3, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 9; ++x) decoded.row(y)[x] = static_cast<std::uint8_t>(40 * y + 20 * x);
    picture.Assign(decoded);
    platform.SetClipboardPicture(ClipboardPictureOf(picture));
    const ClipboardContent content = platform.ReadClipboard();
    ASSERT_TRUE(content.PackedDIB.has_value());
    EXPECT_EQ(*content.PackedDIB, picture.SaveToClipboardFormat());

    // An image offered only as an image arrives as a 24-bit packed DIB.
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    QGuiApplication::clipboard()->setImage(image);
    const ClipboardContent fromImage = platform.ReadClipboard();
    ASSERT_TRUE(fromImage.PackedDIB.has_value());
    TDIB back;
    back.LoadFromClipboardFormat(kClipboardFormatDIB, &*fromImage.PackedDIB);
    EXPECT_EQ(back.Width(), 4);
    EXPECT_EQ(back.GetPixels(3, 2), 10 + 200 * 256 + 30 * 65536);

    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(platform.ReadClipboard().PackedDIB.has_value());
}
