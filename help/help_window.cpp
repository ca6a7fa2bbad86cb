#include "help/help_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/window_kit/fonts.h"
#include "app/window_kit/platform.h"
#include "app/window_kit/wheel_scroll.h"
#include "help/manual_page.h"
#include "help/manual_pictures.h"

TForm3::TForm3(HelpWindowHost& mainWindow) : QWidget(nullptr, Qt::Window), mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Skalomiヘルプ"));
    setFont(ProportionalFont(12));
    resize(618, 502);
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, kManualPageColor);
    setPalette(background);

    ScrollBox = new QScrollArea(this);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setFrameShape(QFrame::NoFrame);
    ScrollBox->setWidgetResizable(false);
    ScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScrollBox->verticalScrollBar()->setTracking(true);
    ScrollBox->viewport()->setAutoFillBackground(true);

    Panel = new QWidget;
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setAutoFillBackground(true);
    Panel->setFixedSize(kManualPageSize);
    ScrollBox->setWidget(Panel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ScrollBox);

    // Wheel turns anywhere over the window come to FormMouseWheel: over the
    // page they reach the viewport, over the bars the bars themselves.
    for (QWidget* receiver : {static_cast<QWidget*>(ScrollBox->viewport()),
                              static_cast<QWidget*>(ScrollBox->verticalScrollBar()),
                              static_cast<QWidget*>(ScrollBox->horizontalScrollBar())})
        receiver->installEventFilter(this);
}

void TForm3::BuildPage() {
    if (pageBuilt_) return;
    pageBuilt_ = true;
    BuildManualPage(Panel, RenderManualPictures(), [this](int section) { JumpTo(section); });
}

void TForm3::JumpTo(int section) {
    switch (section) {
        case 0:
            ToolBarClick();
            break;
        case 1:
            MouseOperationClick();
            break;
        case 2:
            MaometeClick();
            break;
        case 3:
            AboutClick();
            break;
        default:
            break;
    }
}

// The bar keeps each position within its range: at the window's first size
// the page cannot scroll as far as the last section's, and that link shows
// the end of the page.
void TForm3::ToolBarClick() {
    ScrollBox->verticalScrollBar()->setValue(ManualSections()[0].JumpPosition);
}

void TForm3::MouseOperationClick() {
    ScrollBox->verticalScrollBar()->setValue(ManualSections()[1].JumpPosition);
}

void TForm3::MaometeClick() {
    ScrollBox->verticalScrollBar()->setValue(ManualSections()[2].JumpPosition);
}

void TForm3::AboutClick() {
    ScrollBox->verticalScrollBar()->setValue(ManualSections()[3].JumpPosition);
}

void TForm3::FormMouseWheel(int wheelDelta) {
    ScrollByWheel(ScrollBox->verticalScrollBar(), wheelDelta);
}

void TForm3::FormClose() {
    // The window keeps the main window's stay-on-top choice for itself.
    mainWindow_.platform().SetTopmost(this, mainWindow_.StaysOnTop());
}

void TForm3::closeEvent(QCloseEvent* event) {
    mainWindow_.Guarded([this] { FormClose(); });
    // Closing hides the window; it lives as long as the program.
    event->accept();
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->angleDelta().y() != 0) {
            FormMouseWheel(wheel->angleDelta().y());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm3::setVisible(bool visible) {
    if (visible) BuildPage();
    QWidget::setVisible(visible);
}

void TForm3::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QWidget::showEvent(event);
}
