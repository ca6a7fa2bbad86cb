#include "scale/jobs/same_file.h"

#include <filesystem>

namespace fs = std::filesystem;

std::string FileKey(const std::string& path) {
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? fs::path(path).lexically_normal().string() : canonical.string();
}

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    return FileKey(a) == FileKey(b);
}
