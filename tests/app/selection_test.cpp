// The selection dragged on the source view.

#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "app/window_kit/image_view.h"
#include "tests/app/window_fixture.h"

class SelectionTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        OpenThroughDialog(WritePatternBmp(temp_, "p.bmp", 100, 80));
        base_ = QStringLiteral("Skalomi Ver.4.02 ： p.bmp  元画像（100×80）");
        original_ = ShownPicture(form(), false);
    }
    SelectionRect selection() { return form().CurrentSelection(); }

    QString base_;
    QImage original_;
};

struct DragRow {
    const char* name;
    QPoint from, to;
    bool kept;
    SelectionRect expected;
    const char* suffix;
};

class SelectionDrag : public SelectionTest, public ::testing::WithParamInterface<DragRow> {};

TEST_P(SelectionDrag, KeepsOrCancels) {
    const DragRow& row = GetParam();
    Drag(form().Image1, row.from, row.to);
    const SelectionRect s = selection();
    EXPECT_EQ(form().SelectState, row.kept ? 1 : 0);
    EXPECT_EQ(s.Left, row.expected.Left);
    EXPECT_EQ(s.Top, row.expected.Top);
    EXPECT_EQ(s.Right, row.expected.Right);
    EXPECT_EQ(s.Bottom, row.expected.Bottom);
    EXPECT_EQ(form().windowTitle(), base_ + QString::fromUtf8(row.suffix));
    EXPECT_EQ(form().TitleText, base_);
    if (!row.kept) {
        EXPECT_EQ(ShownPicture(form(), false), original_);
    }
}

INSTANTIATE_TEST_SUITE_P(
    SourceView, SelectionDrag,
    ::testing::Values(
        DragRow{"Accepted6x6", {10, 10}, {15, 15}, true, {10, 10, 15, 15}, "（6×6）"},
        DragRow{"NarrowIsCancelled", {10, 10}, {9, 60}, false, {0, 0, 99, 79}, ""},
        DragRow{"UpAndLeftIsOrdered", {50, 40}, {20, 30}, true, {20, 30, 50, 40}, "（31×11）"},
        DragRow{"ClampedToThePicture", {90, 70}, {400, -50}, true, {90, 0, 99, 70}, "（10×71）"},
        DragRow{"PlainClickCancels", {30, 30}, {30, 30}, false, {0, 0, 99, 79}, ""}),
    NameOfParam());

TEST_F(SelectionTest, TheFrameIsAnInvertedOutlineAndRemovingItRestoresThePicture) {
    Drag(form().Image1, {10, 20}, {30, 25});
    const QImage framed = ShownPicture(form(), false);
    int changed = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool onOutline = (x >= 10 && x <= 30 && (y == 20 || y == 25)) ||
                                   (y >= 20 && y <= 25 && (x == 10 || x == 30));
            const QRgb expected =
                onOutline ? (original_.pixel(x, y) ^ 0x00FFFFFFu) : original_.pixel(x, y);
            changed += framed.pixel(x, y) != original_.pixel(x, y);
            ASSERT_EQ(framed.pixel(x, y), expected) << x << "," << y;
        }
    EXPECT_EQ(changed, 2 * 21 + 2 * 4);
    DoubleClick(form().Image1, {50, 50});
    EXPECT_EQ(form().SelectState, 0);
    EXPECT_EQ(form().windowTitle(), base_);
    EXPECT_EQ(ShownPicture(form(), false), original_);
}

TEST_F(SelectionTest, ANewDragReplacesTheOldFrame) {
    Drag(form().Image1, {10, 10}, {40, 40});
    Drag(form().Image1, {60, 5}, {70, 50});
    Drag(form().Image1, {1, 1}, {2, 2});  // cancelled
    EXPECT_EQ(ShownPicture(form(), false), original_);
    EXPECT_EQ(form().SelectState, 0);
}

TEST_F(SelectionTest, RightButtonNeitherStartsNorCancels) {
    Drag(form().Image1, {10, 10}, {40, 40});
    Press(form().Image1, {50, 50}, Qt::RightButton);
    Release(form().Image1, {50, 50}, Qt::RightButton);
    EXPECT_EQ(form().SelectState, 1);
    EXPECT_EQ(selection().Right, 40);
    EXPECT_EQ(form().windowTitle(), base_ + QStringLiteral("（31×31）"));
}

TEST_F(SelectionTest, KeptAcrossViewSwitchesAndScaleRuns) {
    Drag(form().Image1, {10, 10}, {49, 29});
    const QImage framed = ShownPicture(form(), false);
    Enter();
    EXPECT_EQ(form().windowTitle(), QStringLiteral("Skalomi Ver.4.02 ： p.bmp  拡縮画像（40×20）"));
    Type(QStringLiteral("<"));
    EXPECT_EQ(form().windowTitle(), base_ + QStringLiteral("（40×20）"));
    EXPECT_EQ(ShownPicture(form(), false), framed);
    EXPECT_EQ(selection().Left, 10);
    EXPECT_EQ(selection().Bottom, 29);
}

TEST_F(SelectionTest, TheViewScrollsAlongAtItsEdges) {
    OpenThroughDialog(WritePatternBmp(temp_, "big.bmp", 3000, 2000));
    QWidget* image = form().Image1;
    const int viewWidth = form().ScrollBox1->width();
    Press(image, {100, 100});
    Move(image, {viewWidth - 5, 120});
    EXPECT_EQ(ScrollX(), 8);
    Move(image, {viewWidth + 5, 120});
    EXPECT_EQ(ScrollX(), 16);
    Move(image, {20, 120});  // near the left edge: back by one step
    EXPECT_EQ(ScrollX(), 8);
    Move(image, {10, 120});  // a position below one step becomes 0
    EXPECT_EQ(ScrollX(), 0);
    Release(image, {10, 120});
    EXPECT_EQ(ScrollY(), 0);
}
