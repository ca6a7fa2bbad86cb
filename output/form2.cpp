#include "output/form2.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include "app/fonts.h"

TForm2::TForm2()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("処理中"));
    setFont(ProportionalFont(12));
    setFixedSize(289, 46);

    Label1 = new QLabel(QStringLiteral("ただいま処理中です"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(ProportionalFont(13, true));
    Label1->move(4, 4);
    Label1->adjustSize();

    Label2 = new QLabel(QStringLiteral("中止 = [Esc]を押し続ける"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(ProportionalFont(12, true));
    QPalette maroon = Label2->palette();
    maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));
    Label2->setPalette(maroon);
    Label2->move(136, 6);
    Label2->adjustSize();
    Label2->hide();

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(0, 24, 289, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
}

void TForm2::ShowCentred() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    show();
}
