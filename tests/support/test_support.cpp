#include "tests/support/test_support.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

std::string TestDataPath(const std::string& relative) {
    return std::string(SKALOMI_TEST_DATA_DIR) + "/" + relative;
}

std::string SharedTestdataPath(const std::string& relative) {
    return std::string(SKALOMI_SHARED_TESTDATA_DIR) + "/" + relative;
}

bool HaveSharedTestdata() {
    std::error_code ec;
    return fs::is_directory(SKALOMI_SHARED_TESTDATA_DIR, ec);
}

std::string TestNameOf(std::string text) {
    for (char& c : text)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return text;
}

std::vector<std::string> ListFiles(const std::string& folder,
                                   const std::vector<std::string>& extensions) {
    std::vector<std::string> files;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (extensions.empty() ||
            std::find(extensions.begin(), extensions.end(), ext) != extensions.end())
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    // In one read of the file's size: byte by byte is slow in the sanitizer
    // builds, and the suites hold files of several megabytes.
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);  // fails for a folder too
    std::ifstream in(path, std::ios::binary);
    if (ec || !in) throw std::runtime_error("cannot read " + path);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!bytes.empty() &&
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw std::runtime_error("cannot read " + path);
    return bytes;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "skalomi-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

bool MakeUnixSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::strcpy(address.sun_path, path.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    return bound;
}

int InChild(const std::function<int()>& child) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(child());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

namespace {
const char* kSystemPython = "/usr/bin/python3";
}

bool HavePillow() {
    static const bool available =
        RunCommand(std::string(kSystemPython) + " -c 'import PIL'").status == 0;
    return available;
}

std::optional<RgbImage> ParsePillowRecord(const std::vector<std::uint8_t>& bytes,
                                          std::string* mode) {
    if (bytes.size() < 12) return std::nullopt;
    std::int32_t w, h;
    std::uint32_t modeLength;
    std::memcpy(&w, bytes.data(), 4);
    std::memcpy(&h, bytes.data() + 4, 4);
    std::memcpy(&modeLength, bytes.data() + 8, 4);
    if (bytes.size() < 12 + modeLength) return std::nullopt;
    RgbImage image;
    image.width = w;
    image.height = h;
    if (mode) mode->assign(reinterpret_cast<const char*>(bytes.data() + 12), modeLength);
    image.rgb.assign(bytes.begin() + 12 + modeLength, bytes.end());
    if (image.rgb.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3)
        return std::nullopt;
    return image;
}

namespace {

std::optional<RgbImage> ReadDecoded(const std::string& file, std::string* mode) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return std::nullopt;
    return ParsePillowRecord(ReadBytes(file), mode);
}

}  // namespace

std::string PillowScriptCommand(const std::string& script) {
    return std::string(kSystemPython) + " " +
           ShellQuote(std::string(SKALOMI_TEST_SCRIPTS_DIR) + "/" + script);
}

std::optional<RgbImage> PillowDecode(const std::string& path, std::string* mode) {
    TempDir dir;
    const std::string out = dir.file("decoded.bin");
    const std::string command =
        PillowScriptCommand("pil_decode.py") + " " + ShellQuote(path) + " " + ShellQuote(out);
    if (RunCommand(command).status != 0) return std::nullopt;
    return ReadDecoded(out, mode);
}

std::vector<std::optional<RgbImage>> PillowDecodeMany(const std::vector<std::string>& paths) {
    TempDir dir;
    std::string command =
        PillowScriptCommand("pil_decode.py") + " --batch " + ShellQuote(dir.path());
    for (const std::string& p : paths) command += " " + ShellQuote(p);
    RunCommand(command);
    std::vector<std::optional<RgbImage>> images;
    for (std::size_t i = 0; i < paths.size(); ++i)
        images.push_back(ReadDecoded(dir.file(std::to_string(i) + ".bin"), nullptr));
    return images;
}
