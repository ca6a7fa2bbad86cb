// The batch destination dialog: its layout, tab order and buttons, the
// three checks on OK with their messages and focus moves, the file list
// that opens nothing and keeps nothing selected, and the tree's first
// selection and later memory.

#include "output/batch_destination_dialog.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <filesystem>

#include "app/window_kit/fonts.h"
#include "shell/folder_tree_model.h"
#include "shell/shell_list_view.h"
#include "shell/shell_tree_view.h"
#include "tests/output/batch_fixture.h"

namespace fs = std::filesystem;

namespace {

// Records what the desktop was asked to open.
class OpenRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

class Form4Test : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        source_ = temp_.file("pics");
        other_ = temp_.file("other");
        fs::create_directory(source_);
        fs::create_directory(other_);
    }

    TForm4& dialog() { return windows().Form4(); }

    // Shows the dialog without a loop of its own, as the run would with
    // `source_` as the source folder.
    void ShowDialog() {
        dialog().LabelSourceDir->setText(QString::fromStdString(source_) + QStringLiteral("/"));
        dialog().show();
        dialog().activateWindow();
        QApplication::setActiveWindow(&dialog());
        QCoreApplication::processEvents();
    }

    void SelectFolder(const std::string& path) {
        ASSERT_TRUE(dialog().ShellTreeView1->SelectPath(QString::fromStdString(path))) << path;
    }

    void SetSuffix(const QString& text) {
        QLineEdit* edit = dialog().ComboBox2->lineEdit();
        edit->selectAll();
        if (text.isEmpty())
            KeyInto(edit, Qt::Key_Backspace);
        else
            TypeInto(edit, text);
        ASSERT_EQ(dialog().ComboBox2->currentText(), text);
    }

    // The control that has the focus, named as the dialog names it.
    QString focusName() {
        QWidget* focus = dialog().focusWidget();
        if (focus == dialog().ComboBox2->lineEdit()) return QStringLiteral("ComboBox2");
        return focus ? focus->objectName() : QString();
    }

    std::string source_, other_;
};

struct Placement {
    const char* name;
    QRect geometry;  // width or height 0: not fixed
    bool shown;
    const char* text;
};

class Form4Layout : public Form4Test, public ::testing::WithParamInterface<Placement> {};

TEST_P(Form4Layout, ControlsWhereTheyBelong) {
    const Placement& p = GetParam();
    auto* control = dialog().findChild<QWidget*>(QString::fromLatin1(p.name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->pos(), p.geometry.topLeft());
    if (p.geometry.width() > 0) {
        EXPECT_EQ(control->width(), p.geometry.width());
    }
    if (p.geometry.height() > 0) {
        EXPECT_EQ(control->height(), p.geometry.height());
    }
    EXPECT_EQ(control->isVisibleTo(&dialog()), p.shown);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
    if (auto* button = qobject_cast<QPushButton*>(control)) text = button->text();
    if (p.text != nullptr) {
        EXPECT_EQ(text, QString::fromUtf8(p.text));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Form4, Form4Layout,
    ::testing::Values(Placement{"ShellTreeView1", QRect(0, 0, 293, 217), true, nullptr},
                      Placement{"ShellListView1", QRect(296, 0, 174, 217), true, nullptr},
                      Placement{"Label4", QRect(4, 222, 0, 0), true, "保存場所："},
                      Placement{"Label1", QRect(60, 222, 0, 0), true, nullptr},
                      Placement{"Label2", QRect(4, 242, 0, 0), true, "ファイル名拡張子:"},
                      Placement{"ComboBox2", QRect(96, 238, 125, 0), true, nullptr},
                      Placement{"Label3", QRect(16, 262, 0, 0), true, "ファイルの種類:"},
                      Placement{"ComboBox1", QRect(96, 258, 125, 0), true, nullptr},
                      Placement{"LabelSourceDir", QRect(224, 236, 0, 0), false, nullptr},
                      Placement{"Button1", QRect(316, 252, 75, 25), true, "OK"},
                      Placement{"Button2", QRect(392, 252, 75, 25), true, "キャンセル"}),
    NameOfParam());

TEST_F(Form4Test, FrameCaptionFontAndFields) {
    EXPECT_EQ(dialog().windowTitle(),
              QStringLiteral("まとめて拡縮  保存フォルダ選択 ＆ ファイル名拡張子設定"));
    EXPECT_EQ(dialog().size(), QSize(472, 281));
    EXPECT_EQ(dialog().minimumSize(), dialog().maximumSize());
    EXPECT_TRUE(dialog().windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog().windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dialog().font().family(), ProportionalFont(12).family());
    EXPECT_EQ(dialog().font().pixelSize(), 12);
    EXPECT_FALSE(dialog().isVisible());

    EXPECT_TRUE(dialog().ComboBox2->isEditable());
    EXPECT_EQ(dialog().ComboBox2->currentText(), QStringLiteral("_ks"));
    QStringList suffixes;
    for (int i = 0; i < dialog().ComboBox2->count(); ++i)
        suffixes << dialog().ComboBox2->itemText(i);
    EXPECT_EQ(suffixes, QStringList({"_ks", "（拡張子無し）"}));
    EXPECT_FALSE(dialog().ComboBox1->isEditable());
    QStringList types;
    for (int i = 0; i < dialog().ComboBox1->count(); ++i) types << dialog().ComboBox1->itemText(i);
    EXPECT_EQ(types,
              QStringList({"ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)", "JPEG (*.jpg)", "GIF (*.gif)", "PNG (*.png)"}));
    EXPECT_EQ(dialog().ComboBox1->currentIndex(), 1);
    EXPECT_TRUE(dialog().Button1->isDefault());
}

TEST_F(Form4Test, TabVisitsTheControlsInTheirOrder) {
    ShowDialog();
    EXPECT_EQ(focusName(), QStringLiteral("ShellTreeView1"));
    QStringList visited;
    for (int i = 0; i < 6; ++i) {
        KeyInto(dialog().focusWidget(), Qt::Key_Tab);
        visited << focusName();
    }
    EXPECT_EQ(visited, QStringList({"ShellListView1", "ComboBox1", "Button1", "Button2",
                                    "ComboBox2", "ShellTreeView1"}));
    dialog().reject();
}

TEST_F(Form4Test, EnterInTheSuffixFieldIsOkAndEscIsCancel) {
    ShowDialog();
    SelectFolder(other_);
    SetSuffix(QStringLiteral("_half"));
    KeyInto(dialog().ComboBox2->lineEdit(), Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(dialog().result(), QDialog::Accepted);

    ShowDialog();
    KeyInto(dialog().focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(dialog().result(), QDialog::Rejected);
    EXPECT_TRUE(platform_.Messages.empty());
}

struct CheckCase {
    const char* name;
    enum { Other, Source, Nothing } destination;
    const char* suffix;
    std::vector<const char*> titles;  // the messages, in order
    const char* focus;                // after the messages; nullptr: closed
};

QString messageFor(const QString& title) {
    if (title == QStringLiteral("フォルダ指定エラー"))
        return QStringLiteral("保存先に有効なフォルダが指定されていません");
    if (title == QStringLiteral("不正なファイル名拡張子"))
        return QStringLiteral("ファイル名拡張子に次の名前は使えません\r　　　　　　\\/;,:*?\"<>|");
    if (title == QStringLiteral("拡縮元ファイルが消えてしまいます"))
        return QStringLiteral(
            "拡縮元フォルダと保存先フォルダが同じで\rファイル名拡張子が設定されていません\r\r"
            "保存先フォルダを変更するか\r１文字以上のファイル名拡張子を\r設定してください\r");
    return QStringLiteral("(unexpected message)");
}

class Form4Checks : public Form4Test, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(Form4Checks, OkValidates) {
    const CheckCase& c = GetParam();
    ShowDialog();
    if (c.destination == CheckCase::Nothing)
        dialog().ShellTreeView1->selectionModel()->clearSelection();
    else
        SelectFolder(c.destination == CheckCase::Source ? source_ : other_);
    SetSuffix(QString::fromUtf8(c.suffix));
    platform_.ClearRecords();
    dialog().Button1->click();

    QStringList titles;
    for (const ShownMessage& message : platform_.Messages) {
        titles << message.Title;
        EXPECT_EQ(message.Icon, MessageIcon::Error);
        EXPECT_EQ(message.Buttons, MessageButtons::Ok);
        const QString expectedText = messageFor(message.Title);
        EXPECT_EQ(message.Text, expectedText) << message.Title.toStdString();
    }
    QStringList expected;
    for (const char* title : c.titles) expected << QString::fromUtf8(title);
    EXPECT_EQ(titles, expected);
    if (c.focus == nullptr) {
        EXPECT_FALSE(dialog().isVisible());
        EXPECT_EQ(dialog().result(), QDialog::Accepted);
    } else {
        EXPECT_TRUE(dialog().isVisible());
        EXPECT_EQ(focusName(), QString::fromLatin1(c.focus));
        dialog().reject();
    }
}

const char* const kNoFolder = "フォルダ指定エラー";
const char* const kBadSuffix = "不正なファイル名拡張子";
const char* const kSameFolder = "拡縮元ファイルが消えてしまいます";

INSTANTIATE_TEST_SUITE_P(
    Form4, Form4Checks,
    ::testing::Values(
        CheckCase{"DefaultSuffixElsewhere", CheckCase::Other, "_ks", {}, nullptr},
        CheckCase{"EmptySuffixElsewhere", CheckCase::Other, "", {}, nullptr},
        CheckCase{"JapaneseSuffix", CheckCase::Other, "＿縮小：半分", {}, nullptr},
        CheckCase{"Colon", CheckCase::Other, "a:b", {kBadSuffix}, "ComboBox2"},
        CheckCase{"Slash", CheckCase::Other, "x/y", {kBadSuffix}, "ComboBox2"},
        CheckCase{"Comma", CheckCase::Other, "a,b", {kBadSuffix}, "ComboBox2"},
        CheckCase{"BarAfterAKanji", CheckCase::Other, "縮|", {kBadSuffix}, "ComboBox2"},
        CheckCase{"SourceFolderWithoutSuffixItem",
                  CheckCase::Source,
                  "（拡張子無し）",
                  {kSameFolder},
                  "ComboBox2"},
        CheckCase{"SourceFolderWithEmptySuffix", CheckCase::Source, "", {kSameFolder}, "ComboBox2"},
        CheckCase{"SourceFolderWithSuffix", CheckCase::Source, "_ks", {}, nullptr},
        CheckCase{"NoFolder", CheckCase::Nothing, "_ks", {kNoFolder}, "ShellTreeView1"},
        CheckCase{"NoFolderAndARefusedCharacter",
                  CheckCase::Nothing,
                  "a|b",
                  {kNoFolder, kBadSuffix},
                  "ComboBox2"},
        CheckCase{"NoFolderAndNoSuffix", CheckCase::Nothing, "", {kNoFolder}, "ShellTreeView1"},
        CheckCase{"SourceFolderAndARefusedCharacterWithoutOthers",
                  CheckCase::Source,
                  "?",
                  {kBadSuffix},
                  "ComboBox2"}),
    NameOfParam());

TEST_F(Form4Test, CancelAndTheCloseBoxCloseWithoutChecks) {
    ShowDialog();
    dialog().ShellTreeView1->selectionModel()->clearSelection();
    SetSuffix(QStringLiteral("a:b"));
    ASSERT_TRUE(dialog().Label1->text().isEmpty());
    dialog().Button2->click();
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(dialog().result(), QDialog::Rejected);
    ShowDialog();
    dialog().close();
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(dialog().result(), QDialog::Rejected);
    EXPECT_TRUE(platform_.Messages.empty());
}

TEST_F(Form4Test, IsFileNameLooksAtEveryByte) {
    EXPECT_TRUE(TForm4::IsFileName(QString()));
    EXPECT_TRUE(TForm4::IsFileName(QStringLiteral("（拡張子無し）")));
    EXPECT_TRUE(TForm4::IsFileName(
        QStringLiteral("＼／：")));  // full-width look-alikes are other characters
    EXPECT_FALSE(TForm4::IsFileName(QStringLiteral("ﾃｽﾄ\\")));
    EXPECT_FALSE(TForm4::IsFileName(QStringLiteral("名\"前")));
    EXPECT_FALSE(TForm4::IsFileName(QString(QChar(0))));
}

TEST_F(Form4Test, FirstShowingSelectsTheSourceFolderLaterOnesKeepTheChoice) {
    // The folders above the source folder are listed in turn from the top,
    // its own parent last.
    TShellTreeView* tree = dialog().ShellTreeView1;
    bool parentListed = false;
    QObject::connect(tree->FolderModel()->Source(), &QFileSystemModel::directoryLoaded, tree,
                     [&](const QString& path) {
                         parentListed |= QDir(path) == QDir(QString::fromStdString(temp_.path()));
                     });
    ShowDialog();
    EXPECT_EQ(dialog().Label1->text(), QString::fromStdString(source_));
    EXPECT_EQ(focusName(), QStringLiteral("ShellTreeView1"));
    // The tree shows the selected folder: its item comes into view, also
    // once the folders above it have been listed.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return parentListed &&
                   tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex()));
        },
        10000));
    // A click on another folder in the tree.
    SelectFolder(other_);
    const QModelIndex other = dialog().ShellTreeView1->currentIndex();
    SelectFolder(source_);
    dialog().ShellTreeView1->scrollTo(other);
    Click(dialog().ShellTreeView1->viewport(), dialog().ShellTreeView1->visualRect(other).center());
    EXPECT_EQ(dialog().Label1->text(), QString::fromStdString(other_));
    dialog().reject();

    // The tree was left scrolled away from the choice.
    const auto choiceInView = [tree] {
        return tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex()));
    };
    tree->scrollToTop();
    if (choiceInView()) tree->scrollToBottom();
    ASSERT_FALSE(choiceInView()) << "the tree is too short to scroll the choice away";
    ShowDialog();  // another run, another source folder: the choice stays, in view
    EXPECT_EQ(dialog().Label1->text(), QString::fromStdString(other_));
    EXPECT_TRUE(WaitUntil(choiceInView, 2000));
    dialog().reject();
}

TEST_F(Form4Test, TheListOpensNothingAndKeepsNothingSelected) {
    const std::string file = source_ + "/picture.bmp";
    WriteBytes(file, {1, 2, 3});
    fs::create_directory(source_ + "/inner");
    OpenRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    ShowDialog();
    TShellListView* list = dialog().ShellListView1;
    ASSERT_TRUE(
        WaitUntil([&] { return list->IndexOfPath(QString::fromStdString(file)).isValid(); }, 5000));

    for (const std::string& item : {file, source_ + "/inner"}) {
        const QModelIndex index = list->IndexOfPath(QString::fromStdString(item));
        ASSERT_TRUE(index.isValid()) << item;
        const QPoint at = list->visualRect(index).center();
        Click(list->viewport(), at);
        EXPECT_TRUE(list->selectionModel()->selectedIndexes().isEmpty()) << item;
        DoubleClick(list->viewport(), at);
        list->setCurrentIndex(index);
        list->setFocus();
        KeyInto(list, Qt::Key_Return, QStringLiteral("\r"));
    }
    bool execute = true;
    dialog().ShellListView1ShExecute(QString::fromStdString(file), execute);
    EXPECT_FALSE(execute);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    EXPECT_TRUE(recorder.opened.isEmpty());
    EXPECT_EQ(list->Folder(), QString::fromStdString(source_));  // nor did it go into the folder
    EXPECT_TRUE(list->selectionModel()->selectedIndexes().isEmpty());
    // Enter reached the dialog's default button: the dialog closed with OK.
    EXPECT_EQ(dialog().result(), QDialog::Accepted);
}

}  // namespace

#include "batch_destination_dialog_test.moc"
