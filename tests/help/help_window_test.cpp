// The help window as the user meets it: opened by F1 or the help button,
// scrolled by its links and the wheel, closed and opened again.

#include "help/help_window.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "help/link_label.h"
#include "help/manual_page.h"
#include "tests/app/window_fixture.h"

namespace {

class HelpWindowTest : public WindowTest {
protected:
    TForm3& help() { return windows().Form3(); }
    QScrollBar* bar() { return help().ScrollBox->verticalScrollBar(); }

    void PressF1() { Key(Qt::Key_F1); }

    QLabel* Heading(int section) {
        return help().Panel->findChild<QLabel*>(QStringLiteral("Heading%1").arg(section + 1));
    }
    // Where a heading stands in the window's client area.
    int HeadingTopInWindow(int section) {
        return Heading(section)->mapTo(&help(), QPoint(0, 0)).y();
    }

    TLinkLabel* Link(int from, int to) {
        return help().Panel->findChild<TLinkLabel*>(
            QStringLiteral("Link%1To%2").arg(from + 1).arg(to + 1));
    }
};

int countVisibleHelpWindows() {
    int count = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<TForm3*>(window) && window->isVisible()) ++count;
    return count;
}

}  // namespace

TEST_F(HelpWindowTest, WindowAndPage) {
    // The page is filled when the window first appears, and only then.
    EXPECT_TRUE(help().Panel->children().isEmpty());
    PressF1();
    const int items = help().Panel->children().size();
    EXPECT_GT(items, 100);
    help().close();
    PressF1();
    EXPECT_EQ(help().Panel->children().size(), items);
    EXPECT_TRUE(Heading(0)->isVisible());

    EXPECT_EQ(help().windowTitle(), QStringLiteral("Skalomiヘルプ"));
    EXPECT_EQ(help().size(), QSize(618, 502));
    EXPECT_FALSE(help().minimumSize() == help().maximumSize()) << "the window is sizeable";
    EXPECT_EQ(help().palette().color(QPalette::Window), QColor(255, 255, 224));
    EXPECT_EQ(help().Panel->size(), QSize(594, 1955));
    EXPECT_EQ(help().Panel->pos(), QPoint(0, 0));
    EXPECT_EQ(help().Panel->palette().color(QPalette::Window), QColor(255, 255, 224));
    // The scroll bar spans the page's height and follows its thumb.
    EXPECT_TRUE(bar()->isVisible());
    EXPECT_EQ(bar()->maximum() + help().ScrollBox->viewport()->height(), 1955);
    EXPECT_TRUE(bar()->hasTracking());
    // Centred on the screen when first shown (within the frame's margins,
    // which the desktop tells only once the window is up).
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((help().geometry().center() - screen.center()).manhattanLength(), 8);
}

TEST_F(HelpWindowTest, F1TwiceGivesOneWindowInFrontAtItsScrollPosition) {
    PressF1();
    ASSERT_TRUE(help().isVisible());
    EXPECT_FALSE(help().isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    bar()->setValue(500);
    platform_.ClearRecords();

    PressF1();
    EXPECT_EQ(countVisibleHelpWindows(), 1);
    EXPECT_EQ(bar()->value(), 500);
    EXPECT_EQ(platform_.Log, QStringList({"topmost 0", "front"}));
    ASSERT_FALSE(platform_.BroughtToFront.empty());
    EXPECT_EQ(platform_.BroughtToFront.back(), &help());
}

TEST_F(HelpWindowTest, ScrollPositionSizeAndPlaceSurviveClosing) {
    form().ToolButton14Click();
    help().resize(700, 400);
    help().move(help().pos() + QPoint(30, 20));
    const QRect geometry = help().geometry();
    bar()->setValue(777);

    help().close();
    ASSERT_FALSE(help().isVisible());
    Click(form().ToolButton14, QPoint(5, 5));
    ASSERT_TRUE(help().isVisible());
    EXPECT_EQ(bar()->value(), 777);
    EXPECT_EQ(help().geometry(), geometry);
}

struct LinkCase {
    const char* name;
    int from;
    int to;
};

class HelpLinkTest : public HelpWindowTest, public ::testing::WithParamInterface<LinkCase> {};

// Each link puts its section's heading 8 pixels below the client area's top;
// the page cannot scroll that far for the last section, whose link shows the
// end of the page with the section in view.
TEST_P(HelpLinkTest, JumpsToItsSection) {
    const LinkCase c = GetParam();
    PressF1();
    const int start = ManualSections()[c.from].JumpPosition;
    bar()->setValue(start);
    TLinkLabel* link = Link(c.from, c.to);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->text(), ManualSections()[c.to].LinkText);
    EXPECT_EQ(link->y(), ManualSections()[c.from].LinkRowTop);
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);

    Click(link, QPoint(3, 3));
    const int jump = ManualSections()[c.to].JumpPosition;
    EXPECT_EQ(bar()->value(), std::min(jump, bar()->maximum()));
    if (jump <= bar()->maximum()) {
        EXPECT_EQ(HeadingTopInWindow(c.to), 8);
    } else {
        EXPECT_EQ(bar()->value(), bar()->maximum());
        EXPECT_GE(HeadingTopInWindow(c.to), 8);
        const QPoint pageEnd = help().Panel->mapTo(help().ScrollBox->viewport(), QPoint(0, 1955));
        EXPECT_EQ(pageEnd.y(), help().ScrollBox->viewport()->height());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Links, HelpLinkTest,
    ::testing::Values(LinkCase{"ToolBarToMouse", 0, 1}, LinkCase{"ToolBarToBatch", 0, 2},
                      LinkCase{"ToolBarToAbout", 0, 3}, LinkCase{"MouseToToolBar", 1, 0},
                      LinkCase{"MouseToBatch", 1, 2}, LinkCase{"MouseToAbout", 1, 3},
                      LinkCase{"BatchToToolBar", 2, 0}, LinkCase{"BatchToMouse", 2, 1},
                      LinkCase{"BatchToAbout", 2, 3}, LinkCase{"AboutToToolBar", 3, 0},
                      LinkCase{"AboutToMouse", 3, 1}, LinkCase{"AboutToBatch", 3, 2}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

TEST_F(HelpWindowTest, LinkRowsListTheOtherSectionsInOrder) {
    PressF1();
    for (int from = 0; from < kManualSectionCount; ++from) {
        int previousRight = -1;
        for (int to = 0; to < kManualSectionCount; ++to) {
            if (to == from) {
                EXPECT_EQ(Link(from, to), nullptr);
                continue;
            }
            TLinkLabel* link = Link(from, to);
            ASSERT_NE(link, nullptr) << from << "->" << to;
            EXPECT_GT(link->x(), previousRight) << from << "->" << to;
            EXPECT_GT(link->x(), Heading(from)->geometry().right())
                << "links stand right of the heading";
            previousRight = link->geometry().right();
        }
    }
}

TEST_F(HelpWindowTest, TheHandlersSetTheirSectionsPositions) {
    PressF1();
    const struct {
        void (TForm3::*handler)();
        int position;
    } handlers[] = {{&TForm3::MaometeClick, 931},
                    {&TForm3::ToolBarClick, 0},
                    {&TForm3::MouseOperationClick, 616},
                    {&TForm3::AboutClick, 1808}};
    for (const auto& h : handlers) {
        bar()->setValue(300);
        (help().*h.handler)();
        EXPECT_EQ(bar()->value(), std::min(h.position, bar()->maximum()));
    }
}

struct WheelCase {
    const char* name;
    int start;  // -1: the end of the page
    int delta;
    int expected;  // -1: the end of the page
};

class HelpWheelTest : public HelpWindowTest, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(HelpWheelTest, ScrollsByTheDeltaOverFive) {
    const WheelCase c = GetParam();
    PressF1();
    const int end = bar()->maximum();
    bar()->setValue(c.start < 0 ? end : c.start);
    // Over the page (where the desktop's wheel events arrive after passing
    // the texts, which take none) and over the scroll bar alike.
    for (QWidget* target : {help().ScrollBox->viewport(), static_cast<QWidget*>(bar())}) {
        bar()->setValue(c.start < 0 ? end : c.start);
        Wheel(target, c.delta);
        EXPECT_EQ(bar()->value(), c.expected < 0 ? end : c.expected)
            << target->metaObject()->className();
    }
}

INSTANTIATE_TEST_SUITE_P(Deltas, HelpWheelTest,
                         ::testing::Values(WheelCase{"NotchAwayScrollsUp24", 500, 120, 476},
                                           WheelCase{"NotchTowardsScrollsDown24", 500, -120, 524},
                                           WheelCase{"ThreeNotches", 500, -360, 572},
                                           WheelCase{"FineDeltaRoundsUp", 500, 3, 499},
                                           WheelCase{"FineDeltaRoundsDown", 500, 2, 500},
                                           WheelCase{"NegativeFineDelta", 500, -3, 501},
                                           WheelCase{"NothingMoreAtTheEnd", -1, -120, -1},
                                           WheelCase{"NothingMoreAtTheTop", 0, 120, 0},
                                           WheelCase{"PartNotchAtTheEnd", -1, -60, -1}),
                         [](const ::testing::TestParamInfo<WheelCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(HelpWindowTest, ClosingAppliesTheStayOnTopBoxToTheHelpWindow) {
    for (const bool checked : {true, false}) {
        PressF1();
        form().CheckBox2->setChecked(checked);
        platform_.ClearRecords();
        help().close();
        EXPECT_FALSE(help().isVisible());
        ASSERT_EQ(platform_.TopmostCalls.size(), 1u) << checked;
        EXPECT_EQ(platform_.TopmostCalls[0].first, &help());
        EXPECT_EQ(platform_.TopmostCalls[0].second, checked);
    }
}

TEST_F(HelpWindowTest, HeadingsAndSectionPositions) {
    PressF1();
    const char* headings[] = {"　ツールバー操作　", "　画像表示窓でのマウス操作　",
                              "　まとめて拡縮　　　操作方法　", "［ Skalomiについて ］"};
    const int jumps[] = {0, 616, 931, 1808};
    for (int section = 0; section < kManualSectionCount; ++section) {
        QLabel* heading = Heading(section);
        ASSERT_NE(heading, nullptr);
        EXPECT_EQ(heading->text(), QString::fromUtf8(headings[section]));
        EXPECT_EQ(heading->y(), ManualSections()[section].HeadingTop);
        EXPECT_EQ(ManualSections()[section].JumpPosition, jumps[section]);
        EXPECT_EQ(heading->y() - ManualSections()[section].JumpPosition, 8);
        EXPECT_TRUE(heading->font().underline());
        EXPECT_TRUE(heading->font().bold());
        EXPECT_EQ(heading->font().pixelSize(), 16);
        EXPECT_EQ(heading->palette().color(QPalette::WindowText), QColor(128, 0, 0));
    }
    // The batch button stands in the gap of its section's heading.
    auto* button = help().Panel->findChild<QLabel*>(QStringLiteral("BatchHeadingButton"));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(Heading(2)->geometry().contains(button->geometry().center()));
}

// Nothing on the page covers anything else, and nothing runs off it: a text
// that grew a line or a picture that grew would show here.
TEST_F(HelpWindowTest, NoTwoThingsOnThePageOverlap) {
    PressF1();
    const QRect page(QPoint(0, 0), help().Panel->size());
    QList<QWidget*> items;
    for (QWidget* child :
         help().Panel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        items << child;
    ASSERT_GT(items.size(), 100);
    for (QWidget* item : items) {
        const auto* label = qobject_cast<QLabel*>(item);
        const QString what = label ? label->text().left(12) : item->objectName();
        EXPECT_TRUE(page.contains(item->geometry())) << what.toStdString();
        if (label && label->wordWrap()) {
            EXPECT_GE(label->height(), label->heightForWidth(label->width())) << what.toStdString();
        }
    }
    for (int i = 0; i < items.size(); ++i) {
        for (int j = i + 1; j < items.size(); ++j) {
            // The heading's button sits inside the heading by design.
            if (items[i]->objectName() == QStringLiteral("BatchHeadingButton") ||
                items[j]->objectName() == QStringLiteral("BatchHeadingButton"))
                continue;
            const auto name = [](QWidget* w) {
                const auto* l = qobject_cast<QLabel*>(w);
                return (l && !l->text().isEmpty() ? l->text().left(12) : w->objectName())
                    .toStdString();
            };
            EXPECT_FALSE(items[i]->geometry().intersects(items[j]->geometry()))
                << name(items[i]) << " / " << name(items[j]);
        }
    }
}

TEST_F(HelpWindowTest, TextsInTheirStyles) {
    PressF1();
    struct StyleCase {
        const char* text;
        int top;
        int pixelSize;
        bool bold;
        QColor color;
    };
    const QColor teal(0, 128, 128), black(0, 0, 0);
    const StyleCase cases[] = {
        {"元画像を開く　  [O]", 36, 13, true, teal},
        {"まとめて拡縮  　[M]", 348, 13, true, teal},
        {"ヘルプ表示　 　[F1]", 444, 13, true, teal},
        {"[H]         [V]", 236, 13, true, teal},
        {"・右クリックメニュー", 648, 15, true, black},
        {"・元画像上で左ドラッグ", 740, 15, true, black},
        {"・画像ファイルをドロップ", 816, 15, true, black},
        {"[Ctrl]+[V]", 668, 13, true, teal},
        {"1.拡縮設定の確認", 991, 13, true, teal},
        {"3.拡縮画像保存方法の設定", 1312, 13, true, teal},
        {"5.作業の中止", 1693, 13, true, teal},
        {"このヘルプ窓を表示します。", 444, 13, false, QColor()},
        {"次に、作成する拡縮画像の保存先と種類を指定します。", 1330, 13, false, QColor()},
        {"【 連絡先 】", 1906, 12, true, teal},
    };
    const QList<QLabel*> labels = help().Panel->findChildren<QLabel*>();
    for (const StyleCase& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const auto found = std::find_if(labels.begin(), labels.end(),
                                        [&](QLabel* l) { return l->text() == text; });
        ASSERT_NE(found, labels.end()) << c.text;
        EXPECT_EQ((*found)->y(), c.top) << c.text;
        EXPECT_EQ((*found)->font().pixelSize(), c.pixelSize) << c.text;
        EXPECT_EQ((*found)->font().bold(), c.bold) << c.text;
        if (c.color.isValid()) {
            EXPECT_EQ((*found)->palette().color(QPalette::WindowText), c.color) << c.text;
        }
    }
}

TEST_F(HelpWindowTest, ContactAddressCanBeSelectedButNotEdited) {
    PressF1();
    auto* field = help().Panel->findChild<QLineEdit*>(QStringLiteral("ContactAddress"));
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->isReadOnly());
    EXPECT_FALSE(field->hasFrame());
    EXPECT_EQ(field->palette().color(QPalette::Text), QColor(128, 0, 0));
    EXPECT_EQ(field->palette().color(QPalette::Base), QColor(255, 255, 224));
    const QString address = field->text();
    EXPECT_TRUE(address.contains(QLatin1Char('@')));
    field->selectAll();
    EXPECT_EQ(field->selectedText(), address);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(field, &typed);
    EXPECT_EQ(field->text(), address);
}
