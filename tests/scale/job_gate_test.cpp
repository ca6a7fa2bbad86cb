// The gate a run's jobs pass when their memory is busy: a waiting
// job goes on when another finishes, or alone when no one else runs, and
// while it runs alone no new job starts.

#include "scale/jobs/job_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

using namespace std::chrono_literals;

// True when `future` is still not ready after a moment: the thread behind
// it is waiting.
template <class T>
bool stillWaiting(std::future<T>& future) {
    return future.wait_for(100ms) == std::future_status::timeout;
}

TEST(JobGate, AWaitingJobGoesOnWhenAnotherFinishes) {
    JobGate gate;
    gate.Enter();  // job 0 runs
    gate.Enter();  // job 1 runs
    gate.Enter();  // job 2 runs, then finds its memory busy
    auto waited = std::async(std::launch::async, [&] { return gate.WaitForMemory(2); });
    EXPECT_TRUE(stillWaiting(waited));
    gate.Leave(0);
    EXPECT_FALSE(waited.get()) << "it goes on beside job 1, not alone";
    gate.Leave(1);
    gate.Leave(2);
}

TEST(JobGate, WhenNoOneElseRunsTheFirstWaitingJobGoesAloneAndNewJobsWait) {
    JobGate gate;
    gate.Enter();  // job 2
    gate.Enter();  // job 5
    auto five = std::async(std::launch::async, [&] { return gate.WaitForMemory(5); });
    EXPECT_TRUE(stillWaiting(five));
    // Job 2 waits too: no one runs now, and job 2 is the first waiting.
    EXPECT_TRUE(gate.WaitForMemory(2));
    EXPECT_TRUE(stillWaiting(five));
    auto newcomer = std::async(std::launch::async, [&] {
        gate.Enter();
        return true;
    });
    EXPECT_TRUE(stillWaiting(newcomer)) << "no new job starts beside one running alone";
    gate.Leave(2);
    // Job 5 goes on, alone if it is first to see that no one runs.
    if (five.get()) {
        EXPECT_TRUE(stillWaiting(newcomer));
        gate.Leave(5);
        EXPECT_TRUE(newcomer.get());
    } else {
        EXPECT_TRUE(newcomer.get());
        gate.Leave(5);
    }
    gate.Leave(9);
}

TEST(JobGate, AJobAloneFromTheStartGoesOnAtOnce) {
    JobGate gate;
    gate.Enter();
    EXPECT_TRUE(gate.WaitForMemory(0));
    gate.Leave(0);
    gate.Enter();  // the gate is open again
    gate.Leave(1);
}

}  // namespace
