#include "scale/jobs/spare_cores.h"

#include <sched.h>

#include <algorithm>
#include <thread>

int UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

bool SpareCores::TryTake() {
    int available = count_.load();
    while (available > 0) {
        if (count_.compare_exchange_weak(available, available - 1)) return true;
    }
    return false;
}
