// The batch run, ToolButton12Click: the current settings applied to many
// files, each loaded, scaled and saved by the same three operations a user
// would run (OpenPictureFile, ToolButton10Click, SavePictureFile), with the
// confirmations, the destination dialog, the overwrite question and the
// Esc-hold abort around them.
//
// A file that cannot be read, or whose scale is refused or abandoned, is
// skipped after its own message: nothing is written under its output name,
// since the picture shown then is not that file's.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

#include "app/form1.h"
#include "app/window_kit/at_scope_end.h"
#include "app/window_kit/track_bar.h"
#include "output/batch_destination_dialog.h"
#include "output/batch_texts.h"
#include "output/escape_wait.h"
#include "output/progress_window.h"
#include "scale/batch_naming.h"

namespace {

enum class OverwriteAnswer { NotAsked, Yes, No, Cancel };

// How long the closing steps wait at most for Esc to come up (see
// WaitForEscapeRelease).
constexpr std::chrono::seconds kEscapeReleaseLimit(10);

// An output name exists when anything stands there, a dangling link too.
bool outputExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Names cross into the core as the file system's bytes.
std::string bytesOf(const QString& text) {
    return QFile::encodeName(text).toStdString();
}
QString textOf(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

QString outputNameFor(const QString& destinationFolder, const QString& source,
                      const QString& suffix, const QString& extension) {
    return textOf(BatchOutputName(bytesOf(destinationFolder), bytesOf(source), bytesOf(suffix),
                                  bytesOf(extension)));
}

}  // namespace

void TForm1::ToolButton12Click() {
    BatchSettings settings;
    settings.Percent = UnitIsPercent();
    settings.AspectLock = CheckBox1->isChecked();
    settings.Horz = Edit1->text();
    settings.Vert = Edit2->text();
    settings.BrightnessStep = TrackBar2->value() - 10;
    settings.ContrastStep = TrackBar1->value();
    settings.Rotation = RotationIndex();
    const QString settingsText = BatchSettingsText(settings);

    // The window neither closes nor takes a dropped file until the run is
    // over; close requests held back meanwhile are dropped, not carried out
    // after it. Declared first, so it ends after the closing steps.
    batchRunning_ = true;
    const AtScopeEnd batchOver([this] {
        platform_.DiscardWaitingCloseRequests();
        batchRunning_ = false;
    });

    if (platform_.ShowMessage(this, BatchStartQuestion(settingsText), batch_texts::SettingsTitle,
                              MessageIcon::Information,
                              MessageButtons::OkCancel) != MessageAnswer::Ok)
        return;

    // The closing steps, in their order on every way out of the command,
    // an error that ends the run included. Each applies from the step that
    // set up what it undoes: the open dialog from the file choice, the save
    // dialog from the destination dialog, the progress window from the loop.
    bool openDialogUsed = false, saveDialogToClear = false, progressShown = false;
    const AtScopeEnd closingSteps([&] {
        if (progressShown && Form2) {
            Form2->setWindowTitle(batch_texts::IdleCaption);
            Form2->Label2->hide();
        }
        if (progressShown) WaitForEscapeRelease(platform_, kEscapeReleaseLimit);
        if (saveDialogToClear) {
            SaveDialog1.Title.clear();
            SaveDialog1.FileName.clear();
        }
        if (openDialogUsed) {
            OpenPictureDialog1.MultiSelect = false;
            OpenPictureDialog1.Title = OpenDialogTitle;
        }
    });

    openDialogUsed = true;
    OpenPictureDialog1.MultiSelect = true;
    OpenPictureDialog1.Title = batch_texts::OpenTitle;
    const QStringList files = platform_.RunOpenDialog(this, OpenPictureDialog1);
    if (files.isEmpty()) return;
    const int count = static_cast<int>(files.size());
    const QString sourceFolder = WithTrailingSlash(textOf(FolderOf(bytesOf(files.constFirst()))));

    saveDialogToClear = true;
    if (!Form4) return;
    Form4->LabelSourceDir->setText(sourceFolder);
    // The dialog comes in front of a main window that stays on top.
    platform_.SetTopmost(this, false);
    const int chosen = Form4->exec();
    platform_.SetTopmost(this, CheckBox2->isChecked());
    if (chosen != QDialog::Accepted) return;

    const QString destinationFolder = WithTrailingSlash(Form4->Label1->text());
    const QString suffix = textOf(EffectiveSuffix(bytesOf(Form4->ComboBox2->currentText())));
    const QString extension = BatchTypeExtension(Form4->ComboBox1->currentIndex());

    if (platform_.ShowMessage(this,
                              BatchFinalQuestion(sourceFolder, count, destinationFolder, suffix,
                                                 extension, settingsText),
                              batch_texts::FinalTitle, MessageIcon::Information,
                              MessageButtons::OkCancel) != MessageAnswer::Ok)
        return;

    progressShown = true;
    if (Form2) Form2->Label2->show();
    BatchAbort = 0;
    OverwriteAnswer answer = OverwriteAnswer::NotAsked;
    for (int i = 0; i < count; ++i) {
        if (Form2) Form2->setWindowTitle(BatchProgressCaption(i + 1, count));
        const QString& source = files.at(i);
        const QString output = outputNameFor(destinationFolder, source, suffix, extension);

        if ((answer == OverwriteAnswer::NotAsked || answer == OverwriteAnswer::No) &&
            outputExists(output)) {
            switch (platform_.ShowMessage(this, BatchOverwriteQuestion(output),
                                          batch_texts::OverwriteTitle, MessageIcon::Warning,
                                          MessageButtons::YesNoCancel)) {
                case MessageAnswer::Yes:
                    answer = OverwriteAnswer::Yes;
                    break;
                case MessageAnswer::No:
                    answer = OverwriteAnswer::No;
                    break;
                default:
                    answer = OverwriteAnswer::Cancel;
                    break;
            }
        }

        if (answer == OverwriteAnswer::NotAsked || answer == OverwriteAnswer::Yes) {
            // Each step has shown its own message when it fails.
            if (OpenPictureFile(source) && ToolButton10Click()) SavePictureFile(output);
        } else if (answer == OverwriteAnswer::No) {
            answer = OverwriteAnswer::NotAsked;
        }

        // Only a key held down at this moment counts.
        if (platform_.IsEscapeHeld()) BatchAbort = 1;
        if (BatchAbort != 0 || answer == OverwriteAnswer::Cancel) break;
    }
}
