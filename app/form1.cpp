#include "app/form1.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
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
#include "app/window_kit/background_work.h"
#include "app/window_kit/fonts.h"
#include "app/window_kit/general_error.h"
#include "app/window_kit/glyphs.h"
#include "app/window_kit/image_view.h"
#include "app/window_kit/speed_button.h"
#include "app/window_kit/texts.h"
#include "app/window_kit/track_bar.h"
#include "app/window_kit/up_down.h"
#include "app/window_kit/wheel_scroll.h"
#include "help/help_window.h"
#include "output/progress_window.h"

namespace {

constexpr int kMinimumWidth = 658;

}  // namespace

TForm1::TForm1(Platform& platform, QWidget* parent) : QWidget(parent), platform_(platform) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(texts::ApplicationTitle);
    setFont(MainWindowFont());
    BuildToolBar1(this);
    ConnectToolBar1();
    BuildToolBar2(this);
    ConnectToolBar2();
    BuildView();
    BuildMenu(this);
    ConnectMenu();

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

void TForm1::ConnectToolBar1() {
    connect(ToolButton1, &QToolButton::clicked, this,
            [this] { Guarded([this] { ToolButton1Click(); }); });
    connect(ToolButton5, &QToolButton::clicked, this,
            [this] { Guarded([this] { ToolButton5Click(); }); });
    connect(ToolButton2, &QToolButton::clicked, this,
            [this] { Guarded([this] { ToolButton2Click(); }); });
    connect(ToolButton6, &QToolButton::clicked, this,
            [this] { Guarded([this] { ToolButton6Click(); }); });
    connect(ToolButton10, &QToolButton::clicked, this,
            [this] { Guarded([this] { ToolButton10Click(); }); });
    connect(ToolButton12, &QToolButton::clicked, this,
            [this] { Guarded([this] { ToolButton12Click(); }); });
    connect(ToolButton14, &QToolButton::clicked, this,
            [this] { Guarded([this] { ToolButton14Click(); }); });
    connect(CheckBox1, &QCheckBox::clicked, this,
            [this] { Guarded([this] { CheckBox1Click(); }); });
    connect(CheckBox2, &QCheckBox::clicked, this,
            [this] { Guarded([this] { CheckBox2Click(); }); });
    connect(SpeedButton1, &QAbstractButton::clicked, this,
            [this] { Guarded([this] { SpeedButton1Click(); }); });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { Guarded([this] { Edit1Change(); }); });
    connect(Edit2, &QLineEdit::textChanged, this, [this] { Guarded([this] { Edit2Change(); }); });
    UpDown1->WriteText = [this](const QString& text) {
        Guarded([&] { SetFieldText(Edit1, text); });
    };
    UpDown2->WriteText = [this](const QString& text) {
        Guarded([&] { SetFieldText(Edit2, text); });
    };
}

void TForm1::ConnectToolBar2() {
    connect(TrackBar1, &QSlider::valueChanged, this,
            [this] { Guarded([this] { TrackBar1Change(); }); });
    connect(TrackBar2, &QSlider::valueChanged, this,
            [this] { Guarded([this] { TrackBar2Change(); }); });
    connect(ToolButton22, &QToolButton::clicked, this,
            [this] { Guarded([this] { ToolButton22Click(); }); });
}

void TForm1::BuildView() {
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFocusPolicy(Qt::StrongFocus);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette shadow = ScrollBox1->palette();
    shadow.setColor(QPalette::Window, ViewBackgroundColor());
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
    Image1->OnMouseDown = [this](Qt::MouseButton b, int x, int y) {
        Guarded([&] { Image1MouseDown(b, x, y); });
    };
    Image1->OnMouseMove = [this](Qt::MouseButtons b, int x, int y) {
        Guarded([&] { Image1MouseMove(b, x, y); });
    };
    Image1->OnMouseUp = [this](Qt::MouseButton b, int x, int y) {
        Guarded([&] { Image1MouseUp(b, x, y); });
    };
    Image1->OnDblClick = [this] { Guarded([this] { Image1DblClick(); }); };
}

void TForm1::ConnectMenu() {
    connect(Paste1, &QAction::triggered, this, [this] { Guarded([this] { Paste1Click(); }); });
    connect(copy0, &QAction::triggered, this, [this] { Guarded([this] { Copy0Click(); }); });
    connect(copy1, &QAction::triggered, this, [this] { Guarded([this] { Copy1Click(); }); });

    ScrollBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ScrollBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(ScrollBox1->mapToGlobal(at)); });
}

TForm1::~TForm1() {
    // FormDestroy: the batch dialog's file list keeps its column layout in a
    // file named like the executable with ".dat"; the one this run wrote is
    // not left behind, and one it did not write is not ours to delete.
    ExecutableDatFile().RemoveIfWrittenByThisRun();
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
        platform_.ShowMessage(this, GeneralErrorText(CurrentExceptionMessage()),
                              texts::ApplicationTitle, MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    --handlerDepth_;
}

void TForm1::FocusView() {
    ScrollBox1->setFocus(Qt::OtherFocusReason);
}

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
    // so a topmost state another command took away comes back. An
    // activation during long work waits for the command's end, as every
    // other event would where the work holds the thread: the command has
    // taken the window out of the top layer for its progress window.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        WhenNoBackgroundWork(this, [this] {
            if (isActiveWindow()) Guarded([this] { CheckBox2Click(); });
        });
}

// ------------------------------------------------------------------- view

void TForm1::ScrollBox1Click() {
    FocusView();
}

void TForm1::ScrollBox1MouseWheel(int wheelDelta) {
    ScrollByWheel(ScrollBox1->verticalScrollBar(), wheelDelta);
}

bool TForm1::HandleWheel(QWheelEvent* event) {
    QWidget* focus = focusWidget();
    if (focus == ScrollBox1) {
        ScrollBox1MouseWheel(event->angleDelta().y());
    } else if (focus != nullptr && qobject_cast<QSlider*>(focus) != nullptr) {
        // Wheel turns go to the focused control, wherever the pointer is.
        QWheelEvent copy(focus->mapFromGlobal(event->globalPosition()), event->globalPosition(),
                         event->pixelDelta(), event->angleDelta(), event->buttons(),
                         event->modifiers(), event->phase(), event->inverted());
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

// ---------------------------------------------------------------- closing

void TForm1::FormClose() {
    Tables.IndexTable.clear();
    Tables.IndexTable.shrink_to_fit();
    Tables.FracTable.clear();
    Tables.FracTable.shrink_to_fit();
    SourceDIB.AssignNothing();
    ScaledDIB.AssignNothing();
}

bool TForm1::refusesCloseAndDrop() const {
    return scaleRunning_ || batchRunning_ || BackgroundWorkRunning();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (refusesCloseAndDrop()) {
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
            Guarded([&] {
                taken =
                    HandleKeyPress(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event));
            });
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
            if (refusesCloseAndDrop()) {
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
            if (refusesCloseAndDrop()) {
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
