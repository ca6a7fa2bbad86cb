#pragma once

// The checks a job passes before its source is read, in the order the
// command makes them: what the plan refused (a clash, an input it would
// replace), a size value of 0, an output in the source's own folder with no
// suffix, and an output that is there already. The run and the dry run make
// the same checks, so the plan says what the run will do.

#include <optional>

#include "cli/cli_jobs.h"
#include "cli/cli_options.h"
#include "cli/job_outcome.h"

// The outcome when one of the checks stops the job; nothing when it may
// go on. An output whose folder does not exist yet is not there. What
// stands at the output and may not be replaced (a folder, a device) throws
// EFCreateError, as the save would.
std::optional<FileOutcome> CheckBeforeLoading(const CliOptions& options, const FileJob& job);
