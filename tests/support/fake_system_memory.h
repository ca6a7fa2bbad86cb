#pragma once

// While one of these lives, the memory budget believes the system can give
// exactly what it says, so refusals do not depend on the machine the tests
// run on. Tests using it must not run other threads that reserve memory.

#include <atomic>
#include <cstdint>

#include "picture/system/memory_budget.h"

class FakeSystemMemory {
public:
    explicit FakeSystemMemory(std::uint64_t memory,
                              std::uint64_t addressSpace = SystemMemory::kUnlimited,
                              std::uint64_t touched = 0) {
        SetSystemMemoryProbeForTesting([this, memory, addressSpace, touched] {
            ++asked_;
            return SystemMemory{memory, addressSpace, touched};
        });
    }
    ~FakeSystemMemory() { SetSystemMemoryProbeForTesting({}); }
    FakeSystemMemory(const FakeSystemMemory&) = delete;
    FakeSystemMemory& operator=(const FakeSystemMemory&) = delete;

    // How often the budget asked.
    int asked() const { return asked_; }

private:
    std::atomic<int> asked_{0};
};

// While one of these lives, the budget has a ceiling of `bytes`, set by
// "--memory-limit" as far as its refusals say.
class MemoryCeiling {
public:
    explicit MemoryCeiling(std::uint64_t bytes) { SetMemoryLimit(bytes, "--memory-limit"); }
    ~MemoryCeiling() { SetMemoryLimit(0, ""); }
    MemoryCeiling(const MemoryCeiling&) = delete;
    MemoryCeiling& operator=(const MemoryCeiling&) = delete;
};

constexpr std::uint64_t kMB = std::uint64_t{1} << 20;
constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
