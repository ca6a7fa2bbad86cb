#pragma once

// The rules of the selection rectangle dragged on the source view, as plain
// functions the window calls: clamping the dragged corner, the decision on
// release (kept when it spans at least 6 pixels each way), ordering and
// clamping a kept selection, the title suffix, and scrolling along at the
// view's edges.

#include <string>

#include "scale/scale_settings.h"

// Clamps a dragged corner to the picture: x to 0..width-1, y to 0..height-1.
void ClampDragCorner(int& x, int& y, int width, int height);

// On release: true when the drag spans at least 5 pixels between anchor and
// corner in both directions; the rectangle is then ordered and clamped to the
// picture. False (cancelled) leaves `selection` as it was.
bool KeepSelection(SelectionRect& selection, int width, int height);

// Orders the edges (Left <= Right, Top <= Bottom) and clamps them to the
// picture, as a kept selection is; no minimum size.
SelectionRect OrderAndClampSelection(const SelectionRect& selection, int width, int height);

// "（W×H）" for the selection's width and height.
std::string SelectionSuffix(const SelectionRect& selection);

// The new scroll position of one bar when the dragged corner is at `coord`:
// pos is the bar's position (0 while hidden), inc its increment, range its
// range and viewSize the view's size along that axis. The caller lets the
// bar limit the result to its valid range.
int ScrollAlong(int coord, int pos, int inc, int range, int viewSize);
