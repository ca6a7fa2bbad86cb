#include "output/batch_destination_dialog.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "app/window_kit/fonts.h"
#include "app/window_kit/general_error.h"
#include "app/window_kit/platform.h"
#include "app/window_kit/x11_dialog_frame.h"
#include "output/batch_texts.h"
#include "scale/batch_naming.h"
#include "shell/shell_list_view.h"
#include "shell/shell_tree_view.h"

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, int x, int y) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->move(x, y);
    label->adjustSize();
    return label;
}

}  // namespace

TForm4::TForm4(Platform* platform)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      platform_(platform) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("まとめて拡縮  保存フォルダ選択 ＆ ファイル名拡張子設定"));
    setFont(ProportionalFont(12));
    setFixedSize(472, 281);
    new FixedDialogFrame(this);

    ShellTreeView1 = new TShellTreeView(this);
    ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
    ShellTreeView1->setGeometry(0, 0, 293, 217);

    ShellListView1 = new TShellListView(this);
    ShellListView1->setObjectName(QStringLiteral("ShellListView1"));
    ShellListView1->setGeometry(296, 0, 174, 217);
    ShellTreeView1->SetShellListView(ShellListView1);

    Label4 = makeLabel(this, "Label4", QStringLiteral("保存場所："), 4, 222);
    Label1 = makeLabel(this, "Label1", QString(), 60, 222);
    Label1->setFixedWidth(width() - 60);
    Label2 = makeLabel(this, "Label2", QStringLiteral("ファイル名拡張子:"), 4, 242);

    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setEditable(true);
    ComboBox2->setInsertPolicy(QComboBox::NoInsert);
    ComboBox2->addItems({QStringLiteral("_ks"), QString::fromUtf8(kNoSuffixItem)});
    ComboBox2->setEditText(QStringLiteral("_ks"));
    ComboBox2->setGeometry(96, 238, 125, 20);

    Label3 = makeLabel(this, "Label3", QStringLiteral("ファイルの種類:"), 16, 262);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(false);
    ComboBox1->addItems({QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"), QStringLiteral("JPEG (*.jpg)"),
                         QStringLiteral("GIF (*.gif)"), QStringLiteral("PNG (*.png)")});
    ComboBox1->setCurrentIndex(1);
    ComboBox1->setGeometry(96, 258, 125, 20);

    LabelSourceDir = makeLabel(this, "LabelSourceDir", QString(), 224, 236);
    LabelSourceDir->hide();

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(316, 252, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(392, 252, 75, 25);
    // Esc is the cancel button's key: QDialog rejects on Esc.

    for (QWidget* control : std::initializer_list<QWidget*>{ShellTreeView1, ShellListView1,
                                                            ComboBox1, Button1, Button2, ComboBox2})
        control->setFocusPolicy(Qt::StrongFocus);
    setTabOrder(ShellTreeView1, ShellListView1);
    setTabOrder(ShellListView1, ComboBox1);
    setTabOrder(ComboBox1, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, ComboBox2);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ShellTreeView1, &TShellTreeView::SelectionChanged, this, &TForm4::ShellTreeView1Change);
    ShellListView1->OnShExecute = [this](const QString& path, bool& execute) {
        ShellListView1ShExecute(path, execute);
    };
    ShellListView1->OnSelectItem = [this](const QString&) { ShellListView1SelectItem(); };
}

void TForm4::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    ShellTreeView1->RefreshRoots();
    if (!shownBefore_) {
        // The first time, the tree starts at the run's source folder; later
        // it keeps the user's last choice.
        shownBefore_ = true;
        QString source = LabelSourceDir->text();
        while (source.size() > 1 && source.endsWith(QLatin1Char('/'))) source.chop(1);
        if (!source.isEmpty()) ShellTreeView1->SelectPath(source);
    } else {
        // The choice kept from the last run, where the user can see it.
        ShellTreeView1->ShowSelection();
    }
    QDialog::showEvent(event);
    FormShow();
}

void TForm4::FormShow() {
    Label1->setText(ShellTreeView1->SelectedPath());
    ShellTreeView1->setFocus(Qt::OtherFocusReason);
}

void TForm4::ShellTreeView1Change() {
    Label1->setText(ShellTreeView1->SelectedPath());
}

void TForm4::ShellListView1ShExecute(const QString&, bool& execute) {
    execute = false;
}

void TForm4::ShellListView1SelectItem() {
    ShellListView1->ClearSelection();
}

bool TForm4::IsFileName(const QString& text) {
    return ::IsFileName(text.toUtf8().toStdString());
}

void TForm4::showError(const QString& text, const QString& title) {
    Platform* platform = platform_;
    if (platform == nullptr && TApplication::Instance() != nullptr)
        platform = TApplication::Instance()->GetPlatform();
    if (platform != nullptr)
        platform->ShowMessage(this, text, title, MessageIcon::Error, MessageButtons::Ok);
}

bool TForm4::FormClose(int result) {
    if (result != QDialog::Accepted) return true;
    bool canClose = true;
    // Each check runs whatever the others found.
    const QString destination = Label1->text();
    if (destination.isEmpty()) {
        showError(QStringLiteral("保存先に有効なフォルダが指定されていません"),
                  QStringLiteral("フォルダ指定エラー"));
        ShellTreeView1->setFocus(Qt::OtherFocusReason);
        canClose = false;
    }
    const QString suffix = ComboBox2->currentText();
    if (!IsFileName(suffix)) {
        showError(QString::fromStdString(RefusedSuffixMessage()),
                  QStringLiteral("不正なファイル名拡張子"));
        ComboBox2->setFocus(Qt::OtherFocusReason);
        canClose = false;
    }
    // Outputs named like their sources would replace them. An empty
    // destination is no folder at all, "/" included.
    const bool noSuffix = suffix.isEmpty() || suffix == QString::fromUtf8(kNoSuffixItem);
    if (!destination.isEmpty() && WithTrailingSlash(destination) == LabelSourceDir->text() &&
        noSuffix) {
        showError(QString::fromUtf8(kSameFolderMessage),
                  QStringLiteral("拡縮元ファイルが消えてしまいます"));
        ComboBox2->setFocus(Qt::OtherFocusReason);
        canClose = false;
    }
    return canClose;
}

void TForm4::done(int result) {
    if (!FormClose(result)) return;
    QDialog::done(result);
}
