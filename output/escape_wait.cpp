#include "output/escape_wait.h"

#include <QThread>

#include "app/window_kit/platform.h"

bool WaitForEscapeRelease(Platform& platform, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (platform.IsEscapeHeld()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        QThread::msleep(10);
    }
    return true;
}
