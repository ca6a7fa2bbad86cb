#include "picture/system/temporary_names.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

// One slot per save running at once; more saves than slots wait for one.
constexpr int kSlots = 1024;

enum SlotState : int { kFree = 0, kFilling = 1, kReady = 2 };

struct Slot {
    std::atomic<int> state{kFree};
    int folder = -1;
    char name[kMaxTemporaryNameLength] = {};
};

Slot slots[kSlots];

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots");

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void removeRegisteredNames(int signal) {
    const int savedErrno = errno;
    for (Slot& slot : slots) {
        if (slot.state.load(std::memory_order_acquire) == kReady)
            ::unlinkat(slot.folder, slot.name, 0);
    }
    // The handler was installed to act once: the signal now does what it
    // would have done without us.
    ::raise(signal);
    errno = savedErrno;
}

void installHandlers() {
    for (int signal : kSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0) continue;
        // A signal the program ignores or handles itself is left as it is.
        if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) continue;
        struct sigaction ours {};
        ours.sa_handler = removeRegisteredNames;
        sigemptyset(&ours.sa_mask);
        ours.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &ours, nullptr);
    }
}

}  // namespace

TemporaryNameGuard::TemporaryNameGuard(int folder, const char* name) {
    static std::once_flag installed;
    std::call_once(installed, installHandlers);
    if (std::strlen(name) >= kMaxTemporaryNameLength) return;
    for (;;) {
        for (int i = 0; i < kSlots; ++i) {
            int expected = kFree;
            if (!slots[i].state.compare_exchange_strong(expected, kFilling,
                                                        std::memory_order_acq_rel))
                continue;
            slots[i].folder = folder;
            std::strcpy(slots[i].name, name);
            slots[i].state.store(kReady, std::memory_order_release);
            slot_ = i;
            return;
        }
        std::this_thread::yield();
    }
}

void TemporaryNameGuard::reset() {
    if (slot_ < 0) return;
    slots[slot_].state.store(kFree, std::memory_order_release);
    slot_ = -1;
}
