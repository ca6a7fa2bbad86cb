#include "cli/cli_inputs.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>
#include <map>
#include <set>
#include <utility>

#include "picture/picture_probe.h"

namespace fs = std::filesystem;

namespace {

using FolderId = std::pair<dev_t, ino_t>;

bool folderId(const std::string& path, FolderId& id) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    id = {info.st_dev, info.st_ino};
    return true;
}

std::string joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

class Walker {
public:
    Walker(const CliOptions& o, InputList& list) : o_(o), list_(list) {
        FolderId destination;
        if (!o.Destination.empty() && folderId(o.Destination, destination))
            destination_ = destination;
    }

    // A name given by the user: a folder is walked (by Finish), anything
    // else taken as it stands (a missing file is refused when its turn
    // comes).
    void take(const std::string& path) {
        FolderId id;
        if (folderId(path, id)) {
            walked_.insert(id);
            pending_.emplace_back(path, "");
            return;
        }
        list_.Files.push_back({path, "", false});
    }

    // Walks the folders taken: first every folder reached without a link,
    // then, with --follow, the links to folders not walked yet, in the
    // order of their names. So a folder is mirrored under its own name
    // whenever it can be reached without a link, with --follow or without,
    // whatever the order in which the system lists a folder's entries.
    void finish() {
        for (;;) {
            while (!pending_.empty()) {
                const auto [folder, subfolder] = pending_.back();
                pending_.pop_back();
                walk(folder, subfolder);
            }
            if (links_.empty()) return;
            const auto first = links_.begin();
            const auto [id, subfolder] = first->second;
            if (walked_.insert(id).second) pending_.emplace_back(first->first, subfolder);
            links_.erase(first);
        }
    }

private:
    // Takes the pictures in one folder and notes the folders in it, never
    // recursing, so depth costs no stack.
    void walk(const std::string& folder, const std::string& subfolder) {
        std::error_code ec;
        fs::directory_iterator it(folder, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.empty() || name[0] == '.') continue;
            const std::string path = joined(folder, name);
            struct stat link {
            }, target{};
            if (::lstat(path.c_str(), &link) != 0) continue;
            const bool isLink = S_ISLNK(link.st_mode);
            if (::stat(path.c_str(), &target) != 0) continue;  // a dangling link
            if (S_ISDIR(target.st_mode)) {
                if (!o_.Recursive || (isLink && !o_.Follow)) continue;
                const FolderId id{target.st_dev, target.st_ino};
                if (id == destination_ || walked_.count(id)) continue;
                if (isLink)
                    links_.emplace(path, std::make_pair(id, subfolder + name + "/"));
                else if (walked_.insert(id).second)
                    pending_.emplace_back(path, subfolder + name + "/");
            } else if (S_ISREG(target.st_mode) && MayBeAPicture(path)) {
                list_.Files.push_back({path, subfolder, true});
            }
        }
        if (ec) list_.Problems.push_back({folder, ec.message()});
    }

    const CliOptions& o_;
    InputList& list_;
    FolderId destination_{0, 0};
    std::set<FolderId> walked_;
    std::vector<std::pair<std::string, std::string>> pending_;  // folder, subfolder
    // Links to folders met, by their paths: the folder and its subfolder.
    std::map<std::string, std::pair<FolderId, std::string>> links_;
};

std::string readList(const std::string& name, std::istream& standardInput) {
    if (name == "-") return std::string(std::istreambuf_iterator<char>(standardInput), {});
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0)
        throw CliUsageError("--files-from " + name + ": " + std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        throw CliUsageError("--files-from " + name + ": " + std::strerror(EISDIR));
    std::ifstream in(name, std::ios::binary);
    if (!in)
        throw CliUsageError("--files-from " + name + ": " + std::strerror(errno ? errno : EACCES));
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) throw CliUsageError("--files-from " + name + ": cannot be read");
    return text;
}

}  // namespace

DestinationFolder PrepareDestination(const std::string& destination, bool make) {
    std::error_code ec;
    const fs::file_status status = fs::status(destination, ec);
    if (fs::is_directory(status)) return DestinationFolder::Existed;
    if (fs::exists(status)) throw CliUsageError("保存先に有効なフォルダが指定されていません");
    if (!make) return DestinationFolder::Missing;
    // Another run of the same job may make it at the same moment: a folder
    // that is there afterwards is as good as one made here.
    const bool made = fs::create_directories(destination, ec);
    std::error_code again;
    if (ec && !fs::is_directory(destination, again))
        throw CliUsageError("--dest " + destination + ": " + ec.message());
    return made ? DestinationFolder::Made : DestinationFolder::Existed;
}

std::vector<std::string> SplitFileList(const std::string& text, bool nulSeparated) {
    const char separator = nulSeparated ? '\0' : '\n';
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

InputList CollectInputs(const CliOptions& o, std::istream& standardInput) {
    // Every list is read before any folder is walked, so an unreadable list
    // stops the run before it has looked at anything.
    std::vector<std::string> named = o.Files;
    for (const std::string& list : o.FilesFrom) {
        const std::vector<std::string> names =
            SplitFileList(readList(list, standardInput), o.NullSeparated);
        named.insert(named.end(), names.begin(), names.end());
    }
    InputList inputs;
    Walker walker(o, inputs);
    for (const std::string& path : named) walker.take(path);
    walker.finish();
    return inputs;
}
