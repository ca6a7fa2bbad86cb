#pragma once

// The main window's output commands: saving the shown picture and copying
// either picture to the clipboard. The main window owns one TPictureOutput
// and drives it through PictureOutputHost, which gives the commands what
// they need of the window and nothing more; the main window's handlers
// (ToolButton2Click, Copy0Click, ...) stay its entry points.

#include <QSize>
#include <QString>

class Platform;
class QWidget;
class TDIB;
struct SaveDialogSettings;

class PictureOutputHost {
public:
    virtual Platform& platform() = 0;
    // The window the dialogs belong to.
    virtual QWidget* OwnerWidget() = 0;
    // The save dialog's settings, kept by the window from one use to the next.
    virtual SaveDialogSettings& SaveDialog() = 0;
    // Whether the source view is the one shown (its button is down).
    virtual bool SourceIsShown() const = 0;
    virtual const TDIB& SourcePicture() const = 0;
    virtual const TDIB& ScaledPicture() const = 0;
    // The size of the source view's or the scaled view's picture.
    virtual QSize ViewSize(bool source) const = 0;
    virtual void FormTitleSet(const QString& name, const QString& kind, int width, int height) = 0;
    // The keyboard focus to the image view.
    virtual void FocusView() = 0;

protected:
    ~PictureOutputHost() = default;
};

class TPictureOutput {
public:
    explicit TPictureOutput(PictureOutputHost& host) : host_(host) {}

    // The save command: the save dialog, then SavePictureFile.
    void SaveShown();
    // Writes the shown picture to `fileName` in the format its extension
    // names and puts the name in the title. A failed write throws, with the
    // title and the focus left alone.
    void SavePictureFile(const QString& fileName);
    void CopySource();
    void CopyScaled();

private:
    void Copy(const TDIB& picture);

    PictureOutputHost& host_;
};
