// The open dialog's picture preview: every format the program opens, drawn to
// fit with its size below; nothing for what no reader takes; made off the
// user-interface thread, so a 60-megapixel file leaves the dialog answering
// keys, and a newer selection wins over an older one.

#include "app/window_kit/picture_preview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTreeView>
#include <cstdio>
#include <fstream>

#include "app/window_kit/qt_platform.h"
#include "app/window_kit/texts.h"
#include "picture/picture_saver.h"
#include "tests/picture/metafile_builder.h"
#include "tests/support/picture_builders.h"
#include "tests/support/qt_waiting.h"
#include "tests/support/test_support.h"

namespace {

TDIB gradient(int width, int height) {
    return MakePicture24(width, height,
                         [](int x, int y) { return (x & 0xFF) | (y & 0xFF) << 8 | 0x800000; });
}

std::string writeWmf(const TempDir& dir) {
    using namespace metafile_test;
    const std::string path = dir.file("drawing.wmf");
    WriteBytes(path, WmfBuilder(0, 0, 300, 150, 96)
                         .pen(5, 0, 0)
                         .select(0)
                         .brush(0, rgb(0, 0, 255))
                         .select(1)
                         .rectangle(10, 10, 290, 140)
                         .build());
    return path;
}

// A BMP header that declares 60000 x 60000 pixels on a file of a few bytes.
std::string writeDeclaredHuge(const TempDir& dir) {
    std::vector<std::uint8_t> b{'B', 'M'};
    const auto put32 = [&b](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    put32(70);
    put32(0);
    put32(54);
    put32(40);
    put32(60000);
    put32(60000);
    b.push_back(1), b.push_back(0), b.push_back(24), b.push_back(0);
    for (int i = 0; i < 6; ++i) put32(0);
    b.resize(70, 0x55);
    const std::string path = dir.file("declares-huge.bmp");
    WriteBytes(path, b);
    return path;
}

// A 24-bit BMP of width x height written row by row, so the test never holds
// the picture itself.
std::string writeBigBmp(const TempDir& dir, int width, int height) {
    const std::string path = dir.file("big.bmp");
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint64_t imageSize = std::uint64_t{stride} * height;
    std::ofstream out(path, std::ios::binary);
    const auto put16 = [&out](std::uint16_t v) { out.put(char(v & 0xFF)).put(char(v >> 8)); };
    const auto put32 = [&out](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out.put(char((v >> (8 * i)) & 0xFF));
    };
    out.put('B').put('M');
    put32(static_cast<std::uint32_t>(54 + imageSize));
    put32(0);
    put32(54);
    put32(40);
    put32(static_cast<std::uint32_t>(width));
    put32(static_cast<std::uint32_t>(height));
    put16(1);
    put16(24);
    for (int i = 0; i < 6; ++i) put32(0);
    std::vector<char> row(stride);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            row[3 * x] = char(x);
            row[3 * x + 1] = char(y);
            row[3 * x + 2] = char(x + y);
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return out ? path : std::string();
}

struct PreviewCase {
    const char* name;
    std::function<std::string(const TempDir&)> write;
    const char* sizeText;  // empty: nothing is shown
};

const PreviewCase kCases[] = {
    {"Jpeg",
     [](const TempDir& d) {
         SavePictureToFile(gradient(320, 200), d.file("photo.jpg"));
         return d.file("photo.jpg");
     },
     "320×200"},
    {"PngUnderAnotherName",
     [](const TempDir& d) {
         SavePictureToFile(gradient(50, 400), d.file("really-png.png"));
         std::rename(d.file("really-png.png").c_str(), d.file("named.bmp").c_str());
         return d.file("named.bmp");
     },
     "50×400"},
    {"SmallBmpAtItsOwnSize",
     [](const TempDir& d) {
         gradient(40, 30).SaveToFile(d.file("small.bmp"));
         return d.file("small.bmp");
     },
     "40×30"},
    {"WindowsMetafile", writeWmf, "300×150"},
    {"DamagedFile",
     [](const TempDir& d) {
         WriteBytes(d.file("damaged.jpg"),
                    {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1});
         return d.file("damaged.jpg");
     },
     ""},
    {"DeclaresMoreThanTheMachineHolds", writeDeclaredHuge, ""},
    {"Folder", [](const TempDir& d) { return d.path(); }, ""},
};

class PreviewOfFile : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(PreviewOfFile, DrawnToFitWithItsSizeOrEmpty) {
    const PreviewCase& c = GetParam();
    TempDir dir;
    const std::string path = c.write(dir);
    TPicturePreview preview;
    preview.resize(200, 220);
    preview.show();
    preview.ShowFile(QString::fromStdString(path));
    ASSERT_TRUE(WaitUntil([&] { return !preview.Busy(); }, 20000));
    EXPECT_EQ(preview.SizeText().toStdString(), c.sizeText);
    if (*c.sizeText == '\0') {
        EXPECT_TRUE(preview.Picture().isNull());
        EXPECT_EQ(preview.PreviewsShown(), 0);
        return;
    }
    ASSERT_FALSE(preview.Picture().isNull());
    // Reduced to the pane, never enlarged, proportions kept.
    const QSize shown = preview.Picture().size();
    EXPECT_LE(shown.width(), std::max(200, 64));
    EXPECT_LE(shown.height(), 220);
    int w = 0, h = 0;
    std::sscanf(c.sizeText, "%d", &w);
    h = QString::fromUtf8(c.sizeText).section(QChar(0x00D7), 1).toInt();
    EXPECT_LE(shown.width(), w);
    EXPECT_NEAR(double(shown.width()) / shown.height(), double(w) / h,
                0.05 * w / h + 1.0 / shown.height());
}

INSTANTIATE_TEST_SUITE_P(Formats, PreviewOfFile, ::testing::ValuesIn(kCases), NameOfParam());

TEST(PicturePreview, TheMetafileIsDrawnNotJustSized) {
    TempDir dir;
    TPicturePreview preview;
    preview.resize(400, 400);
    preview.show();
    preview.ShowFile(QString::fromStdString(writeWmf(dir)));
    ASSERT_TRUE(WaitUntil([&] { return !preview.Busy(); }, 20000));
    const QImage& picture = preview.Picture();
    ASSERT_EQ(picture.size(), QSize(300, 150));
    // The blue rectangle inside, white around it.
    EXPECT_EQ(QColor(picture.pixel(150, 75)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(picture.pixel(3, 3)), QColor(255, 255, 255));
}

TEST(PicturePreview, ANewerSelectionWinsAndTheOlderIsNeverShown) {
    TempDir dir;
    const std::string big = writeBigBmp(dir, 4000, 3000);
    ASSERT_FALSE(big.empty());
    gradient(64, 48).SaveToFile(dir.file("small.bmp"));
    TPicturePreview preview;
    preview.resize(200, 200);
    preview.show();
    preview.ShowFile(QString::fromStdString(big));
    preview.ShowFile(QString::fromStdString(dir.file("small.bmp")));
    // Previews are made one at a time, in the order asked for, and their
    // results handed over in that order: a result of the superseded one,
    // had it been sent, has come before this.
    ASSERT_TRUE(WaitUntil([&] { return !preview.Busy(); }, 30000));
    EXPECT_EQ(preview.SizeText().toStdString(), "64×48");
    EXPECT_EQ(preview.PreviewsShown(), 1);
}

TEST(PicturePreview, APaneThatGoesWhileItsPreviewIsMadeLeavesTheWorkerFree) {
    TempDir dir;
    const std::string big = writeBigBmp(dir, 3000, 3000);
    gradient(20, 10).SaveToFile(dir.file("next.bmp"));
    {
        TPicturePreview preview;
        preview.ShowFile(QString::fromStdString(big));
    }
    // The old preview gives up and delivers nothing; the next pane gets its own.
    TPicturePreview next;
    next.ShowFile(QString::fromStdString(dir.file("next.bmp")));
    ASSERT_TRUE(WaitUntil([&] { return !next.Busy(); }, 30000));
    EXPECT_EQ(next.SizeText().toStdString(), "20×10");
    EXPECT_EQ(next.PreviewsShown(), 1);
}

// Makes `path` the list's current file, as a click on its row does.
void pick(QFileDialog& dialog, const std::string& path) {
    auto* model = dialog.findChild<QFileSystemModel*>();
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_TRUE(model && view);
    QModelIndex index;
    ASSERT_TRUE(WaitUntil(
        [&] {
            index = model->index(QString::fromStdString(path));
            return index.isValid();
        },
        5000));
    view->setCurrentIndex(index);
}

// The open dialog on `dir`, shown, with its preview pane.
struct PreviewDialog {
    std::unique_ptr<QFileDialog> dialog;
    TPicturePreview* preview = nullptr;
};

PreviewDialog openDialogOn(const TempDir& dir) {
    OpenDialogSettings settings{texts::OpenDialogTitle, texts::OpenDialogFilter, false};
    PreviewDialog made{QtPlatform::MakeOpenDialog(nullptr, settings), nullptr};
    made.dialog->setDirectory(QString::fromStdString(dir.path()));
    made.dialog->show();
    made.preview = made.dialog->findChild<TPicturePreview*>();
    return made;
}

// The dialog itself: the pane sits in it, follows the list, and the dialog
// answers keys while a 60-megapixel picture is being previewed.
TEST(OpenDialogPreview, SixtyMegapixelsNeverHoldUpTheKeys) {
    TempDir dir;
    const std::string big = writeBigBmp(dir, 8000, 7500);
    ASSERT_FALSE(big.empty()) << "no room for the 180 MB test picture";
    gradient(10, 10).SaveToFile(dir.file("another.bmp"));
    const PreviewDialog made = openDialogOn(dir);
    QFileDialog* dialog = made.dialog.get();
    TPicturePreview* preview = made.preview;
    ASSERT_NE(preview, nullptr);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);

    pick(*dialog, big);
    ASSERT_TRUE(preview->Busy()) << "the selection started no preview";
    // Keys typed now are handled now, while the picture is still being read.
    name->setFocus();
    name->clear();
    for (const char c : std::string("abc")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (c - 'a'), Qt::NoModifier, QString(QChar(c)));
        QApplication::sendEvent(name, &press);
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(name->text().endsWith(QStringLiteral("abc"))) << name->text().toStdString();
    EXPECT_TRUE(preview->Busy()) << "the preview was made before the keys were handled";

    // Back to the big file; its preview comes in the end.
    pick(*dialog, dir.file("another.bmp"));
    pick(*dialog, big);
    ASSERT_TRUE(
        WaitUntil([&] { return !preview->Busy() && preview->PreviewsShown() > 0; }, 120000));
    EXPECT_EQ(preview->SizeText().toStdString(), "8000×7500");
    EXPECT_FALSE(preview->Picture().isNull());
    EXPECT_LE(preview->Picture().width(), 1000);
    // No message of any kind came up.
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMessageBox*>(window) && window->isVisible());
    dialog->reject();
}

TEST(OpenDialogPreview, AnUnreadableFileShowsAnEmptyPaneAndNoMessage) {
    TempDir dir;
    WriteBytes(dir.file("broken.png"), {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0});
    gradient(30, 20).SaveToFile(dir.file("good.bmp"));
    const PreviewDialog made = openDialogOn(dir);
    QFileDialog* dialog = made.dialog.get();
    TPicturePreview* preview = made.preview;
    ASSERT_NE(preview, nullptr);
    pick(*dialog, dir.file("good.bmp"));
    ASSERT_TRUE(
        WaitUntil([&] { return !preview->Busy() && preview->PreviewsShown() == 1; }, 20000));
    EXPECT_EQ(preview->SizeText().toStdString(), "30×20");
    pick(*dialog, dir.file("broken.png"));
    ASSERT_TRUE(WaitUntil([&] { return !preview->Busy(); }, 20000));
    EXPECT_TRUE(preview->Picture().isNull());
    EXPECT_TRUE(preview->SizeText().isEmpty());
    EXPECT_EQ(preview->PreviewsShown(), 1);
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMessageBox*>(window) && window->isVisible());
    // A name typed into the name field previews once it names a file.
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->clear();
    for (const QString& typed :
         {QStringLiteral("g"), QStringLiteral("good"), QStringLiteral("good.bmp")})
        name->setText(typed);
    ASSERT_TRUE(
        WaitUntil([&] { return !preview->Busy() && preview->PreviewsShown() == 2; }, 20000));
    EXPECT_EQ(preview->SizeText().toStdString(), "30×20");
    dialog->reject();
}

}  // namespace
