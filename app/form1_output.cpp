// The main window's output handlers hand their work to output/, and what
// output/ asks of the window.

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>
#include <utility>

#include "app/form1.h"
#include "app/window_kit/background_work.h"
#include "app/window_kit/image_view.h"
#include "app/window_kit/texts.h"
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

JobSettings TForm1::BatchJobSettings() const {
    // A file opened is selected whole, and SavePictureFile writes the format
    // its name's extension gives: the engine's defaults.
    JobSettings job;
    job.Settings = CurrentScaleSettings();
    return job;
}

void TForm1::TakeBatchPictures(const QString& sourceName, const QString& outputName,
                               const JobPictures& pictures) {
    // What opening, scaling and saving the file leave: the views' pictures
    // are made off the window's thread, then shown as those commands show
    // them.
    const int screenColors = ScreenColors;
    TDIB source(pictures.Source);
    SourceView sourceView, scaledView;
    RunInBackground([&] {
        sourceView = MakeSourceView(source, screenColors);
        scaledView = MakeScaledView(pictures.Result, screenColors);
    });
    SourceDIB = std::move(source);
    ShowImage1(std::move(sourceView));
    ButtonSetWhenDataIn();
    FormTitleSet(sourceName, texts::KindSource, Image1->width(), Image1->height());

    ScaledDIB = pictures.Result;
    ToolButton6->setEnabled(true);
    Image2->resize(ScaledDIB.Width(), ScaledDIB.Height());
    Image2->SetPicture(scaledView.Picture);
    ToolButton6Click();
    copy1->setEnabled(true);
    FormTitleSet(outputName, texts::KindScaled, Image2->width(), Image2->height());
    FocusView();
}
