#pragma once

// How the jobs of a run share the memory budget. A job whose memory is
// busy (other jobs hold what it needs, memory_budget.h) gives back all it
// holds and waits here until another job finishes. When no job is running
// any more, the first of the waiting ones goes on alone: new jobs wait until
// it is done, so that what it is refused then, it could not have had at
// all. No job ever waits while holding memory, so the jobs cannot wait for
// each other in a circle.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

class JobGate {
public:
    // A job begins; waits while a job runs alone.
    void Enter();
    // Job `job` ends, whatever became of it.
    void Leave(int job);
    // The job's memory is busy and it holds nothing now: waits as described.
    // Returns true when the job is to go on alone.
    bool WaitForMemory(int job);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int running_ = 0;
    std::uint64_t finished_ = 0;
    std::set<int> waiting_;
    int alone_ = -1;  // the job running alone, or -1
};
