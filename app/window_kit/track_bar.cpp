#include "app/window_kit/track_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

TTrackBar::TTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(1);
    setPageStep(1);
    setSingleStep(1);
}

void TTrackBar::SetSelection(int start, int end) {
    if (start == selStart_ && end == selEnd_) return;
    selStart_ = start;
    selEnd_ = end;
    update();
}

void TTrackBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);

    // The ticks from the style; the channel drawn here, white with a sunken
    // edge and the highlighted range in it, then the thumb on top.
    option.subControls = QStyle::SC_SliderTickmarks;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);

    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    const auto xOf = [&](int value) {
        return groove.left() + handle.width() / 2 +
               QStyle::sliderPositionFromValue(minimum(), maximum(), value, span);
    };
    const int midY = groove.center().y();
    const QRect channel(QPoint(groove.left() + handle.width() / 2 - 4, midY - 3),
                        QPoint(groove.right() - handle.width() / 2 + 4, midY + 2));
    painter.fillRect(channel, palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(channel.topLeft(), channel.topRight());
    painter.drawLine(channel.topLeft(), channel.bottomLeft());
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(channel.bottomLeft(), channel.bottomRight());
    painter.drawLine(channel.topRight(), channel.bottomRight());
    if (selEnd_ > selStart_) {
        const QRect range(QPoint(xOf(selStart_), midY - 2), QPoint(xOf(selEnd_), midY + 1));
        painter.fillRect(range, palette().color(QPalette::Highlight));
    }

    option.subControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}
