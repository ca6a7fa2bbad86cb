#pragma once

// A test step that might wait for ever (a read from a named pipe, a thread
// joined that never ends) is run under a watchdog: if the step is not over
// within the limit, the watchdog names it and ends the test process, so the
// fault shows as a clear failure instead of a run that hangs until the
// harness kills it. Header-only, usable by every test program.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

class HangWatchdog {
public:
    HangWatchdog(std::string step, std::chrono::seconds limit)
        : step_(std::move(step)), thread_([this, limit] { watch(limit); }) {}
    ~HangWatchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            over_ = true;
        }
        woken_.notify_all();
        thread_.join();
    }
    HangWatchdog(const HangWatchdog&) = delete;
    HangWatchdog& operator=(const HangWatchdog&) = delete;

private:
    void watch(std::chrono::seconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (woken_.wait_for(lock, limit, [this] { return over_; })) return;
        std::fprintf(stderr, "\nFAILED: hung for %lld s in: %s\n",
                     static_cast<long long>(limit.count()), step_.c_str());
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    }

    std::string step_;
    std::mutex mutex_;
    std::condition_variable woken_;
    bool over_ = false;
    std::thread thread_;  // last: it starts once the rest is made
};
