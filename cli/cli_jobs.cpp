#include "cli/cli_jobs.h"

#include <filesystem>
#include <map>
#include <numeric>

#include "scale/batch_naming.h"

namespace fs = std::filesystem;

namespace {

// A key under which two spellings of the same file meet.
std::string fileKey(const std::string& path) {
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? fs::path(path).lexically_normal().string() : canonical.string();
}

int findRoot(std::vector<int>& parent, int i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

}  // namespace

std::string OutputNameFor(const CliOptions& o, const std::string& source) {
    if (!o.Output.empty()) return o.Output;
    // Without --dest an output goes beside its source (a bare name stays bare).
    const bool bare = source.find('/') == std::string::npos;
    const std::string folder = !o.Destination.empty() ? o.Destination : bare ? "" : FolderOf(source);
    return BatchOutputName(folder, source, EffectiveSuffix(o.Suffix), o.Extension);
}

std::vector<FileJob> PlanJobs(const CliOptions& o) {
    std::vector<FileJob> jobs;
    for (const std::string& file : o.Files) jobs.push_back({file, OutputNameFor(o, file)});
    return jobs;
}

std::vector<std::vector<int>> GroupJobs(const std::vector<FileJob>& jobs) {
    const int n = static_cast<int>(jobs.size());
    std::vector<int> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    // Every file a job reads or writes, and the first job that touched it.
    std::map<std::string, int> firstTouch;
    auto touch = [&](const std::string& path, int job) {
        const auto [it, inserted] = firstTouch.emplace(fileKey(path), job);
        if (!inserted) parent[findRoot(parent, job)] = findRoot(parent, it->second);
    };
    for (int i = 0; i < n; ++i) {
        touch(jobs[i].Source, i);
        touch(jobs[i].Output, i);
    }
    std::map<int, int> groupOfRoot;
    std::vector<std::vector<int>> groups;
    for (int i = 0; i < n; ++i) {
        const int root = findRoot(parent, i);
        const auto [it, inserted] = groupOfRoot.emplace(root, static_cast<int>(groups.size()));
        if (inserted) groups.emplace_back();
        groups[it->second].push_back(i);
    }
    return groups;
}

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    return fileKey(a) == fileKey(b);
}
