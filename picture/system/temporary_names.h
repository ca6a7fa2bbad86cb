#pragma once

// Names of temporary files that stand in a folder only while a file is
// being saved. While one is registered here, SIGINT, SIGTERM and SIGHUP
// remove it before the signal ends the process as it otherwise would: the
// handler only unlinks the registered names (async-signal-safe) and raises
// the signal again. The handlers are installed on first use, and only for
// signals whose action is still the default one (a signal the program
// ignores, or handles itself, is left alone).

#include <cstddef>

// The longest name a guard takes, terminating zero included.
constexpr std::size_t kMaxTemporaryNameLength = 32;

class TemporaryNameGuard {
public:
    TemporaryNameGuard() = default;
    // Registers `name` in the folder open as `folder` (a descriptor that
    // must stay open while the guard lives).
    TemporaryNameGuard(int folder, const char* name);
    ~TemporaryNameGuard() { reset(); }
    TemporaryNameGuard(const TemporaryNameGuard&) = delete;
    TemporaryNameGuard& operator=(const TemporaryNameGuard&) = delete;

    // Forgets the name: it is gone, or is a temporary no longer.
    void reset();

private:
    int slot_ = -1;
};
