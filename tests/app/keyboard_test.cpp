// The key layers: dialog keys, key-down commands, mnemonics and the
// character commands with the size-field filter.

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "app/window_kit/image_view.h"
#include "app/window_kit/speed_button.h"
#include "app/window_kit/track_bar.h"
#include "help/help_window.h"
#include "tests/app/window_fixture.h"

TEST_F(WindowTest, SizeFieldTakesAtMostFourDigitsUnlessTextIsSelected) {
    TForm1& f = form();
    f.Edit1->setFocus();
    f.Edit1->deselect();
    f.Edit1->end(false);
    Type(QStringLiteral("5"));
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("1005"));
    Type(QStringLiteral("5"));
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("1005"));
    f.Edit1->selectAll();
    Type(QStringLiteral("7"));
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("7"));
    EXPECT_EQ(f.HorzValue, 7);
    Key(Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(f.Edit1->text(), QString());
    EXPECT_EQ(f.HorzValue, 7);
}

TEST_F(WindowTest, SizeFieldDropsSignsLettersAndControlCharacters) {
    TForm1& f = form();
    f.Edit1->setFocus();
    f.Edit1->end(false);
    Type(QStringLiteral("%-+aA.f,"));
    Key(Qt::Key_Escape, QStringLiteral("\x1b"));
    Key(Qt::Key_X, QStringLiteral("\x18"), Qt::ControlModifier);
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("100"));
    EXPECT_EQ(focus(), f.Edit1);
    EXPECT_TRUE(platform_.Messages.empty());
    // Plain P is dropped in a field; Alt+P still switches the unit.
    Type(QStringLiteral("p"));
    EXPECT_TRUE(f.UnitIsPercent());
    Key(Qt::Key_P, QStringLiteral("p"), Qt::AltModifier);
    EXPECT_FALSE(f.UnitIsPercent());
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("100"));
}

TEST_F(WindowTest, MnemonicsActFromTheView) {
    TForm1& f = form();
    f.ScrollBox1->setFocus();
    Type(QStringLiteral("p"));
    EXPECT_FALSE(f.UnitIsPercent());
    Type(QStringLiteral("F"));
    EXPECT_FALSE(f.CheckBox1->isChecked());
    EXPECT_EQ(focus(), f.ScrollBox1);
    Type(QStringLiteral("z"));
    EXPECT_TRUE(f.CheckBox2->isChecked());
    EXPECT_EQ(platform_.TopmostCalls.back().second, true);
    EXPECT_EQ(focus(), f.ScrollBox1);
}

TEST_F(WindowTest, LettersMoveTheFocus) {
    Type(QStringLiteral("h"));
    EXPECT_EQ(focus(), form().Edit1);
    EXPECT_EQ(form().Edit1->selectedText(), QStringLiteral("100"));
    Type(QStringLiteral("V"));
    EXPECT_EQ(focus(), form().Edit2);
    Type(QStringLiteral("b"));
    EXPECT_EQ(focus(), form().TrackBar2);
    Type(QStringLiteral("C"));
    EXPECT_EQ(focus(), form().TrackBar1);
    Type(QStringLiteral("w"));
    EXPECT_EQ(focus(), form().ScrollBox1);
    EXPECT_EQ(form().Edit1->text(), QStringLiteral("100"));
    EXPECT_EQ(form().Edit2->text(), QStringLiteral("100"));
}

TEST_F(WindowTest, CommandKeysDoNothingBeforeAPictureIsLoaded) {
    Enter();
    Type(QStringLiteral("s<>.,"));
    Key(Qt::Key_C, QStringLiteral("\x03"), Qt::ControlModifier);
    EXPECT_TRUE(platform_.Log.isEmpty());
    EXPECT_EQ(form().windowTitle(), QStringLiteral("Skalomi Ver.4.02"));
    EXPECT_FALSE(form().Image2->isVisibleTo(form().ScrollBox1));
}

TEST_F(WindowTest, SavingFromASizeFieldReturnsTheFocusThere) {
    OpenThroughDialog(WritePatternBmp(temp_, "a.bmp", 6, 6));
    Type(QStringLiteral("v"));
    ASSERT_EQ(focus(), form().Edit2);
    platform_.ClearRecords();
    Type(QStringLiteral("s"));
    EXPECT_EQ(platform_.Log, QStringList({"save"}));
    EXPECT_EQ(focus(), form().Edit2);
    EXPECT_EQ(form().Edit2->text(), QStringLiteral("100"));
}

TEST_F(WindowTest, F1WithAnyModifierOpensHelp) {
    for (const Qt::KeyboardModifiers mods :
         {Qt::KeyboardModifiers(Qt::NoModifier),
          Qt::KeyboardModifiers(Qt::ShiftModifier | Qt::ControlModifier)}) {
        windows().Form3().hide();
        Key(Qt::Key_F1, QString(), mods);
        EXPECT_TRUE(windows().Form3().isVisible());
    }
}

TEST_F(WindowTest, ArrowsScrollTheFocusedViewByEight) {
    OpenThroughDialog(WritePatternBmp(temp_, "big.bmp", 2000, 2000));
    ASSERT_EQ(focus(), form().ScrollBox1);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    Key(Qt::Key_Right);
    EXPECT_EQ(ScrollY(), 16);
    EXPECT_EQ(ScrollX(), 8);
    Key(Qt::Key_Up);
    Key(Qt::Key_Left);
    Key(Qt::Key_Left);
    EXPECT_EQ(ScrollY(), 8);
    EXPECT_EQ(ScrollX(), 0);
}

TEST_F(WindowTest, CtrlCCopiesTheShownPictureAndCtrlVBeepsInTheScaledView) {
    OpenThroughDialog(WritePatternBmp(temp_, "a.bmp", 40, 30));
    Key(Qt::Key_C, QStringLiteral("\x03"), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(platform_.Copied.has_value());
    Key(Qt::Key_C, QStringLiteral("\x03"), Qt::ControlModifier);
    ASSERT_TRUE(platform_.Copied.has_value());
    EXPECT_EQ(platform_.Copied->Image.size(), QSize(40, 30));

    form().Edit1->setText(QStringLiteral("50"));
    Enter();
    ASSERT_TRUE(form().ToolButton6->isChecked());
    form().Edit1->setFocus();
    platform_.Copied.reset();
    Key(Qt::Key_C, QStringLiteral("\x03"), Qt::ControlModifier);
    ASSERT_TRUE(platform_.Copied.has_value());
    EXPECT_EQ(platform_.Copied->Image.size(), QSize(20, 15));
    EXPECT_EQ(form().Edit1->text(), QStringLiteral("50"));

    platform_.ClearRecords();
    platform_.Clipboard.PackedDIB = PatternPicture(3, 3).SaveToClipboardFormat();
    Key(Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(platform_.Beeps, 1);
    EXPECT_EQ(form().SourceDIB.Width(), 40);
    EXPECT_TRUE(form().ToolButton6->isChecked());
}

TEST_F(WindowTest, ViewKeysSwitchOnlyWhileTheirButtonsAreEnabled) {
    OpenThroughDialog(WritePatternBmp(temp_, "a.bmp", 20, 20));
    Type(QStringLiteral(">."));
    EXPECT_TRUE(form().ToolButton5->isChecked());
    Enter();
    EXPECT_TRUE(form().ToolButton6->isChecked());
    Type(QStringLiteral("<"));
    EXPECT_TRUE(form().ToolButton5->isChecked());
    EXPECT_TRUE(form().Paste1->isEnabled());
    EXPECT_TRUE(form().copy0->isEnabled());
    Type(QStringLiteral("."));
    EXPECT_TRUE(form().ToolButton6->isChecked());
    EXPECT_FALSE(form().copy0->isEnabled());
    EXPECT_TRUE(form().copy1->isEnabled());
}
