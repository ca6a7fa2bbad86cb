#pragma once

// The X server's keyboard focus for the program's own windows.
//
// Qt turns every FocusIn the server reports into an activation, also one
// for a window the program has hidden since the server made the event; and
// it takes the program's own activation requests, which the server shows it
// too, for activations, queued and delivered later. Either can give the
// activation to a dialog that has just gone: the main window would lose it
// and get it back later, running its activation step a second time, after
// the command has set the focus. StaleFocusFilter drops both, so only the
// server's FocusIn for a shown window activates it. FocusOwnWindow moves the server's
// focus from one window of the program to another at once, without waiting
// for the window manager, so Qt does not take the program for inactive
// meanwhile.

#include <QAbstractNativeEventFilter>
#include <optional>

class QWindow;

class StaleFocusFilter : public QAbstractNativeEventFilter {
public:
    // Installs itself on the application; without an X server it does nothing.
    StaleFocusFilter();
    ~StaleFocusFilter() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    unsigned activeWindowAtom_ = 0;
};

// Gives `window` the X server's keyboard focus, as a program may while one
// of its windows has it. Nothing happens without an X server.
void FocusOwnWindow(QWindow* window);

// Whether the program is still the active application on the X server: the
// server's focus is in one of its windows, or the window manager names one
// of them its active window (_NET_ACTIVE_WINDOW), or, where it names none,
// the focus is nowhere, as just after a focused window of the program went.
// False when the user has gone to another program. Nothing without an X
// server.
std::optional<bool> X11ProgramIsActive();
