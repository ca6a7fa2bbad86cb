#include "tests/app/scripted_platform.h"

MessageAnswer ScriptedPlatform::ShowMessage(QWidget*, const QString& text, const QString& title,
                                            MessageIcon icon, MessageButtons buttons) {
    Messages.push_back({text, title, icon, buttons});
    Log << QStringLiteral("message ") + text;
    if (MessageAnswers.empty()) return MessageAnswer::Ok;
    const MessageAnswer answer = MessageAnswers.front();
    MessageAnswers.pop_front();
    return answer;
}

QStringList ScriptedPlatform::RunOpenDialog(QWidget*, const OpenDialogSettings& settings) {
    OpenDialogs.push_back(settings);
    Log << QStringLiteral("open");
    if (OpenAnswers.empty()) return {};
    QStringList answer = OpenAnswers.front();
    OpenAnswers.pop_front();
    return answer;
}

bool ScriptedPlatform::RunSaveDialog(QWidget*, SaveDialogSettings& settings) {
    SaveDialogs.push_back(settings);
    Log << QStringLiteral("save");
    if (SaveAnswers.empty()) return false;
    const std::optional<QString> answer = SaveAnswers.front();
    SaveAnswers.pop_front();
    if (!answer) return false;
    settings.FileName = *answer;
    return true;
}

void ScriptedPlatform::SetTopmost(QWidget* window, bool topmost) {
    TopmostCalls.emplace_back(window, topmost);
    Log << QStringLiteral("topmost %1").arg(topmost ? 1 : 0);
}

void ScriptedPlatform::BringToFront(QWidget* window) {
    BroughtToFront.push_back(window);
    Log << QStringLiteral("front");
}

bool ScriptedPlatform::IsEscapeHeld() {
    ++EscapePolls;
    if (OnEscapePoll) OnEscapePoll();
    bool held = EscapeHeld;
    if (!EscapeStates.empty()) {
        held = EscapeStates.front();
        EscapeStates.pop_front();
    }
    Log << QStringLiteral("escape %1").arg(held ? 1 : 0);
    return held;
}

void ScriptedPlatform::SetClipboardPicture(const ClipboardPicture& picture) {
    Copied = picture;
    Log << QStringLiteral("copy");
}

ClipboardContent ScriptedPlatform::ReadClipboard() {
    Log << QStringLiteral("paste");
    return Clipboard;
}

void ScriptedPlatform::Beep() {
    ++Beeps;
    Log << QStringLiteral("beep");
}

void ScriptedPlatform::SetBusyCursor(bool busy) {
    Busy = busy;
    Log << QStringLiteral("busy %1").arg(busy ? 1 : 0);
}

void ScriptedPlatform::DiscardWaitingCloseRequests() {
    Log << QStringLiteral("discard closes");
}

void ScriptedPlatform::ClearRecords() {
    Messages.clear();
    OpenDialogs.clear();
    SaveDialogs.clear();
    TopmostCalls.clear();
    BroughtToFront.clear();
    Copied.reset();
    Beeps = 0;
    EscapePolls = 0;
    Log.clear();
}
