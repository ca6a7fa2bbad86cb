#pragma once

// Keys typed the way a user types them: through the X server (its XTEST
// extension), so they reach whichever window has the focus, pass the
// window manager and Qt's own input handling, and show in the server's key
// map while held. A keyboard of its own, with a connection of its own, can
// be worked from another thread while the program is busy.

#include <QString>

typedef unsigned long KeySym;
struct _XDisplay;

class XKeyboard {
public:
    XKeyboard();
    ~XKeyboard();
    XKeyboard(const XKeyboard&) = delete;
    XKeyboard& operator=(const XKeyboard&) = delete;

    // False when there is no X server or it lacks XTEST.
    bool Usable() const { return usable_; }

    void Press(KeySym key);
    void Release(KeySym key);
    void Tap(KeySym key);
    // Printable ASCII, with Shift where the key map needs it.
    void Type(const QString& text);

    // What a window manager sends for its close button or Alt+F4
    // (WM_DELETE_WINDOW), on this connection.
    void RequestClose(unsigned long window);

private:
    _XDisplay* display_ = nullptr;
    bool usable_ = false;
};
