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

std::vector<FileJob> PlanJobs(const CliOptions& o, const std::vector<InputFile>& inputs) {
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
    for (const Candidate& c : candidates) ++writers[c.outputKey];
    std::set<std::string> inputKeys;
    std::vector<Candidate> kept;
    for (Candidate& c : candidates) {
        const auto writer = writers.find(c.key);
        const int othersWriting =
            writer == writers.end() ? 0 : writer->second - (c.outputKey == c.key ? 1 : 0);
        if (c.input.FoundInFolder && othersWriting > 0) continue;
        inputKeys.insert(c.key);
        kept.push_back(std::move(c));
    }

    std::vector<FileJob> jobs;
    std::map<std::string, int> firstWriter;
    for (const Candidate& c : kept) {
        FileJob job{c.input.Path, c.output, "", -1};
        if (inputKeys.count(c.outputKey) && !RefusedForSameFolder(o, job)) {
            job.Refusal =
                "its output " + c.output + " is one of this run's inputs, which are never replaced";
        } else {
            const auto [first, inserted] =
                firstWriter.emplace(c.outputKey, static_cast<int>(jobs.size()));
            if (!inserted && o.Overwrite) {
                job.FirstWriter = first->second;
            } else if (!inserted) {
                job.Refusal = "clash: " + jobs[first->second].Source + " is written to " +
                              c.output + " too; left (--overwrite lets the later replace it)";
            }
        }
        jobs.push_back(std::move(job));
    }
    return jobs;
}

std::vector<int> ShareOfJobs(const CliOptions& o, const std::vector<FileJob>& jobs) {
    std::vector<int> share;
    for (int i = 0; i < static_cast<int>(jobs.size()); ++i) {
        const int position = jobs[i].FirstWriter >= 0 ? jobs[i].FirstWriter : i;
        if (position % o.ShardCount == o.ShardIndex) share.push_back(i);
    }
    return share;
}
