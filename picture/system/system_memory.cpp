#include "picture/system/system_memory.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
// Kept back from the address space left under a limit: a new thread's stack
// and heap arena are mapped without asking anyone.
constexpr std::uint64_t kAddressSpaceMargin = 128 * kMiB;
// Control groups report limits they do not set as this much or more.
constexpr std::uint64_t kNoGroupLimit = std::uint64_t{1} << 60;

// The whole of a small file (a /proc or /sys entry); empty when it cannot be read.
std::string readSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > (1 << 20)) break;
    }
    ::close(fd);
    return text;
}

// The number after "key" on its line ("MemAvailable:   123 kB"), times
// `unit`; false when the key is missing.
bool fieldOf(const std::string& text, const char* key, std::uint64_t unit, std::uint64_t& value) {
    std::size_t at = 0;
    const std::size_t keyLength = std::strlen(key);
    while ((at = text.find(key, at)) != std::string::npos) {
        if (at == 0 || text[at - 1] == '\n') {
            const char* p = text.c_str() + at + keyLength;
            char* end = nullptr;
            const unsigned long long n = std::strtoull(p, &end, 10);
            if (end == p) return false;
            value = static_cast<std::uint64_t>(n) * unit;
            return true;
        }
        at += keyLength;
    }
    return false;
}

// A number on its own in a file ("max" or missing: none).
bool numberIn(const std::string& path, std::uint64_t& value) {
    const std::string text = readSmallFile(path);
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    value = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

std::uint64_t lessOrZero(std::uint64_t a, std::uint64_t b) {
    return a > b ? a - b : 0;
}

// Where this process's memory control group keeps its figures, and in
// which version's names.
struct MemoryGroup {
    std::string folder;
    bool version2 = false;
};

MemoryGroup findMemoryGroup() {
    const std::string groups = readSmallFile("/proc/self/cgroup");
    std::size_t start = 0;
    while (start < groups.size()) {
        std::size_t end = groups.find('\n', start);
        if (end == std::string::npos) end = groups.size();
        const std::string line = groups.substr(start, end - start);
        start = end + 1;
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string controllers = "," + line.substr(first + 1, second - first - 1) + ",";
        const std::string path = line.substr(second + 1);
        const bool v2 = line.compare(0, 3, "0::") == 0;
        const bool v1 = controllers.find(",memory,") != std::string::npos;
        if (!v1 && !v2) continue;
        const std::string root = v2 ? "/sys/fs/cgroup" : "/sys/fs/cgroup/memory";
        const char* probe = v2 ? "/memory.max" : "/memory.limit_in_bytes";
        // Inside a container the group's own folder is often the mount's root.
        for (const std::string& folder : {root + path, root}) {
            if (::access((folder + probe).c_str(), R_OK) == 0) return MemoryGroup{folder, v2};
        }
    }
    return {};
}

// What the control group still lets this process use, or kUnlimited. File
// pages the group could drop (inactive_file) count as free, as the kernel
// reclaims them before it refuses.
std::uint64_t groupHeadroom() {
    static const MemoryGroup group = findMemoryGroup();
    if (group.folder.empty()) return SystemMemory::kUnlimited;
    std::uint64_t limit = 0, usage = 0, inactive = 0;
    const bool v2 = group.version2;
    if (!numberIn(group.folder + (v2 ? "/memory.max" : "/memory.limit_in_bytes"), limit) ||
        limit >= kNoGroupLimit)
        return SystemMemory::kUnlimited;
    if (!numberIn(group.folder + (v2 ? "/memory.current" : "/memory.usage_in_bytes"), usage))
        return SystemMemory::kUnlimited;
    const std::string stat = readSmallFile(group.folder + "/memory.stat");
    if (!fieldOf(stat, v2 ? "inactive_file " : "total_inactive_file ", 1, inactive)) inactive = 0;
    return lessOrZero(limit, lessOrZero(usage, inactive));
}

std::uint64_t limitOf(int resource) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return SystemMemory::kUnlimited;
    return static_cast<std::uint64_t>(limit.rlim_cur);
}

}  // namespace

SystemMemory ProbeSystemMemory() {
    SystemMemory result;

    const std::string meminfo = readSmallFile("/proc/meminfo");
    std::uint64_t total = 0, available = 0;
    if (fieldOf(meminfo, "MemAvailable:", 1024, available) &&
        fieldOf(meminfo, "MemTotal:", 1024, total)) {
        // Room for the page cache and the allocations no budget sees.
        const std::uint64_t margin = std::clamp<std::uint64_t>(total / 32, 32 * kMiB, 512 * kMiB);
        result.memory = lessOrZero(available, margin);
    } else {
        const long pages = ::sysconf(_SC_AVPHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        if (pages > 0 && pageSize > 0)
            result.memory =
                static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    }
    const std::uint64_t group = groupHeadroom();
    if (group != SystemMemory::kUnlimited)
        result.memory = std::min(result.memory, lessOrZero(group, 32 * kMiB));

    const std::string status = readSmallFile("/proc/self/status");
    if (!fieldOf(status, "RssAnon:", 1024, result.touched)) result.touched = 0;

    const std::uint64_t addressLimit = limitOf(RLIMIT_AS);
    const std::uint64_t dataLimit = limitOf(RLIMIT_DATA);
    if (addressLimit != SystemMemory::kUnlimited || dataLimit != SystemMemory::kUnlimited) {
        std::uint64_t mapped = 0, data = 0;
        if (addressLimit != SystemMemory::kUnlimited) {
            // Without the figure, assume nothing is left rather than all of it.
            result.addressSpace = fieldOf(status, "VmSize:", 1024, mapped)
                                      ? lessOrZero(addressLimit, mapped + kAddressSpaceMargin)
                                      : 0;
        }
        if (dataLimit != SystemMemory::kUnlimited) {
            const std::uint64_t dataLeft = fieldOf(status, "VmData:", 1024, data)
                                               ? lessOrZero(dataLimit, data + kAddressSpaceMargin)
                                               : 0;
            result.addressSpace = std::min(result.addressSpace, dataLeft);
        }
    }
    return result;
}
