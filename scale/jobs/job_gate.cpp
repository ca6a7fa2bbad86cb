#include "scale/jobs/job_gate.h"

void JobGate::Enter() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return alone_ < 0; });
    ++running_;
}

void JobGate::Leave(int job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
        ++finished_;
        if (alone_ == job) alone_ = -1;
    }
    changed_.notify_all();
}

bool JobGate::WaitForMemory(int job) {
    std::unique_lock<std::mutex> lock(mutex_);
    --running_;
    if (alone_ == job) alone_ = -1;
    waiting_.insert(job);
    changed_.notify_all();
    const std::uint64_t seen = finished_;
    auto first = [&] { return *waiting_.begin() == job && running_ == 0; };
    changed_.wait(lock, [&] { return alone_ < 0 && (finished_ != seen || first()); });
    const bool goAlone = first();
    if (goAlone) alone_ = job;
    waiting_.erase(job);
    ++running_;
    return goAlone;
}
