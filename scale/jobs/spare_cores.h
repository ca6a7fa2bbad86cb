#pragma once

// The cores a run may use, and those of them no worker runs on.

#include <atomic>

// The cores this process may run on (its affinity, as taskset sets it).
int UsableCores();

// Cores no worker runs on, which a job may borrow for a decoder thread of
// its own, so that the threads at work never outnumber the cores (nor the
// workers asked for). The count may start below zero.
class SpareCores {
public:
    explicit SpareCores(int count) : count_(count) {}
    bool TryTake();
    void Give() { ++count_; }

private:
    std::atomic<int> count_;
};
