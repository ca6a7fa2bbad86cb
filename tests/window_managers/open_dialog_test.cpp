// The open dialog as a user meets it under a window manager: every column
// whole at its first size, and the picture of the file picked in the list
// beside it with its size.

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>

#include "app/window_kit/picture_preview.h"
#include "picture/picture_saver.h"
#include "tests/support/picture_builders.h"
#include "tests/window_managers/window_fixture.h"

namespace {

TEST_F(DesktopWindowTest, OpenDialogShowsWholeColumnsAndAPreview) {
    START_WINDOWS("openbox");
    const TDIB picture = MakePicture24(
        640, 480, [](int x, int y) { return (x / 40 + y / 40) % 2 ? 0x2080E0 : 0xF0F0F0; });
    SavePictureToFile(picture, temp_.file("checks.jpg"));
    picture.SaveToFile(temp_.file("checks.bmp"));
    // The dialog starts in the folder the program was started in.
    const QString startedIn = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(temp_.path())));
    struct Back {
        QString folder;
        ~Back() { QDir::setCurrent(folder); }
    } back{startedIn};

    bool columnsWhole = false;
    std::string cut;
    QString sizeText;
    QImage shown;
    DialogScript script(
        {{DialogScript::Kind::FileDialog, [&](QWidget* widget) {
              auto& dialog = *static_cast<QFileDialog*>(widget);
              auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
              auto* model = dialog.findChild<QFileSystemModel*>();
              auto* preview = dialog.findChild<TPicturePreview*>();
              if (!view || !model || !preview) return xtest::Key("Escape");
              const QAbstractItemView& cells = *view;
              const auto measure = [&] {
                  columnsWhole = view->header()->length() <= view->viewport()->width();
                  cut.clear();
                  for (int column = 0; column < 4; ++column)
                      if (view->header()->sectionSize(column) < cells.sizeHintForColumn(column))
                          cut += " " + std::to_string(column);
                  return columnsWhole && cut.empty();
              };
              // The columns are fitted once the folder is read.
              WaitUntil(
                  [&] { return view->model()->rowCount(view->rootIndex()) >= 2 && measure(); },
                  5000);
              // Picked in the list, as a click does.
              view->setCurrentIndex(model->index(QString::fromStdString(temp_.file("checks.jpg"))));
              WaitUntil([&] { return !preview->Busy() && !preview->Picture().isNull(); }, 10000);
              sizeText = preview->SizeText();
              shown = preview->Picture();
              xtest::Key("Escape");
          }}});
    Type("o");
    ASSERT_TRUE(WaitUntil([&] { return script.Finished() && HasKeyboard(&form()); }, 30000))
        << script.Failure();
    EXPECT_TRUE(columnsWhole);
    EXPECT_EQ(cut, "") << "cut columns:" << cut;
    EXPECT_EQ(sizeText.toStdString(), "640×480");
    ASSERT_FALSE(shown.isNull());
    EXPECT_LE(shown.width(), 640);
    EXPECT_NEAR(double(shown.width()) / shown.height(), 640.0 / 480.0, 0.05);
}

}  // namespace
