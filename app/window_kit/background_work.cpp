#include "app/window_kit/background_work.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

#include "app/window_kit/x11_close_requests.h"

namespace {

// How often `between` runs while the work runs.
constexpr int kBetweenMilliseconds = 25;

// Both on the user-interface thread only.
int runningWorks = 0;
std::function<void()> beforeWorkForTesting;
std::vector<std::pair<QPointer<QObject>, std::function<void()>>> waitingActions;

// Hands the actions that waited for the work to the event loop, which runs
// each after the command that ran the work has returned to it (or, inside a
// later work's loop, waits again).
void releaseWaitingActions() {
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> actions;
    actions.swap(waitingActions);
    for (auto& [context, action] : actions) {
        if (context.isNull()) continue;
        QObject* target = context.data();
        QMetaObject::invokeMethod(
            target, [target, action = std::move(action)] { WhenNoBackgroundWork(target, action); },
            Qt::QueuedConnection);
    }
}

}  // namespace

void RunInBackground(const std::function<void()>& work, const std::function<void()>& between) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (QCoreApplication::instance() == nullptr || dispatcher == nullptr) {
        work();
        if (between) between();
        return;
    }

    std::atomic<bool> done{false};
    std::exception_ptr failure;
    const std::function<void()> before = beforeWorkForTesting;
    std::thread worker([&] {
        try {
            if (before) before();
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true, std::memory_order_release);
        dispatcher->wakeUp();
    });
    ++runningWorks;
    // However this thread leaves (an event handler's error included), the
    // worker is waited for before what it uses goes.
    struct Joiner {
        std::thread& worker;
        ~Joiner() {
            if (worker.joinable()) worker.join();
            if (--runningWorks > 0) return;
            // Close requests held back with the input during the work were
            // refused when they were made: they are not carried out after it.
            DropHeldCloseRequests();
            releaseWaitingActions();
        }
    } joiner{worker};

    QTimer tick;
    if (between) {
        QObject::connect(&tick, &QTimer::timeout, between);
        tick.start(kBetweenMilliseconds);
    }
    // Everything but user input, which Qt keeps for later; the worker's
    // wake-up ends the wait for more events when it is done.
    while (!done.load(std::memory_order_acquire))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    tick.stop();
    worker.join();
    if (between) between();
    if (failure) std::rethrow_exception(failure);
}

void RunOnInterfaceThread(const std::function<void()>& action) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread()) {
        action();
        return;
    }
    // What the action throws must not go through Qt's event handling: it is
    // carried back to this thread.
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        application,
        [&] {
            try {
                action();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure) std::rethrow_exception(failure);
}

bool BackgroundWorkRunning() {
    return runningWorks > 0;
}

void WhenNoBackgroundWork(QObject* context, std::function<void()> action) {
    if (runningWorks == 0) {
        action();
        return;
    }
    waitingActions.emplace_back(context, std::move(action));
}

void SetBeforeBackgroundWorkForTesting(std::function<void()> hook) {
    beforeWorkForTesting = std::move(hook);
}
