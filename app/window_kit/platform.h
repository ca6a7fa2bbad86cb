#pragma once

// Every call the window code makes into the desktop: message boxes, the open
// and save dialogs, the window order, the keyboard state, the clipboard, the
// beep, the screen's colours and the busy cursor. The Qt implementation
// (qt_platform.h) is the product; the tests put in a scripted one that
// answers dialogs and records what was shown.

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

class QWidget;

enum class MessageIcon { None, Information, Warning, Error };
enum class MessageButtons { Ok, OkCancel, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// The settings of an open dialog, kept from one use to the next.
struct OpenDialogSettings {
    QString Title;
    QString Filter;  // pairs of description and pattern separated by "|"
    bool MultiSelect = false;
};

// The settings of a save dialog. Running it updates FileName and
// FilterIndex, which the dialog keeps for its next use.
struct SaveDialogSettings {
    QString Title;
    QString Filter;
    int FilterIndex = 1;  // 1-based
    QString DefaultExt;   // without the dot
    QString FileName;
    bool OverwritePrompt = true;
};

// What a copy puts on the clipboard: the packed DIB as an "image/bmp" file
// (with its 14-byte file header) and the picture as an image for programs
// that take images in other forms.
struct ClipboardPicture {
    std::vector<std::uint8_t> BmpFile;
    QImage Image;
};

// What a paste finds on the clipboard. A picture wins over a metafile.
struct ClipboardContent {
    std::optional<std::vector<std::uint8_t>> PackedDIB;  // any image, as a packed DIB
    std::optional<std::vector<std::uint8_t>> Metafile;   // image/x-wmf or image/x-emf data
    bool MetafileIsEnhanced = false;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Shows a modal message box; "\r" in the text is a line break.
    virtual MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title,
                                      MessageIcon icon, MessageButtons buttons) = 0;

    // Runs the open dialog; the chosen full paths, or nothing on cancel.
    virtual QStringList RunOpenDialog(QWidget* parent, const OpenDialogSettings& settings) = 0;
    // Runs the save dialog; false on cancel. Updates FileName and FilterIndex.
    virtual bool RunSaveDialog(QWidget* parent, SaveDialogSettings& settings) = 0;

    // Puts a top-level window into or out of the always-on-top layer without
    // moving or resizing it.
    virtual void SetTopmost(QWidget* window, bool topmost) = 0;
    // Brings a window to the front and makes it the active one.
    virtual void BringToFront(QWidget* window) = 0;

    // Whether Esc is held down right now.
    virtual bool IsEscapeHeld() = 0;

    virtual void SetClipboardPicture(const ClipboardPicture& picture) = 0;
    virtual ClipboardContent ReadClipboard() = 0;

    virtual void Beep() = 0;

    // The number of colours of the screen; only "exactly 256" matters.
    virtual int ScreenColors() = 0;

    // The hourglass while a long command runs, and back to the default.
    virtual void SetBusyCursor(bool busy) = 0;

    // Close requests for the program's windows made until now that still
    // wait to be handled (a scale run holds input back) are dropped when
    // they come through, instead of closing a window after the run.
    virtual void DiscardWaitingCloseRequests() = 0;
};
