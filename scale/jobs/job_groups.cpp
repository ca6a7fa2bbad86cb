#include "scale/jobs/job_groups.h"

#include <map>
#include <numeric>
#include <string>

#include "scale/jobs/same_file.h"

namespace {

int findRoot(std::vector<int>& parent, int i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

}  // namespace

std::vector<std::vector<int>> GroupJobs(const std::vector<FileJob>& jobs,
                                        const std::vector<int>& share) {
    const int n = static_cast<int>(share.size());
    std::vector<int> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    // Every file a job reads or writes, and the first job that touched it.
    std::map<std::string, int> firstTouch;
    auto touch = [&](const std::string& path, int member) {
        const auto [it, inserted] = firstTouch.emplace(FileKey(path), member);
        if (!inserted) parent[findRoot(parent, member)] = findRoot(parent, it->second);
    };
    for (int i = 0; i < n; ++i) {
        const FileJob& job = jobs[share[i]];
        if (!job.Refusal.empty()) continue;  // touches nothing
        touch(job.Source, i);
        touch(job.Output, i);
    }
    std::map<int, int> groupOfRoot;
    std::vector<std::vector<int>> groups;
    for (int i = 0; i < n; ++i) {
        const int root = findRoot(parent, i);
        const auto [it, inserted] = groupOfRoot.emplace(root, static_cast<int>(groups.size()));
        if (inserted) groups.emplace_back();
        groups[it->second].push_back(share[i]);
    }
    return groups;
}
