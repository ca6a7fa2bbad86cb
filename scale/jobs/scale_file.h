#pragma once

// One file job: the checks before loading, then the picture loaded with the
// loader chain, sized as the settings ask, scaled by the engine and saved
// with the program's writers, and the outcome. The command line and the
// window's batch run call this one job, so they write the same bytes.
//
// A job whose result can be written row by row streams: a JPEG is decoded
// in bands (on a borrowed core when there is one) and the rows go straight
// into the output file; the file is the one the whole picture would give.

#include <functional>

#include "picture/dib.h"
#include "scale/jobs/file_job.h"
#include "scale/jobs/job_outcome.h"
#include "scale/jobs/job_settings.h"
#include "scale/jobs/spare_cores.h"
#include "scale/scale_run.h"

// What one job works with. Made for the job and gone with it: what a job
// holds between files would count against the others' memory.
struct JobBuffers {
    TDIB Source;
    TDIB Result;
    ResampleTables Tables;
    SpareCores* Spare = nullptr;  // none: the job runs on its caller's thread alone
    // The job takes the whole-picture path even where it could stream, so
    // that once it is written Source holds the picture as scaled and Result
    // the scaled picture.
    bool KeepPictures = false;
};

// Runs the job of `job` with `settings`, making the output's folder when it
// is missing. Without settings.Overwrite the output is saved so that it
// never replaces a file: one that appears at its name while the job runs
// stays, and the outcome says the output exists. `progress` receives the file's share done, 0 to 1.
// Every failure ends in the outcome (memory that cannot be had refuses the picture as too large; an
// error of the system fails the file), except EMemoryBusy, thrown when the thread's memory account
// waits for others (memory_budget.h) and the file's memory is busy: `buffers` is then to be given
// back and the job tried again later.
FileOutcome ScaleFile(const JobSettings& settings, const FileJob& job, JobBuffers& buffers,
                      const std::function<void(double)>& progress = {});
