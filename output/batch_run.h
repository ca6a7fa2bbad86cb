#pragma once

// The batch run: the current settings applied to many files, each loaded,
// scaled and saved by the core's job engine (scale/jobs), the one the
// command-line tool runs, with the confirmations, the destination dialog,
// the overwrite question and the Esc-hold abort around them. The main
// window owns one TBatchRun and drives it through BatchRunHost; its
// ToolButton12Click is the entry point.
//
// The files run on worker threads, several at once, while the window's
// thread keeps the windows painted and answers the window manager. The
// user still meets the questions, messages and captions in the order of a
// run of one file after the other (batch_run_files.cpp): a file whose output
// exists waits for every file before it to be done before it is asked
// about, and each file's outcome is reported in its place in the order.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "output/batch_texts.h"
#include "scale/jobs/job_outcome.h"
#include "scale/jobs/job_settings.h"

class Platform;
class QWidget;
class TForm2;
class TForm4;
struct OpenDialogSettings;
struct SaveDialogSettings;

class BatchRunHost {
public:
    virtual Platform& platform() = 0;
    // The window the dialogs belong to.
    virtual QWidget* OwnerWidget() = 0;
    // The settings as the window's controls hold them now.
    virtual BatchSettings CurrentBatchSettings() const = 0;
    // The open and save dialogs' settings, kept by the window; the open
    // dialog's title as the window gave it at start.
    virtual OpenDialogSettings& OpenDialog() = 0;
    virtual QString OpenDialogStartTitle() const = 0;
    virtual SaveDialogSettings& SaveDialog() = 0;
    // Whether the window's stay-on-top box is checked.
    virtual bool StaysOnTop() const = 0;
    // The window's abort flag, set when Esc is found held between files.
    virtual std::uint8_t& BatchAbortFlag() = 0;
    // While held, the window neither closes nor takes a dropped file.
    virtual void HoldCloseAndDrop(bool held) = 0;
    virtual TForm2* ProgressWindow() = 0;
    virtual TForm4* DestinationDialog() = 0;
    // The window's settings as the job engine takes them: every file is
    // scaled as the window scales a picture it has just opened.
    virtual JobSettings BatchJobSettings() const = 0;
    // How many files are worked on at once; 0: as many as the cores.
    virtual int BatchFilesAtOnce() const = 0;
    // The last file processed becomes the window's: its picture, opened
    // from `sourceName`, as the source image, its scaled picture shown, and
    // the title naming `outputName`, as after opening, scaling and saving it.
    virtual void TakeBatchPictures(const QString& sourceName, const QString& outputName,
                                   const JobPictures& pictures) = 0;

protected:
    ~BatchRunHost() = default;
};

class TBatchRun {
public:
    explicit TBatchRun(BatchRunHost& host) : host_(host) {}

    // One run, from the settings question to the closing steps.
    void Run();

private:
    struct Destination {
        QString Folder;  // ends in "/"
        QString Suffix;  // empty for "no suffix"
        QString Extension;
    };
    struct File {
        QString Source;
        QString Output;
    };
    enum class OverwriteAnswer { NotAsked, Yes, No, Cancel };

    // The dialogue: every question, message and caption of the run.
    bool ConfirmSettings(const QString& settingsText);
    QStringList ChooseFiles();
    std::optional<Destination> ChooseDestination(const QString& sourceFolder);
    bool ConfirmFinal(const QString& sourceFolder, int count, const Destination& destination,
                      const QString& settingsText);
    OverwriteAnswer AskOverwrite(const QString& output);
    void ShowRunning(bool running);
    void ShowFileCaption(int number, int count);

    // The files in order with their output names.
    static std::vector<File> PlanFiles(const QStringList& sources, const Destination& destination);
    // The files on the job engine (batch_run_files.cpp): for each, in order,
    // the caption, the overwrite question, the file's own message when it
    // fails, the look at Esc; then the window takes the last file written.
    // A file that cannot be read, or whose scale is refused, is skipped
    // after its message: nothing is written under its output name.
    class FileRun;
    void RunFiles(const std::vector<File>& files);

    BatchRunHost& host_;
};
