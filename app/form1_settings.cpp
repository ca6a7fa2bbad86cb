#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolButton>

#include "app/form1.h"
#include "app/integer_conversion.h"
#include "app/window_kit/speed_button.h"
#include "app/window_kit/texts.h"
#include "app/window_kit/track_bar.h"

namespace {

// Blanks and control characters (everything at or below the space) removed
// from both ends.
QString trimmed(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= u' ') ++begin;
    while (end > begin && text.at(end - 1).unicode() <= u' ') --end;
    return text.mid(begin, end - begin);
}

}  // namespace

int TForm1::RotationIndex() const {
    return GlyphIndexOf(ToolButton22);
}

ScaleSettings TForm1::CurrentScaleSettings() const {
    ScaleSettings settings;
    settings.HorzValue = HorzValue;
    settings.VertValue = VertValue;
    settings.Unit = UnitIsPercent() ? ScaleUnit::Percent : ScaleUnit::Pixel;
    settings.AspectLock = CheckBox1->isChecked();
    settings.Rotation = RotationIndex();
    settings.ContrastStep = ContrastStep;
    settings.BrightnessStep = BrightnessStep;
    return settings;
}

SelectionRect TForm1::CurrentSelection() const {
    return SelectionRect{SelLeft, SelTop, SelRight, SelBottom};
}

void TForm1::SetFieldText(QLineEdit* field, const QString& text) {
    if (field->text() == text) return;
    {
        const QSignalBlocker quiet(field);
        field->setText(text);
    }
    if (field == Edit1)
        Edit1Change();
    else if (field == Edit2)
        Edit2Change();
}

void TForm1::EditChange(QLineEdit* own, QLineEdit* other, std::int32_t& ownValue,
                        std::int32_t& otherValue) {
    const QString text = trimmed(own->text());
    if (!text.isEmpty()) ownValue = StrToInt(text);
    if (CheckBox1->isChecked() && UnitIsPercent()) {
        SetFieldText(other, text);
        if (!text.isEmpty()) otherValue = StrToInt(text);
    }
}

void TForm1::Edit1Change() {
    EditChange(Edit1, Edit2, HorzValue, VertValue);
}

void TForm1::Edit2Change() {
    EditChange(Edit2, Edit1, VertValue, HorzValue);
}

void TForm1::SpeedButton1Click() {
    ShowScaleUnit(!UnitIsPercent());
    FocusView();
}

void TForm1::CheckBox1Click() {
    FocusView();
}

void TForm1::TrackBar1Change() {
    const int position = TrackBar1->value();
    TrackBar1->SetSelection(0, position);
    ContrastStep = position;
}

void TForm1::TrackBar2Change() {
    const int p = TrackBar2->value();
    if (p < 10)
        TrackBar2->SetSelection(p, 10);
    else if (p > 10)
        TrackBar2->SetSelection(10, p);
    else
        TrackBar2->SetSelection(10, 10);
    BrightnessStep = p - 10;
}

void TForm1::ToolButton22Click() {
    const int current = RotationIndex();
    const int next = current == kRotateLeft ? kRotate0 : current + 1;
    SetGlyphIndex(ToolButton22, next);
    switch (next) {
        case kRotate0:
            Label9->setText(QStringLiteral("回転（0度）"));
            break;
        case kRotateRight:
            Label9->setText(QStringLiteral("回転（右90度）"));
            break;
        case kRotate180:
            Label9->setText(QStringLiteral("回転（180度）"));
            break;
        case kRotateLeft:
            Label9->setText(QStringLiteral("回転（左90度）"));
            break;
        default:
            break;
    }
}
