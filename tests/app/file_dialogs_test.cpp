// The open and save dialogs at a size that can be read, and what they keep:
// their size and folder while the program runs, nothing from earlier runs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "app/window_kit/qt_platform.h"
#include "app/window_kit/texts.h"
#include "picture/picture_saver.h"
#include "tests/support/picture_builders.h"
#include "tests/support/qt_waiting.h"
#include "tests/support/test_support.h"

namespace {

// A folder with a file of every kind the dialogs list, a long name and a
// subfolder, so every column has something to show.
void fillFolder(const TempDir& dir) {
    const TDIB picture = MakePicture24(8, 8, [](int x, int y) { return x * 30 + y; });
    for (const char* name : {"a.bmp", "b.jpg", "c.gif", "d.png"})
        SavePictureToFile(picture, dir.file(name));
    WriteBytes(dir.file("e.wmf"), {1, 0, 9, 0});
    WriteBytes(dir.file("f.emf"), {1, 0, 0, 0});
    SavePictureToFile(picture, dir.file("a rather long picture name 2024.png"));
    QDir(QString::fromStdString(dir.path())).mkdir(QStringLiteral("photos"));
}

int needed(QTreeView& view, int column) {
    const QAbstractItemView& cells = view;
    return std::max(view.header()->sectionSizeHint(column), cells.sizeHintForColumn(column));
}

struct DialogCase {
    const char* name;
    bool save;
};

class ReadableDialog : public ::testing::TestWithParam<DialogCase> {};

TEST_P(ReadableDialog, ColumnsAndFoldersAreNotCut) {
    TempDir dir;
    fillFolder(dir);
    FileDialogMemory memory;
    memory.Folder = QString::fromStdString(dir.path());
    std::unique_ptr<QFileDialog> dialog;
    if (GetParam().save) {
        SaveDialogSettings settings;
        settings.Filter = texts::SaveDialogFilter;
        settings.FilterIndex = 4;  // PNG, the kind most files here are
        dialog = QtPlatform::MakeSaveDialog(nullptr, settings, memory);
    } else {
        dialog = QtPlatform::MakeOpenDialog(
            nullptr, {texts::OpenDialogTitle, texts::OpenDialogFilter, false}, memory);
    }
    // The dialog fits its columns to the folder once the folder is read.
    bool folderRead = false;
    QObject::connect(dialog->findChild<QFileSystemModel*>(), &QFileSystemModel::directoryLoaded,
                     dialog.get(), [&](const QString& path) {
                         folderRead |= QDir(path) == QDir(QString::fromStdString(dir.path()));
                     });
    dialog->show();
    auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* sidebar = dialog->findChild<QListView*>(QStringLiteral("sidebar"));
    ASSERT_TRUE(view && sidebar);
    EXPECT_EQ(dialog->viewMode(), QFileDialog::Detail);
    EXPECT_TRUE(view->isVisible());
    ASSERT_TRUE(WaitUntil(
        [&] { return folderRead && view->model()->rowCount(view->rootIndex()) >= 3; }, 10000));

    QHeaderView* header = view->header();
    for (int column = 0; column < 4; ++column)
        EXPECT_FALSE(header->isSectionHidden(column)) << column;
    for (int column = 1; column < 4; ++column)
        EXPECT_GE(header->sectionSize(column), needed(*view, column))
            << "column " << column << " is cut";
    // The names are whole too, unless the dialog has already grown to the
    // screen's width (the test screen is small).
    const int screenWidth = dialog->screen() ? dialog->screen()->availableGeometry().width() : 0;
    if (dialog->frameGeometry().width() < screenWidth - 8) {
        EXPECT_GE(header->sectionSize(0), needed(*view, 0)) << "the names are cut";
    }
    // All four end inside the list: nothing is hidden past its right edge.
    EXPECT_LE(header->length(), view->viewport()->width());
    // The folder list shows its names whole.
    EXPECT_LE(static_cast<const QAbstractItemView*>(sidebar)->sizeHintForColumn(0),
              sidebar->viewport()->width());
    // And the dialog fits the screen.
    if (const QScreen* screen = dialog->screen()) {
        EXPECT_LE(dialog->width(), screen->availableGeometry().width());
        EXPECT_LE(dialog->height(), screen->availableGeometry().height());
    }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, ReadableDialog,
                         ::testing::Values(DialogCase{"Open", false}, DialogCase{"Save", true}),
                         NameOfParam());

// Runs the platform's dialog; while it is up, `act` moves and resizes it
// and ends it.
void whileUp(const std::function<void(QFileDialog&)>& act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(window); d && d->isVisible()) dialog = d;
        }
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

TEST(FileDialogMemory, SizeAndFolderAreKeptWhileTheProgramRuns) {
    TempDir first, second;
    QtPlatform platform;
    const OpenDialogSettings open{texts::OpenDialogTitle, texts::OpenDialogFilter, false};
    whileUp([&](QFileDialog& dialog) {
        dialog.setDirectory(QString::fromStdString(first.path()));
        dialog.resize(900, 610);
        dialog.reject();
    });
    EXPECT_TRUE(platform.RunOpenDialog(nullptr, open).isEmpty());
    // The next time: the same folder and size, though it was cancelled.
    QSize size;
    QString folder;
    whileUp([&](QFileDialog& dialog) {
        size = dialog.size();
        folder = dialog.directory().absolutePath();
        dialog.setDirectory(QString::fromStdString(second.path()));
        dialog.reject();
    });
    platform.RunOpenDialog(nullptr, open);
    EXPECT_EQ(size, QSize(900, 610));
    EXPECT_EQ(folder, QDir(QString::fromStdString(first.path())).absolutePath());
    EXPECT_EQ(platform.OpenDialogMemory().Folder,
              QDir(QString::fromStdString(second.path())).absolutePath());

    // The save dialog keeps its own; the name it keeps goes to its folder.
    EXPECT_FALSE(platform.SaveDialogMemory().Size.isValid());
    SaveDialogSettings save;
    save.Filter = texts::SaveDialogFilter;
    save.FilterIndex = 4;
    save.DefaultExt = QStringLiteral("bmp");
    whileUp([&](QFileDialog& dialog) {
        EXPECT_NE(dialog.directory().absolutePath(),
                  QDir(QString::fromStdString(second.path())).absolutePath());
        dialog.setDirectory(QString::fromStdString(first.path()));
        dialog.selectFile(QStringLiteral("out.png"));
        static_cast<QDialog&>(dialog).accept();
    });
    ASSERT_TRUE(platform.RunSaveDialog(nullptr, save));
    EXPECT_EQ(save.FileName, QString::fromStdString(first.file("out.png")));
    QString saveFolder, saveName;
    whileUp([&](QFileDialog& dialog) {
        saveFolder = dialog.directory().absolutePath();
        saveName = dialog.selectedFiles().value(0);
        dialog.reject();
    });
    EXPECT_FALSE(platform.RunSaveDialog(nullptr, save));
    EXPECT_EQ(saveFolder, QDir(QString::fromStdString(first.path())).absolutePath());
    EXPECT_EQ(saveName, QString::fromStdString(first.file("out.png")));
}

// A name typed without an extension gets the type chosen in the dialog,
// at the start or by the user, so the file saved under it is of that type
// (the save command writes the type its name's extension names).
struct TypedName {
    const char* name;
    int filterIndex;  // at the start, 1 to 4
    int stepsDown;    // the user's moves in the type list
    const char* typed;
    const char* saved;
};

void PrintTo(const TypedName& c, std::ostream* os) {
    *os << c.name;
}

class SaveDialogName : public ::testing::TestWithParam<TypedName> {};

TEST_P(SaveDialogName, FollowsTheChosenType) {
    const TypedName& c = GetParam();
    TempDir dir;
    QtPlatform platform;
    SaveDialogSettings save;
    save.Filter = texts::SaveDialogFilter;
    save.FilterIndex = c.filterIndex;
    save.DefaultExt = QStringLiteral("bmp");
    whileUp([&](QFileDialog& dialog) {
        dialog.setDirectory(QString::fromStdString(dir.path()));
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(types && name);
        for (int i = 0; i < c.stepsDown; ++i) QTest::keyClick(types, Qt::Key_Down);
        name->clear();
        QTest::keyClicks(name, QString::fromUtf8(c.typed));
        QTest::keyClick(name, Qt::Key_Return);
    });
    ASSERT_TRUE(platform.RunSaveDialog(nullptr, save));
    // The name's extension decides what the save command writes.
    EXPECT_EQ(save.FileName, QString::fromStdString(dir.file(c.saved)));
}

INSTANTIATE_TEST_SUITE_P(Types, SaveDialogName,
                         ::testing::Values(TypedName{"JpegAtTheStart", 2, 0, "out", "out.jpg"},
                                           TypedName{"PngChosen", 2, 2, "out", "out.png"},
                                           TypedName{"BitmapAtTheStart", 1, 0, "out", "out.bmp"},
                                           TypedName{"GifChosen", 1, 2, "out", "out.gif"},
                                           TypedName{"ATypedExtensionStays", 2, 0, "out.png",
                                                     "out.png"}),
                         NameOfParam());

TEST(FileDialogMemory, NothingComesFromAnEarlierRun) {
    // What Qt's own dialog left in its settings file in another run.
    TempDir config, elsewhere;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(config.path()));
    {
        QSettings settings(QSettings::UserScope, QStringLiteral("QtProject"));
        settings.beginGroup(QStringLiteral("FileDialog"));
        settings.setValue(QStringLiteral("lastVisited"),
                          QUrl::fromLocalFile(QString::fromStdString(elsewhere.path())));
        settings.setValue(QStringLiteral("viewMode"), QStringLiteral("List"));
        settings.setValue(QStringLiteral("shortcuts"),
                          QStringList{QStringLiteral("file:///nowhere")});
        settings.setValue(QStringLiteral("history"),
                          QStringList{QStringLiteral("file:///nowhere")});
    }
    const auto dialog = QtPlatform::MakeOpenDialog(
        nullptr, {texts::OpenDialogTitle, texts::OpenDialogFilter, false});
    EXPECT_EQ(dialog->directory().absolutePath(), QDir::currentPath());
    EXPECT_EQ(dialog->viewMode(), QFileDialog::Detail);
    // The history holds the folder it is in, nothing older.
    EXPECT_EQ(dialog->history(), QStringList{QDir::currentPath()});
    EXPECT_FALSE(dialog->sidebarUrls().contains(QUrl(QStringLiteral("file:///nowhere"))));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

}  // namespace
