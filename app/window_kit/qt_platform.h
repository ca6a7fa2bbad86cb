#pragma once

// The platform layer on Qt: QMessageBox, Qt's own QFileDialog (the open
// dialog with a picture preview; both at a readable size that they keep,
// with their folder, while the program runs), the window flag for the
// always-on-top layer, the X server's key map for Esc (the state tracked
// from key events elsewhere), QClipboard, QScreen. A window that goes hands
// the activation back at once, and close requests made during a scale run
// are not carried out after it.

#include <QObject>
#include <memory>

#include "app/window_kit/activation_return.h"
#include "app/window_kit/file_dialogs.h"
#include "app/window_kit/platform.h"
#include "app/window_kit/x11_close_requests.h"

class QFileDialog;
class QMessageBox;

class QtPlatform : public QObject, public Platform {
public:
    QtPlatform();
    ~QtPlatform() override;

    MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title,
                              MessageIcon icon, MessageButtons buttons) override;
    QStringList RunOpenDialog(QWidget* parent, const OpenDialogSettings& settings) override;
    bool RunSaveDialog(QWidget* parent, SaveDialogSettings& settings) override;
    void SetTopmost(QWidget* window, bool topmost) override;
    void BringToFront(QWidget* window) override;
    bool IsEscapeHeld() override;
    void SetClipboardPicture(const ClipboardPicture& picture) override;
    ClipboardContent ReadClipboard() override;
    void Beep() override;
    int ScreenColors() override;
    void SetBusyCursor(bool busy) override;
    void DiscardWaitingCloseRequests() override;

    // The dialogs as they are run, for the tests of their settings.
    static std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                                       const QString& title, MessageIcon icon,
                                                       MessageButtons buttons);
    static std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* parent,
                                                       const OpenDialogSettings& settings,
                                                       const FileDialogMemory& memory = {});
    static std::unique_ptr<QFileDialog> MakeSaveDialog(QWidget* parent,
                                                       const SaveDialogSettings& settings,
                                                       const FileDialogMemory& memory = {});

    // What the open and the save dialog keep from their last use.
    const FileDialogMemory& OpenDialogMemory() const { return openMemory_; }
    const FileDialogMemory& SaveDialogMemory() const { return saveMemory_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ActivationReturn activationReturn_;
    FileDialogMemory openMemory_;
    FileDialogMemory saveMemory_;
    bool escapeDown_ = false;  // tracked from key events, where there is no X server
    bool busy_ = false;
};

// The colour count for a screen depth in bits: 2 to that power, capped where
// an int cannot hold it (only 256 is ever tested).
int ColorsOfDepth(int depth);
