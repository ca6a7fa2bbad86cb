#include "app/window_kit/speed_button.h"

#include <QKeySequence>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

void SetCaptionWithoutShortcut(QAbstractButton* button, const QString& caption) {
    button->setText(caption);
    button->setShortcut(QKeySequence());
}

TSpeedButton::TSpeedButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void TSpeedButton::SetCaption(const QString& caption) {
    SetCaptionWithoutShortcut(this, caption);
}

void TSpeedButton::SetMargin(int margin) {
    margin_ = margin;
    update();
}

QColor TSpeedButton::FontColor() const {
    return palette().color(QPalette::ButtonText);
}

void TSpeedButton::SetFontColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::ButtonText, color);
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

QSize TSpeedButton::sizeHint() const {
    return QSize(52, 22);
}

void TSpeedButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionToolButton option;
    option.initFrom(this);
    option.state |= QStyle::State_AutoRaise;
    if (isDown()) option.state |= QStyle::State_Sunken;
    if (isDown() || underMouse()) {
        option.state |= QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);
    }
    // The mnemonic letter is underlined as the platform shows it.
    const QRect area = rect().adjusted(margin_ + 2, 0, 0, 0);
    painter.setPen(FontColor());
    painter.setClipRect(rect());
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                          palette(), isEnabled(), text(), QPalette::ButtonText);
}
