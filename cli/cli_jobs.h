#pragma once

// What skalomi-cli will write: one job per input file with its output name,
// in the sorted order of the inputs' names, each file once. The plan refuses
// before any work what must never be written: an output another input of
// the run writes already (a clash, with --overwrite too), and an output that
// is one of the run's own inputs. A file found in a folder that is another
// input's output is taken for that input's result from an earlier run: it
// is no input, and the run says so. So no two jobs write one file, and the
// files written are the same whatever the number of jobs at once, and
// whatever the shards.

#include <string>
#include <vector>

#include "cli/cli_inputs.h"
#include "cli/cli_options.h"
#include "scale/jobs/file_job.h"
#include "scale/jobs/job_outcome.h"

// The output name of `input`: --output when given; else the destination
// (or the source's own folder) with the input's subfolder below it + base
// name + suffix + type extension.
std::string OutputNameFor(const CliOptions& options, const InputFile& input);

// A file found in a folder whose name is the output of the input `Writer`;
// `Position` is that of the writer's job (0 when it has none), which the
// shard that reports it takes.
struct FoundOutput {
    std::string Path;
    std::string Writer;
    int Position = 0;
};

struct RunPlan {
    std::vector<FileJob> Jobs;
    std::vector<FoundOutput> FoundOutputs;  // in the sorted order of their names
};

RunPlan PlanRun(const CliOptions& options, const std::vector<InputFile>& inputs);
std::vector<FileJob> PlanJobs(const CliOptions& options, const std::vector<InputFile>& inputs);

// The positions of the jobs this run takes: with --shard K/N those at K,
// K + N, K + 2N, ...
std::vector<int> ShareOfJobs(const CliOptions& options, const std::vector<FileJob>& jobs);

// Whether the run takes the position `index` of the plan's jobs.
bool InShare(const CliOptions& options, int index);

// What the run says of a found output: skipped, as no input.
FileOutcome FoundOutputOutcome(const FoundOutput& found);

// True when the job is refused because its output would go into its
// source's folder with no suffix to tell them apart.
bool RefusedForSameFolder(const CliOptions& options, const FileJob& job);
