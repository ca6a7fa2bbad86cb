#include "app/window_kit/up_down.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

TUpDown::TUpDown(QLineEdit* buddy, QWidget* parent)
    : QWidget(parent), buddy_(buddy), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {up_, down_}) {
        button->setArrowType(button == up_ ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(15, 11);
        button->setIconSize(QSize(7, 5));
        layout->addWidget(button);
    }
    setFixedWidth(15);
    connect(up_, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
}

void TUpDown::Step(int delta) {
    bool ok = false;
    const int shown = buddy_->text().trimmed().toInt(&ok);
    if (ok) Position = std::clamp(shown, Min, Max);
    Position = std::clamp(Position + delta, Min, Max);
    if (WriteText) WriteText(QString::number(Position));
}
