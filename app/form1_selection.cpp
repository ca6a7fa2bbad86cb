#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "app/form1.h"
#include "app/window_kit/image_view.h"
#include "scale/selection.h"

namespace {

// How far the view scrolls along with a drag at its edges, a bar's increment.
constexpr int kScrollIncrement = 8;

}  // namespace

// The frame is inverted into the source view's displayed picture, so
// drawing it a second time removes it and restores every pixel.
void TForm1::DrawFrame() {
    Image1->InvertOutline(SelLeft, SelTop, SelRight, SelBottom);
}

void TForm1::RemoveFrame() {
    Image1->InvertOutline(SelLeft, SelTop, SelRight, SelBottom);
}

void TForm1::Image1MouseDown(Qt::MouseButton button, int x, int y) {
    if (!ToolButton5->isEnabled() || button != Qt::LeftButton) return;
    if (SelectState == 1) RemoveFrame();
    SelectState = 1;
    SelLeft = SelRight = x;
    SelTop = SelBottom = y;
    DrawFrame();
}

void TForm1::Image1MouseMove(Qt::MouseButtons buttons, int x, int y) {
    if (SelectState != 1 || !(buttons & Qt::LeftButton)) return;
    RemoveFrame();
    ClampDragCorner(x, y, SourceDIB.Width(), SourceDIB.Height());
    SelRight = x;
    SelBottom = y;
    DrawFrame();

    // Scroll along when the corner nears the view's edges, first
    // horizontally, then vertically; each bar keeps itself in its range.
    const auto follow = [](QScrollBar* bar, int coord, int viewSize) {
        const int pos = bar->value();  // 0 while the bar has no range
        const int range = bar->maximum() + bar->pageStep();
        bar->setValue(ScrollAlong(coord, pos, kScrollIncrement, range, viewSize));
    };
    follow(ScrollBox1->horizontalScrollBar(), x, ScrollBox1->width());
    follow(ScrollBox1->verticalScrollBar(), y, ScrollBox1->height());
}

void TForm1::Image1MouseUp(Qt::MouseButton button, int, int) {
    if (SelectState != 1 || button != Qt::LeftButton) return;
    SelectionRect selection = CurrentSelection();
    if (KeepSelection(selection, SourceDIB.Width(), SourceDIB.Height())) {
        SelLeft = selection.Left;
        SelTop = selection.Top;
        SelRight = selection.Right;
        SelBottom = selection.Bottom;
        setWindowTitle(TitleText + QString::fromStdString(SelectionSuffix(selection)));
        return;
    }
    RemoveFrame();
    SelectWholePicture();
    setWindowTitle(TitleText);
}

void TForm1::Image1DblClick() {
    if (SelectState == 1) RemoveFrame();
    SelectWholePicture();
    setWindowTitle(TitleText);
}

void TForm1::SelectWholePicture() {
    SelectState = 0;
    SelLeft = 0;
    SelTop = 0;
    SelRight = SourceDIB.Width() - 1;
    SelBottom = SourceDIB.Height() - 1;
}
