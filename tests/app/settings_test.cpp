// The size fields, the unit button, the aspect lock, the up-down arrows,
// the tone bars and the rotation button.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "app/integer_conversion.h"
#include "app/window_kit/speed_button.h"
#include "app/window_kit/track_bar.h"
#include "app/window_kit/up_down.h"
#include "tests/app/window_fixture.h"

// ------------------------------------------------------- integer conversion

struct ConversionRow {
    const char* name;
    const char* text;
    bool valid;
    std::int32_t value;
};

class IntegerConversion : public ::testing::TestWithParam<ConversionRow> {};

TEST_P(IntegerConversion, ReadsLikeThePlatform) {
    const ConversionRow& row = GetParam();
    const QString text = QString::fromUtf8(row.text);
    if (row.valid) {
        EXPECT_EQ(StrToInt(text), row.value);
    } else {
        try {
            StrToInt(text);
            ADD_FAILURE() << "accepted " << row.text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()),
                      QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    SizeFields, IntegerConversion,
    ::testing::Values(
        ConversionRow{"Decimal", "1005", true, 1005}, ConversionRow{"LeadingZeros", "007", true, 7},
        ConversionRow{"LeadingBlanks", "  42", true, 42}, ConversionRow{"Plus", "+5", true, 5},
        ConversionRow{"Minus", "-5", true, -5}, ConversionRow{"Dollar", "$1F", true, 31},
        ConversionRow{"SmallX", "x10", true, 16}, ConversionRow{"ZeroX", "0x10", true, 16},
        ConversionRow{"ZeroBigX", "0XfF", true, 255}, ConversionRow{"SignedHex", "-$10", true, -16},
        ConversionRow{"HexAllBits", "$FFFFFFFF", true, -1},
        ConversionRow{"Largest", "2147483647", true, 2147483647},
        ConversionRow{"Smallest", "-2147483648", true, INT32_MIN},
        ConversionRow{"TooLarge", "2147483648", false, 0},
        ConversionRow{"HexTooLarge", "$100000000", false, 0},
        ConversionRow{"TrailingLetters", "12a", false, 0},
        ConversionRow{"Percent", "50%", false, 0}, ConversionRow{"SignAlone", "-", false, 0},
        ConversionRow{"DollarAlone", "$", false, 0}, ConversionRow{"ZeroXAlone", "0x", false, 0},
        ConversionRow{"TrailingBlank", "5 ", false, 0},
        ConversionRow{"FullWidthDigits", "１２", false, 0},
        ConversionRow{"HexDigitInDecimal", "1f", false, 0}, ConversionRow{"Empty", "", false, 0}),
    NameOfParam());

// ---------------------------------------------------------- size fields

TEST_F(WindowTest, TypingInPercentModeWithTheLockMirrorsTheOtherField) {
    form().Edit1->setFocus(Qt::ShortcutFocusReason);  // selects the text
    Type(QStringLiteral("50"));
    EXPECT_EQ(form().Edit1->text(), QStringLiteral("50"));
    EXPECT_EQ(form().Edit2->text(), QStringLiteral("50"));
    EXPECT_EQ(form().HorzValue, 50);
    EXPECT_EQ(form().VertValue, 50);

    // Clearing one clears the other; both values keep their numbers.
    form().Edit2->clear();
    EXPECT_EQ(form().Edit1->text(), QString());
    EXPECT_EQ(form().HorzValue, 50);
    EXPECT_EQ(form().VertValue, 50);

    // Blanks around a number are trimmed in the mirror and written back.
    form().Edit1->setText(QStringLiteral(" 70 "));
    EXPECT_EQ(form().Edit1->text(), QStringLiteral("70"));
    EXPECT_EQ(form().Edit2->text(), QStringLiteral("70"));
    EXPECT_EQ(form().HorzValue, 70);
    EXPECT_EQ(form().VertValue, 70);
    EXPECT_TRUE(platform_.Messages.empty());
}

TEST_F(WindowTest, PixelModeOrNoLockLeavesTheOtherFieldAlone) {
    Click(form().SpeedButton1);  // pixels
    form().Edit1->setText(QStringLiteral("640"));
    EXPECT_EQ(form().Edit2->text(), QStringLiteral("100"));
    EXPECT_EQ(form().HorzValue, 640);
    EXPECT_EQ(form().VertValue, 100);

    Click(form().SpeedButton1);  // percent again, values untouched
    EXPECT_EQ(form().HorzValue, 640);
    Click(form().CheckBox1);  // lock off
    form().Edit2->setText(QStringLiteral("80"));
    EXPECT_EQ(form().Edit1->text(), QStringLiteral("640"));
    EXPECT_EQ(form().VertValue, 80);
    // Turning the lock on does not equalise; the next edit does.
    Click(form().CheckBox1);
    EXPECT_EQ(form().HorzValue, 640);
    EXPECT_EQ(form().VertValue, 80);
    form().Edit2->setText(QStringLiteral("81"));
    EXPECT_EQ(form().Edit1->text(), QStringLiteral("81"));
    EXPECT_EQ(form().HorzValue, 81);
}

TEST_F(WindowTest, TextThatIsNoNumberShowsTheConversionErrorAndKeepsTheValue) {
    form().Edit1->setText(QStringLiteral("12a"));
    ASSERT_EQ(platform_.Messages.size(), 1u);
    EXPECT_EQ(platform_.Messages[0].Text, QStringLiteral("'12a' is not a valid integer value."));
    EXPECT_EQ(platform_.Messages[0].Title, QStringLiteral("Skalomi Ver.4.02"));
    EXPECT_EQ(form().HorzValue, 100);
    EXPECT_EQ(form().Edit2->text(), QStringLiteral("100"));  // not mirrored
    form().Edit1->setText(QStringLiteral("$20"));
    EXPECT_EQ(form().HorzValue, 32);
    EXPECT_EQ(form().VertValue, 32);
    EXPECT_EQ(form().Edit2->text(), QStringLiteral("$20"));
}

TEST_F(WindowTest, UnitSwitchChangesCaptionsMarginsAndColoursOnly) {
    TForm1& f = form();
    f.Edit1->setFocus();
    Click(f.SpeedButton1);
    EXPECT_EQ(f.SpeedButton1->Caption(), QStringLiteral("(Pixel)  &P"));
    EXPECT_EQ(f.SpeedButton1->Margin(), 0);
    EXPECT_EQ(f.Label2->text(), QStringLiteral("横Size"));
    EXPECT_EQ(f.Label3->text(), QStringLiteral("縦Size"));
    for (QWidget* w : {static_cast<QWidget*>(f.Label2), static_cast<QWidget*>(f.Label3)})
        EXPECT_EQ(w->palette().color(QPalette::WindowText), QColor(128, 0, 0));
    EXPECT_EQ(f.SpeedButton1->FontColor(), QColor(128, 0, 0));
    EXPECT_FALSE(f.UnitIsPercent());
    EXPECT_EQ(focus(), f.ScrollBox1);

    Click(f.SpeedButton1);
    EXPECT_EQ(f.SpeedButton1->Caption(), QStringLiteral("（％）  &P"));
    EXPECT_EQ(f.SpeedButton1->Margin(), 4);
    EXPECT_EQ(f.Label2->text(), QStringLiteral("横拡縮"));
    EXPECT_EQ(f.Label2->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(f.SpeedButton1->FontColor(), QColor(0, 0, 0));
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("100"));
    EXPECT_EQ(f.HorzValue, 100);
}

TEST_F(WindowTest, UpDownArrowsStepWithinOneTo9999AndRunTheChangeRule) {
    TForm1& f = form();
    Click(f.UpDown1->UpButton());
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("101"));
    EXPECT_EQ(f.Edit2->text(), QStringLiteral("101"));
    EXPECT_EQ(f.VertValue, 101);
    f.Edit2->setText(QStringLiteral("9999"));
    Click(f.UpDown2->UpButton());
    EXPECT_EQ(f.Edit2->text(), QStringLiteral("9999"));  // no wrap
    f.Edit1->setText(QStringLiteral("1"));
    Click(f.UpDown1->DownButton());
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("1"));
    // A field holding no number steps from the arrows' last position.
    Click(f.CheckBox1);
    f.Edit1->setText(QString());
    Click(f.UpDown1->UpButton());
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("2"));
}

// ------------------------------------------------------------- tone bars

struct ToneRow {
    int position;
    int selStart, selEnd;
    int brightness;
};

TEST_F(WindowTest, BrightnessBarHighlightsFromTheCentreToTheThumb) {
    for (const ToneRow row : {ToneRow{4, 4, 10, -6}, ToneRow{10, 10, 10, 0}, ToneRow{17, 10, 17, 7},
                              ToneRow{0, 0, 10, -10}, ToneRow{20, 10, 20, 10}}) {
        form().TrackBar2->setValue(row.position);
        EXPECT_EQ(form().TrackBar2->SelStart(), row.selStart) << row.position;
        EXPECT_EQ(form().TrackBar2->SelEnd(), row.selEnd) << row.position;
        EXPECT_EQ(form().BrightnessStep, row.brightness) << row.position;
    }
}

TEST_F(WindowTest, ContrastBarHighlightsFromZeroAndMovesWithItsKeys) {
    Key(Qt::Key_C, QStringLiteral("c"));
    ASSERT_EQ(focus(), form().TrackBar1);
    for (int i = 0; i < 3; ++i) Key(Qt::Key_Right);
    EXPECT_EQ(form().TrackBar1->value(), 3);
    EXPECT_EQ(form().ContrastStep, 3);
    EXPECT_EQ(form().TrackBar1->SelStart(), 0);
    EXPECT_EQ(form().TrackBar1->SelEnd(), 3);
    Key(Qt::Key_End);
    EXPECT_EQ(form().ContrastStep, 20);
    // "b" moves to the brightness bar; Down moves it instead of the view.
    Key(Qt::Key_B, QStringLiteral("b"));
    ASSERT_EQ(focus(), form().TrackBar2);
    Key(Qt::Key_Down);
    EXPECT_EQ(form().BrightnessStep, -1);
}

TEST_F(WindowTest, RotationCyclesThroughFourGlyphsWithTheirCaptions) {
    const char* captions[] = {"回転（右90度）", "回転（180度）", "回転（左90度）", "回転（0度）"};
    const int glyphs[] = {9, 10, 11, 8};
    for (int i = 0; i < 4; ++i) {
        Key(Qt::Key_R, QStringLiteral("r"));
        EXPECT_EQ(GlyphIndexOf(form().ToolButton22), glyphs[i]);
        EXPECT_EQ(form().RotationIndex(), glyphs[i]);
        EXPECT_EQ(form().Label9->text(), QString::fromUtf8(captions[i]));
    }
    Click(form().ToolButton22);
    EXPECT_EQ(form().Label9->text(), QStringLiteral("回転（右90度）"));
}
