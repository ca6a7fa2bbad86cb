#include "app/window_kit/main_controls.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "app/window_kit/fonts.h"
#include "app/window_kit/glyphs.h"
#include "app/window_kit/speed_button.h"
#include "app/window_kit/texts.h"
#include "app/window_kit/track_bar.h"
#include "app/window_kit/up_down.h"
#include "scale/scale_settings.h"

namespace {

const char kGlyphProperty[] = "ImageIndex";
constexpr int kToolButtonWidth = 27;

// A gap of `width` pixels in a tool bar; a divider draws a line in its middle.
QWidget* makeGap(int width, bool divider) {
    auto* gap = new QWidget;
    gap->setFixedWidth(width);
    if (divider) {
        auto* layout = new QHBoxLayout(gap);
        layout->setContentsMargins(0, 2, 0, 2);
        auto* line = new QFrame;
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        layout->addWidget(line, 0, Qt::AlignHCenter);
    }
    return gap;
}

void setLabelColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

QLabel* makeLabel(const QString& name, const QString& caption, const QString& hint, bool bold,
                  const QColor& color = QColor()) {
    auto* label = new QLabel(caption);
    label->setObjectName(name);
    label->setToolTip(hint);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    if (color.isValid()) setLabelColor(label, color);
    return label;
}

// A tool bar: its controls side by side from the left, without spacing, so
// the widths and gaps of the controls decide the layout.
QWidget* makeToolBar(QWidget* parent, const QString& name, int height) {
    auto* bar = new QWidget(parent);
    bar->setObjectName(name);
    bar->setFixedHeight(height);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return bar;
}

void addToBar(QWidget* bar, QWidget* control) {
    static_cast<QHBoxLayout*>(bar->layout())->addWidget(control);
}

void endBar(QWidget* bar) {
    static_cast<QHBoxLayout*>(bar->layout())->addStretch(1);
}

}  // namespace

QFont MainWindowFont() {
    return ProportionalFont(12);
}

QColor ViewBackgroundColor() {
    return QApplication::palette().color(QPalette::Dark);
}

int GlyphIndexOf(const QToolButton* button) {
    return button->property(kGlyphProperty).toInt();
}

void SetGlyphIndex(QToolButton* button, int index) {
    button->setProperty(kGlyphProperty, index);
    button->setIcon(GlyphIcon(index));
}

void TMainControls::BuildToolBar1(QWidget* parent) {
    ToolBar1 = makeToolBar(parent, QStringLiteral("ToolBar1"), 28);
    ToolBar1->setFont(FixedFont(12, true));

    const auto toolButton = [this](const QString& name, int glyph, const QString& hint,
                                   bool enabled) {
        auto* button = new QToolButton;
        button->setObjectName(name);
        SetGlyphIndex(button, glyph);
        button->setToolTip(hint);
        button->setEnabled(enabled);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedWidth(kToolButtonWidth);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setIconSize(QSize(kGlyphSize, kGlyphSize));
        button->setFixedHeight(22);
        addToBar(ToolBar1, button);
        return button;
    };

    addToBar(ToolBar1, makeGap(4, false));
    ToolButton1 = toolButton(QStringLiteral("ToolButton1"), 0, texts::HintOpen, true);
    addToBar(ToolBar1, makeGap(8, false));
    ToolButton5 = toolButton(QStringLiteral("ToolButton5"), 2, texts::HintShowSource, false);
    ToolButton5->setCheckable(true);
    ToolButton2 = toolButton(QStringLiteral("ToolButton2"), 1, texts::HintSaveScaled, false);
    ToolButton6 = toolButton(QStringLiteral("ToolButton6"), 4, texts::HintShowScaled, false);
    ToolButton6->setCheckable(true);
    // The two view buttons act as a radio pair.
    auto* viewGroup = new QButtonGroup(ToolBar1);
    viewGroup->setExclusive(true);
    viewGroup->addButton(ToolButton5);
    viewGroup->addButton(ToolButton6);
    addToBar(ToolBar1, makeGap(16, true));

    CheckBox1 = new QCheckBox;
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    SetCaptionWithoutShortcut(CheckBox1, texts::CaptionAspectLock);
    CheckBox1->setToolTip(texts::HintAspectLock);
    CheckBox1->setChecked(true);
    CheckBox1->setFocusPolicy(Qt::ClickFocus);  // no tab stop
    CheckBox1->setFixedWidth(84);
    addToBar(ToolBar1, CheckBox1);
    addToBar(ToolBar1, makeGap(8, false));

    Label2 = makeLabel(QStringLiteral("Label2"), texts::LabelHorzPercent, texts::HintHorz, true);
    Label2->setFixedWidth(40);
    addToBar(ToolBar1, Label2);
    Edit1 = new QLineEdit(QStringLiteral("100"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setToolTip(texts::HintHorz);
    Edit1->setFont(FixedFont(13));
    Edit1->setFixedWidth(35);
    addToBar(ToolBar1, Edit1);
    UpDown1 = new TUpDown(Edit1);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setToolTip(texts::HintHorz);
    addToBar(ToolBar1, UpDown1);
    addToBar(ToolBar1, makeGap(8, false));

    Label3 = makeLabel(QStringLiteral("Label3"), texts::LabelVertPercent, texts::HintVert, true);
    Label3->setFixedWidth(40);
    addToBar(ToolBar1, Label3);
    Edit2 = new QLineEdit(QStringLiteral("100"));
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setToolTip(texts::HintVert);
    Edit2->setFont(FixedFont(13));
    Edit2->setFixedWidth(35);
    addToBar(ToolBar1, Edit2);
    UpDown2 = new TUpDown(Edit2);
    UpDown2->setObjectName(QStringLiteral("UpDown2"));
    UpDown2->setToolTip(texts::HintVert);
    addToBar(ToolBar1, UpDown2);

    SpeedButton1 = new TSpeedButton;
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setToolTip(texts::HintUnit);
    SpeedButton1->setFixedWidth(52);
    QFont bold = SpeedButton1->font();
    bold.setBold(true);
    SpeedButton1->setFont(bold);
    addToBar(ToolBar1, SpeedButton1);
    ShowScaleUnit(true);
    addToBar(ToolBar1, makeGap(16, true));

    ToolButton10 = toolButton(QStringLiteral("ToolButton10"), 3, texts::HintCreate, false);
    addToBar(ToolBar1, makeGap(6, false));
    ToolButton12 = toolButton(QStringLiteral("ToolButton12"), 6, texts::HintBatch, true);
    // Its caption is not shown on this bar and is no mnemonic: "M" is a key
    // of the character layer.
    ToolButton12->setText(texts::CaptionBatchButton);
    ToolButton12->setShortcut(QKeySequence());
    addToBar(ToolBar1, makeGap(16, true));

    CheckBox2 = new QCheckBox;
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    SetCaptionWithoutShortcut(CheckBox2, texts::CaptionTopmost);
    CheckBox2->setToolTip(texts::HintTopmost);
    CheckBox2->setChecked(false);
    CheckBox2->setFocusPolicy(Qt::ClickFocus);
    CheckBox2->setFixedWidth(56);
    addToBar(ToolBar1, CheckBox2);
    addToBar(ToolBar1, makeGap(7, false));
    ToolButton14 = toolButton(QStringLiteral("ToolButton14"), 7, texts::HintHelp, true);
    endBar(ToolBar1);
}

void TMainControls::BuildToolBar2(QWidget* parent) {
    ToolBar2 = makeToolBar(parent, QStringLiteral("ToolBar2"), 29);

    addToBar(ToolBar2, makeGap(8, false));
    Label6 =
        makeLabel(QStringLiteral("Label6"), QStringLiteral("明るさ"), texts::HintBrightness, true);
    addToBar(ToolBar2, Label6);
    addToBar(ToolBar2, makeGap(4, false));
    Label7 = makeLabel(QStringLiteral("Label7"), QStringLiteral("暗"), texts::HintBrightness, true,
                       QColor(0, 0, 128));
    addToBar(ToolBar2, Label7);
    TrackBar2 = new TTrackBar;
    TrackBar2->setObjectName(QStringLiteral("TrackBar2"));
    TrackBar2->setToolTip(texts::HintBrightness);
    TrackBar2->setRange(0, 20);
    TrackBar2->setValue(10);
    TrackBar2->SetSelection(10, 10);
    TrackBar2->setFixedWidth(150);
    addToBar(ToolBar2, TrackBar2);
    Label8 = makeLabel(QStringLiteral("Label8"), QStringLiteral("明"), texts::HintBrightness, true,
                       QColor(0, 255, 255));
    addToBar(ToolBar2, Label8);
    addToBar(ToolBar2, makeGap(16, true));

    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("コントラスト"),
                       texts::HintContrast, true);
    addToBar(ToolBar2, Label1);
    addToBar(ToolBar2, makeGap(4, false));
    Label4 = makeLabel(QStringLiteral("Label4"), QStringLiteral("通常"), texts::HintContrast, false,
                       QColor(0, 0, 255));
    addToBar(ToolBar2, Label4);
    TrackBar1 = new TTrackBar;
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setToolTip(texts::HintContrast);
    TrackBar1->setRange(0, 20);
    TrackBar1->setValue(0);
    TrackBar1->SetSelection(0, 0);
    TrackBar1->setFixedWidth(150);
    addToBar(ToolBar2, TrackBar1);
    Label5 = makeLabel(QStringLiteral("Label5"), QStringLiteral("強調"), texts::HintContrast, true,
                       QColor(0, 0, 255));
    addToBar(ToolBar2, Label5);
    addToBar(ToolBar2, makeGap(16, true));

    ToolButton22 = new QToolButton;
    ToolButton22->setObjectName(QStringLiteral("ToolButton22"));
    SetGlyphIndex(ToolButton22, kRotate0);
    ToolButton22->setToolTip(texts::HintRotation);
    ToolButton22->setAutoRaise(true);
    ToolButton22->setFocusPolicy(Qt::NoFocus);
    ToolButton22->setFixedSize(kToolButtonWidth, 22);
    ToolButton22->setIconSize(QSize(kGlyphSize, kGlyphSize));
    addToBar(ToolBar2, ToolButton22);
    QWidget* narrow = makeGap(4, false);
    narrow->setToolTip(texts::HintRotation);
    addToBar(ToolBar2, narrow);
    Label9 = makeLabel(QStringLiteral("Label9"), QStringLiteral("回転（0度）"), texts::HintRotation,
                       true);
    Label9->setMinimumWidth(60);
    addToBar(ToolBar2, Label9);
    endBar(ToolBar2);
}

void TMainControls::BuildMenu(QWidget* parent) {
    PopupMenu1 = new QMenu(parent);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Paste1 = PopupMenu1->addAction(texts::MenuPaste);
    Paste1->setObjectName(QStringLiteral("Paste1"));
    copy0 = PopupMenu1->addAction(texts::MenuCopySource);
    copy0->setObjectName(QStringLiteral("copy0"));
    copy0->setEnabled(false);
    N1 = PopupMenu1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    copy1 = PopupMenu1->addAction(texts::MenuCopyScaled);
    copy1->setObjectName(QStringLiteral("copy1"));
    copy1->setEnabled(false);
}

bool TMainControls::UnitIsPercent() const {
    return SpeedButton1->Caption() == texts::CaptionPercent;
}

void TMainControls::ShowScaleUnit(bool percent) {
    const QColor color = percent ? QColor(0, 0, 0) : QColor(128, 0, 0);
    SpeedButton1->SetMargin(percent ? 4 : 0);
    SpeedButton1->SetCaption(percent ? texts::CaptionPercent : texts::CaptionPixel);
    SpeedButton1->SetFontColor(color);
    Label2->setText(percent ? texts::LabelHorzPercent : texts::LabelHorzPixel);
    Label3->setText(percent ? texts::LabelVertPercent : texts::LabelVertPixel);
    setLabelColor(Label2, color);
    setLabelColor(Label3, color);
}
