#pragma once

// The checks a job passes before its source is read, in the order the
// program makes them: what the plan refused (a clash, an input it would
// replace), a size value of 0, an output in the source's own folder when
// the settings refuse it, and an output that is there already. A run and a
// plan of it (the command line's dry run) make the same checks, so the plan
// says what the run will do.

#include <optional>

#include "scale/jobs/file_job.h"
#include "scale/jobs/job_outcome.h"
#include "scale/jobs/job_settings.h"

// The outcome when one of the checks stops the job; nothing when it may
// go on. An output whose folder does not exist yet is not there. What
// stands at the output and may not be replaced (a folder, a device) throws
// EFCreateError, as the save would.
std::optional<FileOutcome> CheckBeforeLoading(const JobSettings& settings, const FileJob& job);
