#include "output/progress_window.h"

#include <qdrawutil.h>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>

#include "app/window_kit/fonts.h"

namespace {

constexpr int kClientWidth = 289;
constexpr int kClientHeight = 46;
constexpr int kBorder = 3;          // the raised dialog frame
constexpr int kCaptionHeight = 18;  // the caption bar inside it

}  // namespace

TForm2::TForm2()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::MSWindowsFixedSizeDialogHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("処理中"));
    setFont(ProportionalFont(12));
    setFixedSize(kClientWidth + 2 * kBorder, kClientHeight + kCaptionHeight + 2 * kBorder);

    ClientArea = new QWidget(this);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setGeometry(kBorder, kBorder + kCaptionHeight, kClientWidth, kClientHeight);

    Label1 = new QLabel(QStringLiteral("ただいま処理中です"), ClientArea);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(ProportionalFont(13, true));
    Label1->move(4, 4);
    Label1->adjustSize();

    Label2 = new QLabel(QStringLiteral("中止 = [Esc]を押し続ける"), ClientArea);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(ProportionalFont(12, true));
    QPalette maroon = Label2->palette();
    maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));
    Label2->setPalette(maroon);
    Label2->move(136, 6);
    Label2->adjustSize();
    Label2->hide();

    ProgressBar1 = new QProgressBar(ClientArea);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(0, 24, kClientWidth, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    // The kind is told to the window system once the window exists (on X11
    // the _NET_WM_WINDOW_TYPE property; elsewhere it changes nothing).
    winId();
    setAttribute(Qt::WA_X11NetWmWindowTypeSplash);
}

QRect TForm2::CaptionRect() const {
    return QRect(kBorder, kBorder, kClientWidth, kCaptionHeight);
}

void TForm2::ShowCentred() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    show();
}

void TForm2::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), false);
    const QRect caption = CaptionRect();
    painter.fillRect(caption, palette().color(QPalette::Active, QPalette::Highlight));
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(palette().color(QPalette::Active, QPalette::HighlightedText));
    const QRect text = caption.adjusted(4, 0, -4, 0);
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(windowTitle(), Qt::ElideRight, text.width()));
}

void TForm2::changeEvent(QEvent* event) {
    // The batch run changes the caption for every file.
    if (event->type() == QEvent::WindowTitleChange) update(CaptionRect());
    QWidget::changeEvent(event);
}

void TForm2::closeEvent(QCloseEvent* event) {
    // Nothing closes it but the run that showed it.
    event->ignore();
}
