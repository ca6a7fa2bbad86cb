#pragma once

// The mouse wheel of the image view and of the help window: a turn moves
// the position back by the wheel delta divided by 5, rounded to the nearest
// integer with ties to even, so a notch (120) scrolls 24 pixels and away
// from the user scrolls up. The bar keeps the position within its range.

class QScrollBar;

int WheelScrollStep(int wheelDelta);
void ScrollByWheel(QScrollBar* bar, int wheelDelta);
