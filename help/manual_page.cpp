#include "help/manual_page.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

#include "app/window_kit/fonts.h"
#include "help/link_label.h"

namespace {

enum class Style { Heading, Link, Command, SubHeading, Body, SmallTitle, SmallText };

const QColor kMaroon(128, 0, 0);
const QColor kTeal(0, 128, 128);
const QColor kGrey(128, 128, 128);

QFont fontOf(Style style) {
    switch (style) {
        case Style::Heading: {
            QFont font = ProportionalFont(16, true);
            font.setUnderline(true);
            return font;
        }
        case Style::Link: {
            QFont font = ProportionalFont(11, true);
            font.setUnderline(true);
            return font;
        }
        case Style::Command:
            return FixedFont(13, true);
        case Style::SubHeading:
            return ProportionalFont(15, true);
        case Style::Body:
            return ProportionalFont(13);
        case Style::SmallTitle:
            return FixedFont(12, true);
        case Style::SmallText:
            return ProportionalFont(12);
    }
    return ProportionalFont(13);
}

QColor colorOf(Style style) {
    switch (style) {
        case Style::Heading:
            return kMaroon;
        case Style::Link:
            return kGrey;
        case Style::Command:
        case Style::SmallTitle:
            return kTeal;
        case Style::SubHeading:
            return Qt::black;
        default:
            return QColor();  // the window text
    }
}

void applyStyle(QWidget* widget, Style style) {
    widget->setFont(fontOf(style));
    const QColor color = colorOf(style);
    if (color.isValid()) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, color);
        widget->setPalette(palette);
    }
}

// One text of the page. A width of 0 keeps the text on its lines at its
// natural width; any other width breaks longer lines there.
struct TextItem {
    Style style;
    int left;
    int top;
    int width;
    const char* text;
};

struct PictureItem {
    ManualPicture picture;
    int left;
    int top;
};

// Left edges of the columns of section 1: the pictures, the command names
// beside a button, the descriptions.
constexpr int kPictureLeft = 16;
constexpr int kCommandLeft = 76;
constexpr int kDescriptionLeft = 212;
constexpr int kPageRight = 586;

constexpr int width(int left) {
    return kPageRight - left;
}

const TextItem kTexts[] = {
    // ---------------------------------------------------------------- 1
    {Style::Heading, 8, 8, 0, "　ツールバー操作　"},
    {Style::Command, kCommandLeft, 36, 0, "元画像を開く　  [O]"},
    {Style::Body, kDescriptionLeft, 36, 0, "拡縮したい元画像を開きます。"},
    {Style::Command, kCommandLeft, 60, 0, "元画像を表示　  [<]"},
    {Style::Body, kDescriptionLeft, 60, 0, "表示画像を元画像に切り換えます。"},
    {Style::Command, kCommandLeft, 84, 0, "表示画像を保存  [S]"},
    {Style::Body, kDescriptionLeft, 84, 0, "表示されている画像を保存します。"},
    {Style::Command, kCommandLeft, 108, 0, "拡縮画像を表示  [>]"},
    {Style::Body, kDescriptionLeft, 108, 0, "表示画像を拡縮画像に切り換えます。"},
    {Style::Command, 114, 134, 0, "[F]"},
    {Style::Body, kDescriptionLeft, 132, width(kDescriptionLeft),
     "拡縮画像を作成するときに、元画像の縦横比を保ちます。通常はチェックを入れたままでお使いくださ"
     "い。"},
    {Style::Command, 126, 173, 0, "拡縮単位切換"},
    {Style::Command, 208, 173, 0, "[P]"},
    {Style::Body, 236, 169, width(236),
     "拡縮サイズの単位を切り換えます。クリックするたびに「％」と「Pixel」が交互に切り換わります。"},
    {Style::Body, 220, 200, width(220),
     "単位が「％」のときは、拡縮率を％で指定します。「縦横比固定」にチェックがあると、横と縦の数値"
     "が連動します。"},
    {Style::Command, 74, 236, 0, "[H]         [V]"},
    {Style::Body, 220, 236, width(220),
     "単位が「Pixel」のときは、拡縮後の大きさを横・縦のピクセル数で直接指定します。「縦横比固定」に"
     "チェックがあると、"
     "元画像の縦横比のまま、指定した大きさを越えない最大のサイズになります。サムネイル画像の作成な"
     "どに便利です。"},
    {Style::Command, kCommandLeft, 311, 0, "拡縮画像作成[Enter]"},
    {Style::Body, kDescriptionLeft, 307, width(kDescriptionLeft),
     "現在の設定で、元画像から拡縮画像を作成します。元画像はそのまま残るので、設定を変えて何度でも"
     "作り直せます。"},
    {Style::Command, kCommandLeft, 348, 0, "まとめて拡縮  　[M]"},
    {Style::Body, kDescriptionLeft, 344, width(kDescriptionLeft),
     "ディスクに保存されている複数の画像ファイルを、一度にまとめて拡縮します。詳しくは後述の「まと"
     "めて拡縮」操作方法を"
     "ご覧ください。"},
    {Style::Command, 85, 383, 0, "[Z]"},
    {Style::Body, kDescriptionLeft, 381, width(kDescriptionLeft),
     "Skalomiのウィンドウを常に最前面に表示します。ほかのウィンドウに隠れないので、画像ファイルをド"
     "ロップして元画像を"
     "開くとき（画像表示窓でのマウス操作）に便利です。"},
    {Style::Command, kCommandLeft, 444, 0, "ヘルプ表示　 　[F1]"},
    {Style::Body, kDescriptionLeft, 444, 0, "このヘルプ窓を表示します。"},
    {Style::Command, 247, 473, 0, "[B]"},
    {Style::Body, 276, 468, width(276),
     "拡縮画像の明るさを設定します。暗く・明るくそれぞれ10段階（±10）で調整できます。"},
    {Style::Command, 299, 510, 0, "[C]"},
    {Style::Body, 328, 505, width(328),
     "拡縮画像のコントラストを、強調する方向に20段階で設定します。"},
    {Style::Command, 116, 545, 0, "拡縮画像回転[R]"},
    {Style::Body, 222, 541, width(222),
     "拡縮画像の回転角度を設定します。クリックするたびに、0度→右90度→180度→左90度の順に90度ずつ切り"
     "換わります。"},

    // ---------------------------------------------------------------- 2
    {Style::Heading, 8, 624, 0, "　画像表示窓でのマウス操作　"},
    {Style::SubHeading, 16, 648, 0, "・右クリックメニュー"},
    {Style::Command, 184, 668, 0, "[Ctrl]+[V]"},
    {Style::Body, 264, 668, 0, "クリップボード画像を元画像に貼付します。"},
    {Style::Command, 184, 684, 0, "[Ctrl]+[C]"},
    {Style::Body, 264, 684, 0, "元画像をクリップボードにコピーします。"},
    {Style::Command, 184, 712, 0, "[Ctrl]+[C]"},
    {Style::Body, 264, 712, 0, "拡縮画像をクリップボードにコピーします。"},
    {Style::SubHeading, 16, 740, 0, "・元画像上で左ドラッグ"},
    {Style::Command, 112, 762, 0, "拡縮範囲の指定"},
    {Style::Body, 112, 780, width(112),
     "元画像の一部分だけを拡縮したいときに使います。ドラッグで囲んだ範囲だけが拡縮されます。左クリ"
     "ックすると範囲の指定を"
     "解除します。"},
    {Style::SubHeading, 16, 816, 0, "・画像ファイルをドロップ"},
    {Style::Command, 112, 838, 0, "画像ファイルを開く"},
    {Style::Body, 112, 856, width(112),
     "ファイルマネージャーなどから画像ファイルをドラッグして画像表示窓にドロップすると、そのファイ"
     "ルを開いて元画像に"
     "します。"},

    // ---------------------------------------------------------------- 3
    {Style::Heading, 8, 939, 0, "　まとめて拡縮　　　操作方法　"},
    {Style::Body, 16, 957, width(16),
     "ツールバーの［まとめて拡縮］ボタン（［M］キー）を使うと、ディスクに保存されている複数の画像フ"
     "ァイルを一度に拡縮"
     "できます。操作は次の手順で行います。"},
    {Style::Command, 16, 991, 0, "1.拡縮設定の確認"},
    {Style::Body, 180, 1011, width(180),
     "最初に、拡縮設定の確認画面が表示されます。「まとめて拡縮」はメインウィンドウの設定に従って行"
     "われ、その内容が次の"
     "項目ごとに1行ずつ表示されます。\n"
     "　・拡縮率\n"
     "　・明るさ\n"
     "　・コントラスト\n"
     "　・回転角度\n"
     "よろしければ［OK］を押してください。"},
    {Style::Command, 16, 1154, 0, "2.元画像ファイルの選択"},
    {Style::Body, 340, 1172, width(340),
     "拡縮する元画像ファイルを選択します。［Ctrl］キーや［Shift］キーを押しながらクリックすると、複"
     "数のファイルを"
     "選択できます。種類の違う画像ファイルが混ざっていてもかまいません。"},
    {Style::Command, 16, 1312, 0, "3.拡縮画像保存方法の設定"},
    {Style::Body, 308, 1330, width(308), "次に、作成する拡縮画像の保存先と種類を指定します。"},
    {Style::Body, 308, 1362, width(308), "作成する拡縮画像の保存場所（フォルダ）を選択します。"},
    {Style::Body, 308, 1394, width(308),
     "ファイル名拡張子を入力します。拡縮画像のファイル名は、元画像のファイル名の後ろにこの文字列を"
     "付けたものになります。"
     "元画像と同じフォルダに保存するときは、上書きを防ぐため1文字以上を設定してください。初期値は「"
     "_ks」です。"},
    {Style::Body, 308, 1468, width(308), "作成する拡縮画像の種類を指定します。"},
    {Style::Command, 16, 1514, 0, "4.作業条件最終確認"},
    {Style::Body, 228, 1532, width(228),
     "最後に、作業条件の最終確認画面が表示されます。［OK］を押すと「まとめて拡縮」が始まります。設"
     "定を変更したいときは"
     "［キャンセル］を押して、最初からやり直してください。"},
    {Style::Command, 16, 1693, 0, "5.作業の中止"},
    {Style::Body, 234, 1711, width(234),
     "作業を途中で中止したいときは、［Esc］キーを押し続けてください。処理中のファイルを仕上げたとこ"
     "ろで「まとめて拡縮」"
     "を終了します。"},

    // ---------------------------------------------------------------- 4
    {Style::Heading, 8, 1816, 0, "［ Skalomiについて ］"},
    {Style::SmallTitle, 16, 1842, 0, "【 著作権及び転載 】"},
    {Style::SmallText, 144, 1842, width(144),
     "Skalomiはフリーソフトウェアです。個人・法人を問わず、どなたでも無料でお使いいただけます。雑誌"
     "やウェブサイトへの"
     "転載・再配布もご自由にどうぞ。"},
    {Style::SmallTitle, 16, 1874, 0, "【 免責 】"},
    {Style::SmallText, 144, 1874, width(144),
     "本ソフトウェアの使用によって生じたいかなる損害についても、作者は一切の責任を負いません。ご自"
     "身の責任において"
     "お使いください。"},
    {Style::SmallTitle, 16, 1906, 0, "【 連絡先 】"},
    {Style::SmallText, 144, 1906, 0,
     "ご意見・ご質問などがありましたら、お気軽に下記までお寄せください。"},
    {Style::SmallText, 144, 1938, 0, "※返信が遅れる場合があります。あらかじめご了承ください。"},
};

const PictureItem kPictures[] = {
    {ManualPicture::OpenButton, kPictureLeft, 32},
    {ManualPicture::ShowSourceButton, kPictureLeft, 56},
    {ManualPicture::SaveSourceButton, kPictureLeft, 80},
    {ManualPicture::SaveScaledButton, kPictureLeft + 27, 80},
    {ManualPicture::ShowScaledButton, kPictureLeft, 104},
    {ManualPicture::AspectLockBox, kPictureLeft, 132},
    {ManualPicture::UnitPercent, kPictureLeft, 169},
    {ManualPicture::UnitPixel, kPictureLeft + 54, 169},
    {ManualPicture::SizeFieldsPercent, kPictureLeft, 200},
    {ManualPicture::SizeFieldsPixel, kPictureLeft, 252},
    {ManualPicture::CreateButton, kPictureLeft, 307},
    {ManualPicture::BatchButton, kPictureLeft, 344},
    {ManualPicture::TopmostBox, kPictureLeft, 381},
    {ManualPicture::HelpButton, kPictureLeft, 440},
    {ManualPicture::BrightnessBar, kPictureLeft, 468},
    {ManualPicture::ContrastBar, kPictureLeft, 505},
    {ManualPicture::RotationButton, kPictureLeft, 541},
    {ManualPicture::PopupMenu, 24, 666},
    {ManualPicture::DragSelection, 24, 760},
    {ManualPicture::FileDrop, 24, 836},
    {ManualPicture::SettingsConfirmation, kPictureLeft, 1011},
    {ManualPicture::OpenDialog, kPictureLeft, 1172},
    {ManualPicture::DestinationDialog, kPictureLeft, 1330},
    {ManualPicture::FinalConfirmation, kPictureLeft, 1532},
    {ManualPicture::ProgressWindow, kPictureLeft, 1711},
};

constexpr int kLinkGap = 16;
constexpr int kContactLeft = 144;
constexpr int kContactTop = 1922;

QLabel* addText(QWidget* page, Style style, int left, int top, int lineWidth, const QString& text) {
    auto* label = new QLabel(text, page);
    label->setTextFormat(Qt::PlainText);
    applyStyle(label, style);
    if (lineWidth > 0) {
        label->setWordWrap(true);
        label->setGeometry(left, top, lineWidth, label->heightForWidth(lineWidth));
    } else {
        label->move(left, top);
        label->adjustSize();
    }
    return label;
}

void addPicture(QWidget* page, const QPixmap& pixmap, int left, int top, const QString& name) {
    auto* label = new QLabel(page);
    label->setObjectName(name);
    label->setPixmap(pixmap);
    label->setGeometry(left, top, pixmap.width(), pixmap.height());
}

// The links to the other three sections, in the order of the sections,
// ending at the page's right margin.
void addLinkRow(QWidget* page, int section, const std::function<void(int)>& jump) {
    const auto& sections = ManualSections();
    const QFontMetrics metrics(fontOf(Style::Link));
    int right = kPageRight;
    for (int target = kManualSectionCount - 1; target >= 0; --target) {
        if (target == section) continue;
        auto* link = new TLinkLabel(sections[target].LinkText, page);
        link->setObjectName(QStringLiteral("Link%1To%2").arg(section + 1).arg(target + 1));
        applyStyle(link, Style::Link);
        link->adjustSize();
        link->move(right - link->width(), sections[section].LinkRowTop);
        right -= link->width() + kLinkGap;
        link->OnClick = [jump, target] { jump(target); };
    }
}

// The contact address after its label: selectable and copyable, not
// editable, without a frame, in maroon on the page's colour.
void addContactRow(QWidget* page) {
    QLabel* label =
        addText(page, Style::SmallText, kContactLeft, kContactTop, 0, QStringLiteral("E-mail："));
    auto* field = new QLineEdit(QStringLiteral("skalomi@example.com"), page);
    field->setObjectName(QStringLiteral("ContactAddress"));
    field->setReadOnly(true);
    field->setFrame(false);
    field->setFont(fontOf(Style::SmallText));
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, kMaroon);
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button})
        palette.setColor(role, kManualPageColor);
    field->setPalette(palette);
    field->setTextMargins(0, 0, 0, 0);
    const QFontMetrics metrics(field->font());
    const QSize size(metrics.horizontalAdvance(field->text()) + 8, metrics.height() + 2);
    field->setGeometry(label->geometry().right() + 3,
                       label->geometry().center().y() - size.height() / 2, size.width(),
                       size.height());
}

}  // namespace

const std::array<ManualSection, kManualSectionCount>& ManualSections() {
    static const std::array<ManualSection, kManualSectionCount> sections = {{
        {8, 0, 12, QStringLiteral("ツールバー操作")},
        {624, 616, 628, QStringLiteral("画像表示窓でのマウス操作")},
        {939, 931, 944, QStringLiteral("「まとめて拡縮」操作方法")},
        {1816, 1808, 1820, QStringLiteral("［ Skalomiについて ］")},
    }};
    return sections;
}

void BuildManualPage(QWidget* page, const ManualPictures& pictures,
                     const std::function<void(int)>& jump) {
    int heading = 0;
    for (const TextItem& item : kTexts) {
        QLabel* label = addText(page, item.style, item.left, item.top, item.width,
                                QString::fromUtf8(item.text));
        if (item.style == Style::Heading)
            label->setObjectName(QStringLiteral("Heading%1").arg(++heading));
    }
    for (const PictureItem& item : kPictures)
        addPicture(page, pictures[static_cast<int>(item.picture)], item.left, item.top,
                   ManualPictureName(item.picture));

    // The batch button in the gap of the batch section's heading, between
    // "まとめて拡縮" and "操作方法".
    const QFontMetrics heading3(fontOf(Style::Heading));
    const ManualSection& batch = ManualSections()[2];
    const QSize button = ManualPictureSize(ManualPicture::BatchHeadingButton);
    const int gapLeft = 8 + heading3.horizontalAdvance(QStringLiteral("　まとめて拡縮"));
    const int gapWidth = heading3.horizontalAdvance(QStringLiteral("　　　"));
    addPicture(page, pictures[static_cast<int>(ManualPicture::BatchHeadingButton)],
               gapLeft + (gapWidth - button.width()) / 2,
               batch.HeadingTop + (heading3.height() - button.height()) / 2,
               ManualPictureName(ManualPicture::BatchHeadingButton));

    for (int section = 0; section < kManualSectionCount; ++section) addLinkRow(page, section, jump);
    addContactRow(page);
}
