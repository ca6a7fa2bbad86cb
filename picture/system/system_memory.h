#pragma once

// What the system can give this process now, read from the kernel: the
// memory available (less what its control group already uses, where the
// group has a limit) and the address space left under the process's own
// limits (RLIMIT_AS, RLIMIT_DATA). Each figure keeps a margin back for the
// allocations no budget sees (thread stacks, the heap, libraries' tables).
//
// Reading it costs a handful of small /proc and /sys reads, so it is asked
// only for picture-sized needs.

#include <cstdint>

struct SystemMemory {
    static constexpr std::uint64_t kUnlimited = UINT64_MAX;

    // Bytes of memory the system can still give. Memory this process has
    // already touched is no longer in it.
    std::uint64_t memory = kUnlimited;
    // Bytes the process may still map under its limits; memory already
    // mapped is counted there, so it is not counted twice.
    std::uint64_t addressSpace = kUnlimited;
    // Anonymous memory this process has touched (its resident heap and
    // mappings): the most of its reservations that `memory` already leaves out.
    std::uint64_t touched = 0;
};

SystemMemory ProbeSystemMemory();
