#pragma once

// What skalomi-cli will write: one job per input file with its output name,
// and the order constraints between jobs. Jobs that share an output name, or
// where one job's output is another job's input, run one after the other in
// the order the files were given; the rest may run at once. So the files
// written are the same whatever the number of jobs at once.

#include <string>
#include <vector>

#include "cli/cli_options.h"

struct FileJob {
    std::string Source;
    std::string Output;
};

// The output name of `source`: --output when given; else the destination
// (or the source's own folder) + base name + suffix + type extension.
std::string OutputNameFor(const CliOptions& options, const std::string& source);

std::vector<FileJob> PlanJobs(const CliOptions& options);

// Job indices grouped so that each group runs in order on one worker;
// groups are listed in the order of their first job.
std::vector<std::vector<int>> GroupJobs(const std::vector<FileJob>& jobs);

// True when `a` and `b` name the same folder (after following links), or
// the same text where either cannot be looked up.
bool SameFolder(const std::string& a, const std::string& b);
