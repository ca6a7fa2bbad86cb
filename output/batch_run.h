#pragma once

// The batch run: the current settings applied to many files, each loaded,
// scaled and saved by the same three operations a user would run (the main
// window's OpenPictureFile and ToolButton10Click, then SavePictureFile),
// with the confirmations, the destination dialog, the overwrite question and
// the Esc-hold abort around them. The main window owns one TBatchRun and
// drives it through BatchRunHost; its ToolButton12Click is the entry point.
//
// The run's dialogue with the user (questions, messages, the progress
// window's captions) is kept apart from the work on each file, which is one
// call (ProcessFile), so that the order the user sees does not depend on how
// a file is processed.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "output/batch_texts.h"

class Platform;
class QWidget;
class TForm2;
class TForm4;
class TPictureOutput;
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
    // The window's load and scale commands; each is true when it succeeded
    // and has shown its own message when not.
    virtual bool OpenPictureFile(const QString& fileName) = 0;
    virtual bool ToolButton10Click() = 0;

protected:
    ~BatchRunHost() = default;
};

class TBatchRun {
public:
    // `output` saves each file's scaled picture.
    TBatchRun(BatchRunHost& host, TPictureOutput& output) : host_(host), output_(output) {}

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
    // The loop over the files: the caption, the overwrite question, the
    // work, the look at Esc.
    void RunFiles(const std::vector<File>& files);
    // The work on one file. A file that cannot be read, or whose scale is
    // refused or abandoned, is skipped after its own message: nothing is
    // written under its output name, since the picture shown then is not
    // that file's.
    void ProcessFile(const File& file);

    BatchRunHost& host_;
    TPictureOutput& output_;
};
