#pragma once

// Running skalomi-cli's jobs: each file is loaded with the loader chain,
// scaled by the engine and saved with the program's writers, on a few
// worker threads; what happened to each file is reported as it ends, and
// again in the order of the jobs.

#include <atomic>
#include <functional>
#include <string>

#include "cli/cli_jobs.h"
#include "cli/cli_options.h"
#include "cli/job_outcome.h"
#include "picture/dib.h"
#include "scale/scale_run.h"

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

// The buffers of one job.
struct Worker {
    TDIB Source;
    TDIB Result;
    ResampleTables Tables;
    SpareCores* Spare = nullptr;  // none: every job runs on the worker's thread alone
};

// Loads, scales and saves one file, making the output's folder when it is
// missing. `progress` receives the file's share
// done, 0 to 1. Throws EMemoryBusy when the thread's memory account waits
// for others (memory_budget.h) and the file's memory is busy: `worker` is
// then to be given back and the file tried again later.
// A job whose result can be written row by row streams: a JPEG is decoded
// in bands (on a borrowed core when there is one) and the rows go straight
// into the output file; the file is the one the whole picture would give.
FileOutcome ScaleFile(const CliOptions& options, const FileJob& job, Worker& worker,
                      const std::function<void(double)>& progress = {});

// Where the run reports: each outcome as soon as it is known (on the
// worker's thread, one call at a time), outcomes again in the order of the
// jobs, and the progress of the whole run (0 to 1) while it goes.
struct RunReporter {
    std::function<void(const FileJob& job, const FileOutcome& outcome)> FileEnded;
    std::function<void(int index, const FileJob& job, const FileOutcome& outcome)> FileDone;
    std::function<void(double done)> Progress;
};

// The cores this process may run on (its affinity, as taskset sets it).
int UsableCores();

// Runs the jobs at the positions `share` of `jobs`; returns the exit status
// (0 when every output was written, 1 otherwise).
int RunJobs(const CliOptions& options, const std::vector<FileJob>& jobs,
            const std::vector<int>& share, const RunReporter& reporter);
