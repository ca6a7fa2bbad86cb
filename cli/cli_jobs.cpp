#include "cli/cli_jobs.h"

#include <algorithm>
#include <map>
#include <set>

#include "scale/batch_naming.h"
#include "scale/jobs/same_file.h"

namespace {

struct Candidate {
    InputFile input;
    std::string key;
    std::string output;
    std::string outputKey;
};

}  // namespace

std::string OutputNameFor(const CliOptions& o, const InputFile& input) {
    if (!o.Output.empty()) return o.Output;
    const std::string& source = input.Path;
    std::string folder;
    if (!o.Destination.empty()) {
        folder = o.Destination;
        if (folder.back() != '/') folder += '/';
        folder += input.Subfolder;
    } else if (source.find('/') != std::string::npos) {
        folder = FolderOf(source);  // beside the source; a bare name stays bare
    }
    return BatchOutputName(folder, source, EffectiveSuffix(o.Suffix), o.Extension);
}

bool RefusedForSameFolder(const CliOptions& o, const FileJob& job) {
    return o.Output.empty() && EffectiveSuffix(o.Suffix).empty() &&
           SameFolder(FolderOf(job.Output), FolderOf(job.Source));
}

RunPlan PlanRun(const CliOptions& o, const std::vector<InputFile>& inputs) {
    std::vector<InputFile> sorted = inputs;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const InputFile& a, const InputFile& b) { return a.Path < b.Path; });
    std::vector<Candidate> candidates;
    std::set<std::string> seen;
    for (const InputFile& input : sorted) {
        Candidate c{input, FileKey(input.Path), "", ""};
        if (!seen.insert(c.key).second) continue;  // the same file named twice
        c.output = OutputNameFor(o, input);
        c.outputKey = FileKey(c.output);
        candidates.push_back(std::move(c));
    }

    // A file found in a folder that another input writes is an output of an
    // earlier run of this job (a rerun walks the folders again).
    std::map<std::string, int> writers;
    std::map<std::string, std::string> writerSource;
    for (const Candidate& c : candidates) {
        ++writers[c.outputKey];
        writerSource.emplace(c.outputKey, c.input.Path);
    }
    std::set<std::string> inputKeys;
    std::vector<Candidate> kept;
    std::vector<Candidate> found;
    for (Candidate& c : candidates) {
        const auto writer = writers.find(c.key);
        const int othersWriting =
            writer == writers.end() ? 0 : writer->second - (c.outputKey == c.key ? 1 : 0);
        if (c.input.FoundInFolder && othersWriting > 0) {
            found.push_back(std::move(c));
            continue;
        }
        inputKeys.insert(c.key);
        kept.push_back(std::move(c));
    }

    RunPlan plan;
    std::map<std::string, int> firstWriter;
    for (const Candidate& c : kept) {
        FileJob job{c.input.Path, c.output, "", -1};
        if (inputKeys.count(c.outputKey) && !RefusedForSameFolder(o, job)) {
            job.Refusal =
                "its output " + c.output + " is one of this run's inputs, which are never replaced";
        } else {
            const auto [first, inserted] =
                firstWriter.emplace(c.outputKey, static_cast<int>(plan.Jobs.size()));
            if (!inserted)
                job.Refusal = "clash: " + plan.Jobs[first->second].Source + " is written to " +
                              c.output + " too; left as a clash";
        }
        plan.Jobs.push_back(std::move(job));
    }
    // Each is reported by the share that runs its writer (a writer that is
    // itself a found output runs nowhere: the first share says it).
    for (const Candidate& c : found) {
        const auto job = firstWriter.find(c.key);
        plan.FoundOutputs.push_back(
            {c.input.Path, writerSource[c.key], job == firstWriter.end() ? 0 : job->second});
    }
    return plan;
}

std::vector<FileJob> PlanJobs(const CliOptions& o, const std::vector<InputFile>& inputs) {
    return PlanRun(o, inputs).Jobs;
}

bool InShare(const CliOptions& o, int index) {
    return index % o.ShardCount == o.ShardIndex;
}

std::vector<int> ShareOfJobs(const CliOptions& o, const std::vector<FileJob>& jobs) {
    std::vector<int> share;
    for (int i = 0; i < static_cast<int>(jobs.size()); ++i)
        if (InShare(o, i)) share.push_back(i);
    return share;
}

FileOutcome FoundOutputOutcome(const FoundOutput& found) {
    return NotWritten(FileProblem::SkippedByCaller, found.Path,
                      "the output of " + found.Writer +
                          " in this run, taken for its result from an earlier run; not an input");
}
