#pragma once

// Which jobs of a run must run one after the other: those that read or
// write a file another job reads or writes (two inputs with one output
// name, an output that is another job's input). Within a group the jobs
// keep their order; the groups may run at once.

#include <vector>

#include "scale/jobs/file_job.h"

// The jobs at the positions `share` of `jobs`, grouped; each group lists
// its job indices in their order, and the groups come in the order of their
// first job. A job the plan refused touches nothing and stands alone.
std::vector<std::vector<int>> GroupJobs(const std::vector<FileJob>& jobs,
                                        const std::vector<int>& share);
