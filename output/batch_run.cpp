#include "output/batch_run.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <chrono>

#include "app/window_kit/at_scope_end.h"
#include "app/window_kit/platform.h"
#include "output/batch_destination_dialog.h"
#include "output/escape_wait.h"
#include "output/picture_output.h"
#include "output/progress_window.h"
#include "scale/batch_naming.h"

namespace {

// How long the closing steps wait at most for Esc to come up (see
// WaitForEscapeRelease).
constexpr std::chrono::seconds kEscapeReleaseLimit(10);

// Names cross into the core as the file system's bytes.
std::string bytesOf(const QString& text) {
    return QFile::encodeName(text).toStdString();
}
QString textOf(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

}  // namespace

void TBatchRun::Run() {
    const QString settingsText = BatchSettingsText(host_.CurrentBatchSettings());

    // The window neither closes nor takes a dropped file until the run is
    // over; close requests held back meanwhile are dropped, not carried out
    // after it. Declared first, so it ends after the closing steps.
    host_.HoldCloseAndDrop(true);
    const AtScopeEnd batchOver([this] {
        host_.platform().DiscardWaitingCloseRequests();
        host_.HoldCloseAndDrop(false);
    });

    if (!ConfirmSettings(settingsText)) return;

    // The closing steps, in their order on every way out of the command,
    // an error that ends the run included. Each applies from the step that
    // set up what it undoes: the open dialog from the file choice, the save
    // dialog from the destination dialog, the progress window from the loop.
    bool openDialogUsed = false, saveDialogToClear = false, progressShown = false;
    const AtScopeEnd closingSteps([&] {
        if (progressShown) ShowRunning(false);
        if (progressShown) WaitForEscapeRelease(host_.platform(), kEscapeReleaseLimit);
        if (saveDialogToClear) {
            host_.SaveDialog().Title.clear();
            host_.SaveDialog().FileName.clear();
        }
        if (openDialogUsed) {
            host_.OpenDialog().MultiSelect = false;
            host_.OpenDialog().Title = host_.OpenDialogStartTitle();
        }
    });

    openDialogUsed = true;
    const QStringList sources = ChooseFiles();
    if (sources.isEmpty()) return;
    const QString sourceFolder = WithTrailingSlash(textOf(FolderOf(bytesOf(sources.constFirst()))));

    saveDialogToClear = true;
    const std::optional<Destination> destination = ChooseDestination(sourceFolder);
    if (!destination) return;
    if (!ConfirmFinal(sourceFolder, static_cast<int>(sources.size()), *destination, settingsText))
        return;

    progressShown = true;
    RunFiles(PlanFiles(sources, *destination));
}

std::vector<TBatchRun::File> TBatchRun::PlanFiles(const QStringList& sources,
                                                  const Destination& destination) {
    std::vector<File> files;
    files.reserve(static_cast<std::size_t>(sources.size()));
    for (const QString& source : sources)
        files.push_back(
            {source,
             textOf(BatchOutputName(bytesOf(destination.Folder), bytesOf(source),
                                    bytesOf(destination.Suffix), bytesOf(destination.Extension)))});
    return files;
}

// ------------------------------------------------------------ the dialogue

bool TBatchRun::ConfirmSettings(const QString& settingsText) {
    return host_.platform().ShowMessage(host_.OwnerWidget(), BatchStartQuestion(settingsText),
                                        batch_texts::SettingsTitle, MessageIcon::Information,
                                        MessageButtons::OkCancel) == MessageAnswer::Ok;
}

QStringList TBatchRun::ChooseFiles() {
    OpenDialogSettings& dialog = host_.OpenDialog();
    dialog.MultiSelect = true;
    dialog.Title = batch_texts::OpenTitle;
    return host_.platform().RunOpenDialog(host_.OwnerWidget(), dialog);
}

std::optional<TBatchRun::Destination> TBatchRun::ChooseDestination(const QString& sourceFolder) {
    TForm4* dialog = host_.DestinationDialog();
    if (!dialog) return std::nullopt;
    dialog->LabelSourceDir->setText(sourceFolder);
    // The dialog comes in front of a main window that stays on top.
    host_.platform().SetTopmost(host_.OwnerWidget(), false);
    const int chosen = dialog->exec();
    host_.platform().SetTopmost(host_.OwnerWidget(), host_.StaysOnTop());
    if (chosen != QDialog::Accepted) return std::nullopt;
    return Destination{WithTrailingSlash(dialog->Label1->text()),
                       textOf(EffectiveSuffix(bytesOf(dialog->ComboBox2->currentText()))),
                       BatchTypeExtension(dialog->ComboBox1->currentIndex())};
}

bool TBatchRun::ConfirmFinal(const QString& sourceFolder, int count, const Destination& destination,
                             const QString& settingsText) {
    return host_.platform().ShowMessage(
               host_.OwnerWidget(),
               BatchFinalQuestion(sourceFolder, count, destination.Folder, destination.Suffix,
                                  destination.Extension, settingsText),
               batch_texts::FinalTitle, MessageIcon::Information,
               MessageButtons::OkCancel) == MessageAnswer::Ok;
}

TBatchRun::OverwriteAnswer TBatchRun::AskOverwrite(const QString& output) {
    switch (host_.platform().ShowMessage(host_.OwnerWidget(), BatchOverwriteQuestion(output),
                                         batch_texts::OverwriteTitle, MessageIcon::Warning,
                                         MessageButtons::YesNoCancel)) {
        case MessageAnswer::Yes:
            return OverwriteAnswer::Yes;
        case MessageAnswer::No:
            return OverwriteAnswer::No;
        default:
            return OverwriteAnswer::Cancel;
    }
}

void TBatchRun::ShowRunning(bool running) {
    TForm2* progress = host_.ProgressWindow();
    if (!progress) return;
    if (running) {
        progress->Label2->show();
    } else {
        progress->setWindowTitle(batch_texts::IdleCaption);
        progress->Label2->hide();
    }
}

void TBatchRun::ShowFileCaption(int number, int count) {
    if (TForm2* progress = host_.ProgressWindow())
        progress->setWindowTitle(BatchProgressCaption(number, count));
}
