#pragma once

// --dry-run: what a run would do with each of its jobs, told from the
// pictures' headers without decoding them, and nothing written. The checks
// are the run's own (scale/jobs/job_checks.h, job_size.h), so a file the plan would
// write is one the run writes unless its data turns out damaged or the
// memory is short when its turn comes.

#include <cstdio>
#include <vector>

#include "cli/cli_jobs.h"
#include "cli/cli_options.h"
#include "cli/run_report.h"
#include "scale/jobs/job_outcome.h"

// What the run would make of one job; Written means it would be written,
// with the sizes it would have.
FileOutcome PlanFile(const CliOptions& options, const FileJob& job);

// Prints the plan of the jobs at the positions `share`, one line each, on
// `out` ("source -> output (W1xH1 -> W2xH2)" for a file to be written, the
// run's message for the others) and adds them to `report` when given.
// Returns the exit status the run would have.
int DryRun(const CliOptions& options, const std::vector<FileJob>& jobs,
           const std::vector<int>& share, std::FILE* out, RunReport* report);
