#pragma once

// Waiting in the window tests while Qt handles events: for a condition with a
// time limit, or for a while. Header-only, since the core's tests, which link
// the support library too, have no Qt.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <thread>

// Handles the application's events until `done` holds or `milliseconds`
// have passed; whether it holds.
inline bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Handles the application's events for `milliseconds`.
inline void Pause(int milliseconds) {
    WaitUntil([] { return false; }, milliseconds);
}
