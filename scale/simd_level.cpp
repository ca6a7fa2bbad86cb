#include "scale/simd_level.h"

#include <atomic>

namespace {

SimdLevel detect() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return SimdLevel::Avx2;
#endif
    return SimdLevel::Portable;
}

std::atomic<SimdLevel>& active() {
    static std::atomic<SimdLevel> level{DetectedSimdLevel()};
    return level;
}

}  // namespace

SimdLevel DetectedSimdLevel() {
    static const SimdLevel level = detect();
    return level;
}

SimdLevel ActiveSimdLevel() {
    return active().load(std::memory_order_relaxed);
}

void ForceSimdLevel(SimdLevel level) {
    if (level == SimdLevel::Avx2 && DetectedSimdLevel() != SimdLevel::Avx2)
        level = SimdLevel::Portable;
    active().store(level, std::memory_order_relaxed);
}
