#include "scale/selection.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

// A drag shorter than this between anchor and corner, either way, is a click.
constexpr int kMinimumSpan = 5;

int clampTo(int value, int low, int high) {
    return std::max(low, std::min(value, high));
}

}  // namespace

void ClampDragCorner(int& x, int& y, int width, int height) {
    x = clampTo(x, 0, width - 1);
    y = clampTo(y, 0, height - 1);
}

bool KeepSelection(SelectionRect& selection, int width, int height) {
    const long long spanX = std::llabs(static_cast<long long>(selection.Right) - selection.Left);
    const long long spanY = std::llabs(static_cast<long long>(selection.Bottom) - selection.Top);
    if (spanX < kMinimumSpan || spanY < kMinimumSpan) return false;
    selection = OrderAndClampSelection(selection, width, height);
    return true;
}

SelectionRect OrderAndClampSelection(const SelectionRect& selection, int width, int height) {
    SelectionRect kept = selection;
    if (kept.Left > kept.Right) std::swap(kept.Left, kept.Right);
    if (kept.Top > kept.Bottom) std::swap(kept.Top, kept.Bottom);
    // Only the outer edges can leave the picture during a drag; clamping all
    // four keeps the rectangle inside it whatever the anchor was.
    kept.Left = clampTo(kept.Left, 0, width - 1);
    kept.Right = clampTo(kept.Right, 0, width - 1);
    kept.Top = clampTo(kept.Top, 0, height - 1);
    kept.Bottom = clampTo(kept.Bottom, 0, height - 1);
    return kept;
}

std::string SelectionSuffix(const SelectionRect& selection) {
    return "（" + std::to_string(selection.Width()) + "×" + std::to_string(selection.Height()) +
           "）";
}

int ScrollAlong(int coord, int pos, int inc, int range, int viewSize) {
    if (coord <= pos + 10) {
        pos -= inc;
        if (pos < inc) pos = 0;
    }
    if (coord >= pos + viewSize - 14) {
        pos += inc;
        if (pos > range - viewSize + 16 - inc) pos = range - viewSize + 24;
    }
    return pos;
}
