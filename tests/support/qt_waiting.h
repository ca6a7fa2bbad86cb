#pragma once

// Waiting in the window tests while Qt handles events, for a condition with
// a time limit: never for a fixed while, which is either too short on a busy
// machine or wasted on an idle one. Header-only, since the core's tests,
// which link the support library too, have no Qt.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

// Handles the application's events until `done` holds or `milliseconds`
// have passed; whether it holds. Between events it sleeps until the next
// one, or a few milliseconds for conditions that no event announces (a file
// written, another thread's work).
inline bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.start(5);
    while (!done()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
