#pragma once

// What skalomi-cli will write: one job per input file with its output name,
// in the sorted order of the inputs' names, each file once. The plan refuses
// before any work what must never be written: an output another input of
// the run writes already (a clash; with --overwrite the later input replaces
// it instead), and an output that is one of the run's own inputs. A file
// found in a folder that is another input's output is this job's result,
// not an input. Jobs that share an output name run one after the other in
// their order; the rest may run at once. So the files written are the same
// whatever the number of jobs at once, and whatever the shards.

#include <string>
#include <vector>

#include "cli/cli_inputs.h"
#include "cli/cli_options.h"
#include "scale/jobs/file_job.h"

// The output name of `input`: --output when given; else the destination
// (or the source's own folder) with the input's subfolder below it + base
// name + suffix + type extension.
std::string OutputNameFor(const CliOptions& options, const InputFile& input);

std::vector<FileJob> PlanJobs(const CliOptions& options, const std::vector<InputFile>& inputs);

// The positions of the jobs this run takes: with --shard K/N those at K,
// K + N, K + 2N, ...; a job that writes an output an earlier job writes
// too goes with that one, so one run writes them in their order.
std::vector<int> ShareOfJobs(const CliOptions& options, const std::vector<FileJob>& jobs);

// True when the job is refused because its output would go into its
// source's folder with no suffix to tell them apart.
bool RefusedForSameFolder(const CliOptions& options, const FileJob& job);
