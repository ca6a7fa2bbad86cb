#include "help/form3.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/fonts.h"

TForm3::TForm3() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Skalomiヘルプ"));
    setFont(ProportionalFont(12));
    resize(618, 502);
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(255, 255, 224));
    setPalette(background);
}

void TForm3::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QWidget::showEvent(event);
}
