#pragma once

// Runs the file jobs of a run (scale_file.h) on a few worker threads within
// the one memory budget, and tells the caller, on its own thread and in the
// order of the files, what became of each. The command line and the
// window's batch run drive it.
//
// Files are started in their order, each when a worker is free. Before
// file i starts, the caller may be asked about it (RunReporter::BeforeStart)
// and may answer after a question of its own; a file that needs one can
// wait until every file before it has been reported, so that a user sees
// the questions and messages in the order of a run of one file after the
// other, while files that need none run ahead at once. Jobs that touch the
// same files (job_groups.h) run one after the other in their order: file i
// is not asked about before the earlier ones of its group have ended.
//
// A job whose memory is busy gives back what it holds and waits for another
// to finish (job_gate.h); so jobs at once never need more than the budget.
//
// A batch run that asks before replacing an output answers BeforeStart
// with Start when the output is not there (or Replace once the user said
// yes to all), with AfterEarlierFiles while `earlierReported` is false and
// the output is there, and asks its question once it is true: the answer
// becomes Replace, Skip or Stop. Esc held becomes RunStop::Request.

#include <atomic>
#include <functional>
#include <vector>

#include "scale/jobs/file_job.h"
#include "scale/jobs/job_outcome.h"
#include "scale/jobs/job_settings.h"

// What the caller answers before a file starts.
enum class FileStart {
    Start,    // run it; an output already there is left as it is (unless Overwrite)
    Replace,  // run it, replacing an output already there (a regular file only)
    Skip,     // leave it; it is reported as skipped (FileProblem::SkippedByCaller)
    Stop,     // leave it and every file after it, unreported; the files running finish
    // Ask again once every file before it has been reported (with
    // `earlierReported` already true, it counts as Start).
    AfterEarlierFiles,
};

// A request to stop a run, made from any thread (a key held, say): it has
// the effect of FileStart::Stop on the next file to start.
class RunStop {
public:
    void Request() { requested_ = true; }
    bool Requested() const { return requested_; }

private:
    std::atomic<bool> requested_{false};
};

// How far a run has come.
struct RunProgress {
    struct File {
        int Index;    // in the jobs
        double Done;  // its share done, 0 to 1
    };
    double Done = 0;            // of the whole run, 0 to 1
    std::vector<File> Running;  // the files at work, in their order
};

// Where the run reports. Every member may be left empty.
struct RunReporter {
    // On the worker's thread as soon as the file's outcome is known (or on
    // the caller's, for a file skipped by BeforeStart), one call at a time.
    std::function<void(const FileJob& job, const FileOutcome& outcome)> FileEnded;
    // On the caller's thread, in the order of the files.
    std::function<void(int index, const FileJob& job, const FileOutcome& outcome)> FileDone;
    // On the caller's thread while files run, about ten times a second.
    std::function<void(const RunProgress& progress)> Progress;
    // On the caller's thread, in the order of the files, before file `index`
    // starts; it may block. `earlierReported`: FileDone has been called for
    // every file before it. Empty: every file starts.
    std::function<FileStart(int index, const FileJob& job, bool earlierReported)> BeforeStart;
};

struct RunOptions {
    int Workers = 0;  // files at once; 0: UsableCores() (spare_cores.h)
    // The last file of the run, when it starts, takes the whole-picture
    // path, and its outcome, when written, carries its source and scaled
    // picture (FileOutcome::Pictures), for a window to show them.
    bool KeepLastPictures = false;
    const RunStop* Stop = nullptr;  // none: the run is stopped by BeforeStart only
};

struct RunResult {
    bool AllWritten = true;  // every file of the share started and was written
    bool Stopped = false;    // files were left unstarted by Stop or a stop request
};

// Runs the jobs at the positions `share` of `jobs` (their order is the
// files' order) with `settings`; returns when every file started has been
// reported. What a callback throws on the caller's thread ends the run as
// Stop does and is thrown on once the files in flight have ended.
RunResult RunJobs(const JobSettings& settings, const std::vector<FileJob>& jobs,
                  const std::vector<int>& share, const RunOptions& options,
                  const RunReporter& reporter);
