#include "output/form4.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/fonts.h"

TForm4::TForm4()
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("まとめて拡縮  保存フォルダ選択 ＆ ファイル名拡張子設定"));
    setFont(ProportionalFont(12));
    setFixedSize(472, 281);
}

void TForm4::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
}
