#include "output/escape_wait.h"

#include <QCoreApplication>
#include <QThread>

#include "app/window_kit/platform.h"

bool WaitForEscapeRelease(Platform& platform, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (platform.IsEscapeHeld()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        // Between two looks at the key the windows are painted and the
        // window manager answered; input, and whatever timers would start,
        // wait as they do through the whole run.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::X11ExcludeTimers);
        QThread::msleep(10);
    }
    return true;
}
