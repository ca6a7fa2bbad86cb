#pragma once

// The platform layer on Qt: QMessageBox, Qt's own QFileDialog, the window
// flag for the always-on-top layer, the X server's key map for Esc (the
// state tracked from key events elsewhere), QClipboard, QScreen.

#include <memory>

#include <QObject>

#include "app/platform.h"

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

    // The dialogs as they are run, for the tests of their settings.
    static std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                                       const QString& title, MessageIcon icon,
                                                       MessageButtons buttons);
    static std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* parent,
                                                       const OpenDialogSettings& settings);
    static std::unique_ptr<QFileDialog> MakeSaveDialog(QWidget* parent,
                                                       const SaveDialogSettings& settings);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool escapeDown_ = false;  // tracked from key events, where there is no X server
    bool busy_ = false;
};

// The colour count for a screen depth in bits: 2 to that power, capped where
// an int cannot hold it (only 256 is ever tested).
int ColorsOfDepth(int depth);
