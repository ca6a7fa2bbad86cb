#include "app/form1.h"

#include <cmath>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/dat_file.h"
#include "app/fonts.h"
#include "app/general_error.h"
#include "app/glyphs.h"
#include "app/image_view.h"
#include "app/speed_button.h"
#include "app/texts.h"
#include "app/track_bar.h"
#include "app/up_down.h"
#include "help/form3.h"
#include "output/form2.h"
#include "output/form4.h"

namespace {

const char kGlyphProperty[] = "ImageIndex";
constexpr int kToolButtonWidth = 27;
constexpr int kMinimumWidth = 658;

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

QLabel* makeLabel(const QString& name, const QString& caption, const QString& hint, bool bold,
                  const QColor& color = QColor()) {
    auto* label = new QLabel(caption);
    label->setObjectName(name);
    label->setToolTip(hint);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    if (color.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        label->setPalette(palette);
    }
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

void endBar(QWidget* bar) { static_cast<QHBoxLayout*>(bar->layout())->addStretch(1); }

}  // namespace

int GlyphIndexOf(const QToolButton* button) { return button->property(kGlyphProperty).toInt(); }

void SetGlyphIndex(QToolButton* button, int index) {
    button->setProperty(kGlyphProperty, index);
    button->setIcon(GlyphIcon(index));
}

TForm1::TForm1(Platform& platform, QWidget* parent) : QWidget(parent), platform_(platform) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(texts::ApplicationTitle);
    setFont(ProportionalFont(12));
    BuildToolBar1();
    BuildToolBar2();
    BuildView();
    BuildMenu();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(ToolBar1);
    layout->addWidget(ToolBar2);
    layout->addWidget(ScrollBox1, 1);

    setMinimumWidth(kMinimumWidth);
    resize(kMinimumWidth, 418);

    FormCreate();
}

void TForm1::FormCreate() {
    // Files dropped from a file manager: the drag events of every control of
    // the window come here first (eventFilter).
    setAcceptDrops(true);
    qApp->installEventFilter(this);

    ScreenColors = platform_.ScreenColors();
    HorzValue = 100;
    VertValue = 100;
    SelectState = 0;
    BatchAbort = 0;
    SourceDIB = TDIB();
    ScaledDIB = TDIB();
    TitleBase = windowTitle();
    OpenPictureDialog1.Title = texts::OpenDialogTitle;
    OpenPictureDialog1.Filter = texts::OpenDialogFilter;
    OpenDialogTitle = OpenPictureDialog1.Title;
    SaveDialog1.DefaultExt = QStringLiteral("bmp");
    SaveDialog1.Filter = texts::SaveDialogFilter;
    SaveDialog1.FilterIndex = 2;
    SaveDialog1.OverwritePrompt = true;
    Tables = ResampleTables();
}

void TForm1::BuildToolBar1() {
    ToolBar1 = makeToolBar(this, QStringLiteral("ToolBar1"), 28);
    ToolBar1->setFont(FixedFont(12, true));

    const auto toolButton = [this](const QString& name, int glyph, const QString& hint, bool enabled) {
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
    viewGroup_ = new QButtonGroup(this);
    viewGroup_->setExclusive(true);
    viewGroup_->addButton(ToolButton5);
    viewGroup_->addButton(ToolButton6);
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

    auto* unitButton = new TSpeedButton;
    SpeedButton1 = nullptr;
    unitButton->setObjectName(QStringLiteral("SpeedButton1"));
    unitButton->SetCaption(texts::CaptionPercent);
    unitButton->SetMargin(4);
    unitButton->setToolTip(texts::HintUnit);
    unitButton->setFixedWidth(52);
    QFont bold = unitButton->font();
    bold.setBold(true);
    unitButton->setFont(bold);
    addToBar(ToolBar1, unitButton);
    SpeedButton1 = unitButton;
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

    connect(ToolButton1, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton1Click(); }); });
    connect(ToolButton5, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton5Click(); }); });
    connect(ToolButton2, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton2Click(); }); });
    connect(ToolButton6, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton6Click(); }); });
    connect(ToolButton10, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton10Click(); }); });
    connect(ToolButton12, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton12Click(); }); });
    connect(ToolButton14, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton14Click(); }); });
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { Guarded([this] { CheckBox1Click(); }); });
    connect(CheckBox2, &QCheckBox::clicked, this, [this] { Guarded([this] { CheckBox2Click(); }); });
    connect(SpeedButton1, &QAbstractButton::clicked, this, [this] { Guarded([this] { SpeedButton1Click(); }); });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { Guarded([this] { Edit1Change(); }); });
    connect(Edit2, &QLineEdit::textChanged, this, [this] { Guarded([this] { Edit2Change(); }); });
    UpDown1->WriteText = [this](const QString& text) { Guarded([&] { SetFieldText(Edit1, text); }); };
    UpDown2->WriteText = [this](const QString& text) { Guarded([&] { SetFieldText(Edit2, text); }); };
}

void TForm1::BuildToolBar2() {
    ToolBar2 = makeToolBar(this, QStringLiteral("ToolBar2"), 29);

    addToBar(ToolBar2, makeGap(8, false));
    Label6 = makeLabel(QStringLiteral("Label6"), QStringLiteral("明るさ"), texts::HintBrightness, true);
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

    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("コントラスト"), texts::HintContrast, true);
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
    Label9 = makeLabel(QStringLiteral("Label9"), QStringLiteral("回転（0度）"), texts::HintRotation, true);
    Label9->setMinimumWidth(60);
    addToBar(ToolBar2, Label9);
    endBar(ToolBar2);

    connect(TrackBar1, &QSlider::valueChanged, this, [this] { Guarded([this] { TrackBar1Change(); }); });
    connect(TrackBar2, &QSlider::valueChanged, this, [this] { Guarded([this] { TrackBar2Change(); }); });
    connect(ToolButton22, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton22Click(); }); });
}

void TForm1::BuildView() {
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFocusPolicy(Qt::StrongFocus);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette shadow = ScrollBox1->palette();
    shadow.setColor(QPalette::Window, palette().color(QPalette::Dark));
    ScrollBox1->viewport()->setPalette(shadow);
    ScrollBox1->viewport()->setAutoFillBackground(true);
    ScrollBox1->horizontalScrollBar()->setTracking(true);
    ScrollBox1->verticalScrollBar()->setTracking(true);

    viewCanvas_ = new QWidget;
    viewCanvas_->setObjectName(QStringLiteral("ViewCanvas"));
    viewCanvas_->resize(0, 0);
    Image1 = new TImage(viewCanvas_);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->SetAutoSize(true);
    Image1->move(0, 0);
    Image2 = new TImage(viewCanvas_);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->SetAutoSize(false);
    Image2->move(0, 0);
    Image2->hide();
    ScrollBox1->setWidget(viewCanvas_);

    const auto click = [this] { Guarded([this] { ScrollBox1Click(); }); };
    Image1->OnClick = click;
    Image2->OnClick = click;
    Image1->OnMouseDown = [this](Qt::MouseButton b, int x, int y) { Guarded([&] { Image1MouseDown(b, x, y); }); };
    Image1->OnMouseMove = [this](Qt::MouseButtons b, int x, int y) { Guarded([&] { Image1MouseMove(b, x, y); }); };
    Image1->OnMouseUp = [this](Qt::MouseButton b, int x, int y) { Guarded([&] { Image1MouseUp(b, x, y); }); };
    Image1->OnDblClick = [this] { Guarded([this] { Image1DblClick(); }); };
}

void TForm1::BuildMenu() {
    PopupMenu1 = new QMenu(this);
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
    connect(Paste1, &QAction::triggered, this, [this] { Guarded([this] { Paste1Click(); }); });
    connect(copy0, &QAction::triggered, this, [this] { Guarded([this] { Copy0Click(); }); });
    connect(copy1, &QAction::triggered, this, [this] { Guarded([this] { Copy1Click(); }); });

    ScrollBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ScrollBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(ScrollBox1->mapToGlobal(at)); });
}

TForm1::~TForm1() {
    // FormDestroy: the batch dialog's file list keeps its column layout in a
    // file named like the executable with ".dat"; none is left behind.
    const QString dat = DatFilePath(QCoreApplication::applicationFilePath());
    if (!dat.isEmpty() && QFileInfo(dat).isFile()) QFile::remove(dat);
    qApp->removeEventFilter(this);
}

void TForm1::Guarded(const std::function<void()>& handler) {
    if (handlerDepth_ > 0) {
        // A handler run by another one: the outer one reports.
        handler();
        return;
    }
    ++handlerDepth_;
    try {
        handler();
    } catch (...) {
        --handlerDepth_;
        platform_.ShowMessage(this, GeneralErrorText(CurrentExceptionMessage()), texts::ApplicationTitle,
                              MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    --handlerDepth_;
}

void TForm1::FocusView() { ScrollBox1->setFocus(Qt::OtherFocusReason); }

void TForm1::UpdateViewRange() {
    // The scroll range follows the picture that is shown.
    const TImage* shown = Image2->isVisibleTo(viewCanvas_) ? Image2 : Image1;
    viewCanvas_->resize(shown->size());
}

bool TForm1::IsOwnWidget(QObject* object) const {
    const auto* widget = qobject_cast<QWidget*>(object);
    return widget != nullptr && widget->window() == this;
}

// ------------------------------------------------------------- stay on top

void TForm1::CheckBox2Click() {
    platform_.SetTopmost(this, CheckBox2->isChecked());
    FocusView();
}

void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Whenever the window becomes the active one, the box is applied again,
    // so a topmost state another command took away comes back.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Guarded([this] { CheckBox2Click(); });
}

// ------------------------------------------------------------------- view

void TForm1::ScrollBox1Click() { FocusView(); }

void TForm1::ScrollBox1MouseWheel(int wheelDelta) {
    QScrollBar* bar = ScrollBox1->verticalScrollBar();
    const long double step = std::nearbyint(static_cast<long double>(wheelDelta) / 5.0L);
    bar->setValue(bar->value() - static_cast<int>(step));
}

bool TForm1::HandleWheel(QWheelEvent* event) {
    QWidget* focus = focusWidget();
    if (focus == ScrollBox1) {
        ScrollBox1MouseWheel(event->angleDelta().y());
    } else if (focus != nullptr && qobject_cast<QSlider*>(focus) != nullptr) {
        // Wheel turns go to the focused control, wherever the pointer is.
        QWheelEvent copy(focus->mapFromGlobal(event->globalPosition()), event->globalPosition(),
                         event->pixelDelta(), event->angleDelta(), event->buttons(), event->modifiers(),
                         event->phase(), event->inverted());
        forwardingWheel_ = true;
        QApplication::sendEvent(focus, &copy);
        forwardingWheel_ = false;
    }
    return true;
}

// ----------------------------------------------------------- other windows

void TForm1::ToolButton14Click() {
    platform_.SetTopmost(this, false);
    if (!Form3) return;
    Form3->show();
    platform_.BringToFront(Form3);
}

void TForm1::ToolButton12Click() {
    // The batch run drives this dialog; for now it shows what exists.
    if (Form4) Form4->exec();
}

// ---------------------------------------------------------------- closing

void TForm1::FormClose() {
    Tables.IndexTable.clear();
    Tables.IndexTable.shrink_to_fit();
    Tables.FracTable.clear();
    Tables.FracTable.shrink_to_fit();
    SourceDIB.AssignNothing();
    ScaledDIB.AssignNothing();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (scaleRunning_) {
        event->ignore();
        return;
    }
    Guarded([this] { FormClose(); });
    event->accept();
    // Closing the main window ends the program, whatever else is open.
    QCoreApplication::quit();
}

// ------------------------------------------------------------ event filter

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            if (!IsOwnWidget(watched)) break;
            // Keys go to the focused control first and then up its parents;
            // the layers see each key once, at the control that has the focus.
            QWidget* focus = focusWidget();
            if (watched != (focus ? focus : this)) break;
            bool taken = true;
            Guarded([&] { taken = HandleKeyPress(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event)); });
            return taken;
        }
        case QEvent::MouseButtonRelease:
            // A click on the view's empty area; the pictures report theirs.
            if (watched == ScrollBox1->viewport() &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                Guarded([this] { ScrollBox1Click(); });
            break;
        case QEvent::Wheel:
            if (forwardingWheel_ || !IsOwnWidget(watched)) break;
            Guarded([&] { HandleWheel(static_cast<QWheelEvent*>(event)); });
            return true;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            if (!IsOwnWidget(watched)) break;
            if (scaleRunning_) {
                event->ignore();
                return true;
            }
            auto* drag = static_cast<QDropEvent*>(event);
            if (!drag->mimeData()->hasUrls()) break;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            if (!IsOwnWidget(watched)) break;
            if (scaleRunning_) {
                event->ignore();
                return true;
            }
            auto* drop = static_cast<QDropEvent*>(event);
            if (!drop->mimeData()->hasUrls()) break;
            QStringList paths;
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile()) paths << url.toLocalFile();
            drop->acceptProposedAction();
            Guarded([&] { WMDropFiles(paths); });
            return true;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}
