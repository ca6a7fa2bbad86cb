#pragma once

// The platform layer for the window tests: answers dialogs from queues and
// records everything the window asked of the desktop, in order.

#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "app/window_kit/platform.h"

struct ShownMessage {
    QString Text;
    QString Title;
    MessageIcon Icon = MessageIcon::None;
    MessageButtons Buttons = MessageButtons::Ok;
};

class ScriptedPlatform : public Platform {
public:
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
    int ScreenColors() override { return Colors; }
    void SetBusyCursor(bool busy) override;
    void DiscardWaitingCloseRequests() override;

    // Answers, taken from the front; an empty queue cancels a dialog and
    // answers a message box with OK.
    std::deque<QStringList> OpenAnswers;
    std::deque<std::optional<QString>> SaveAnswers;
    std::deque<MessageAnswer> MessageAnswers;
    ClipboardContent Clipboard;
    int Colors = 16777216;
    // Esc answers: taken from the front of EscapeStates, then EscapeHeld.
    std::deque<bool> EscapeStates;
    bool EscapeHeld = false;
    int EscapePolls = 0;
    // Called at each look at Esc, before it is answered: the batch run looks
    // once between two files.
    std::function<void()> OnEscapePoll;

    // What was asked.
    std::vector<ShownMessage> Messages;
    std::vector<OpenDialogSettings> OpenDialogs;
    std::vector<SaveDialogSettings> SaveDialogs;
    std::vector<std::pair<QWidget*, bool>> TopmostCalls;
    std::vector<QWidget*> BroughtToFront;
    std::optional<ClipboardPicture> Copied;
    int Beeps = 0;
    bool Busy = false;
    // Every call in order, as short words ("topmost 0", "message <text>",
    // "busy 1", "open", "save", "beep", "front", "copy", "paste", "escape 1",
    // "discard closes").
    QStringList Log;

    void ClearRecords();
};
