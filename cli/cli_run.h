#pragma once

// skalomi-cli's run: its options turned into the job settings of the core,
// the jobs run by the core's runner (scale/jobs/job_runner.h), and what
// became of each file told in the command line's words.

#include <vector>

#include "cli/cli_options.h"
#include "scale/jobs/file_job.h"
#include "scale/jobs/job_outcome.h"
#include "scale/jobs/job_runner.h"
#include "scale/jobs/job_settings.h"

// The settings every job of the run gets from the command line.
JobSettings JobSettingsFor(const CliOptions& options);

// The outcome as the command line tells it: an output left as it was
// names the option that would replace it, or says why it did not.
FileOutcome InCommandLineWords(const CliOptions& options, FileOutcome outcome);

// Whether the outcome makes the run end with status 1: anything but an
// output written or one that was there already.
bool FailsTheRun(const FileOutcome& outcome);

// Runs the jobs at the positions `share` with --jobs workers at once,
// reporting outcomes in the command line's words; returns the exit status
// (0 when no outcome fails the run, 1 otherwise). With --overwrite only the
// outputs that are there when the run starts are replaced: a file that
// appears at an output's name meanwhile, made by another program or run,
// stays.
int RunCliJobs(const CliOptions& options, const std::vector<FileJob>& jobs,
               const std::vector<int>& share, const RunReporter& reporter);
