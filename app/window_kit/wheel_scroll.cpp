#include "app/window_kit/wheel_scroll.h"

#include <QScrollBar>
#include <cmath>

int WheelScrollStep(int wheelDelta) {
    return static_cast<int>(std::nearbyint(static_cast<long double>(wheelDelta) / 5.0L));
}

void ScrollByWheel(QScrollBar* bar, int wheelDelta) {
    bar->setValue(bar->value() - WheelScrollStep(wheelDelta));
}
