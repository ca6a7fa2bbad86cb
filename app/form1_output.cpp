// The main window's output handlers hand their work to output/, and what
// output/ asks of the window.

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>

#include "app/form1.h"
#include "app/window_kit/image_view.h"
#include "app/window_kit/track_bar.h"

void TForm1::ToolButton2Click() {
    pictureOutput_.SaveShown();
}

void TForm1::SavePictureFile(const QString& fileName) {
    pictureOutput_.SavePictureFile(fileName);
}

void TForm1::Copy0Click() {
    pictureOutput_.CopySource();
}

void TForm1::Copy1Click() {
    pictureOutput_.CopyScaled();
}

void TForm1::ToolButton12Click() {
    batchRun_.Run();
}

bool TForm1::StaysOnTop() const {
    return CheckBox2->isChecked();
}

bool TForm1::SourceIsShown() const {
    return ToolButton5->isChecked();
}

QSize TForm1::ViewSize(bool source) const {
    return source ? Image1->size() : Image2->size();
}

BatchSettings TForm1::CurrentBatchSettings() const {
    BatchSettings settings;
    settings.Percent = UnitIsPercent();
    settings.AspectLock = CheckBox1->isChecked();
    settings.Horz = Edit1->text();
    settings.Vert = Edit2->text();
    settings.BrightnessStep = TrackBar2->value() - 10;
    settings.ContrastStep = TrackBar1->value();
    settings.Rotation = RotationIndex();
    return settings;
}
