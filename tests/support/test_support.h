#pragma once

// Shared helpers of the tests: where the pictures are, temporary folders,
// and reference decodings by programs no one here wrote (Pillow).

#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// tests/data in the repository.
std::string TestDataPath(const std::string& relative);

// The public picture suites beside the project; empty when they are absent
// (a fresh clone), in which case the tests that need them skip.
std::string SharedTestdataPath(const std::string& relative);
bool HaveSharedTestdata();

#define SKIP_WITHOUT_SHARED_TESTDATA()                                                   \
    do {                                                                                 \
        if (!HaveSharedTestdata())                                                       \
            GTEST_SKIP() << "the public picture suites (../shared/testdata) are absent"; \
    } while (0)

// Names the cases of a parameterised test by their parameter's `name`.
struct NameOfParam {
    template <class Param>
    std::string operator()(const testing::TestParamInfo<Param>& info) const {
        return std::string(info.param.name);
    }
};

// `text` as a test name: every character but letters and digits becomes '_'
// (file names, extensions, paths).
std::string TestNameOf(std::string text);

// Every regular file under `folder` (recursively) whose name ends in one of
// `extensions` (lower case, with the dot; empty: every file), sorted.
std::vector<std::string> ListFiles(const std::string& folder,
                                   const std::vector<std::string>& extensions = {});

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A picture as 8-bit RGB triples, rows top to bottom.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// Runs `action` and returns the message of the exception of type E it throws;
// fails the test when it throws nothing or something else.
template <class E = std::exception>
std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& e) {
        return e.what();
    } catch (...) {
        std::string what = "not a std::exception";
        try {
            throw;
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        ADD_FAILURE() << "unexpected exception: " << what;
        return {};
    }
    ADD_FAILURE() << "nothing was thrown";
    return {};
}

// Every entry of a folder, hidden ones and links included, sorted.
std::vector<std::string> EntriesOf(const std::string& folder);

// The mode of what stands at `path`, a link itself rather than its file; 0
// when nothing does.
unsigned ModeOf(const std::string& path);

// Makes a Unix socket at `path`; false when it cannot be made.
bool MakeUnixSocket(const std::string& path);

// Runs `child` in a forked process; its exit status, or 128 + the signal
// that ended it.
int InChild(const std::function<int()>& child);

// Runs a command through the shell; its exit status and what it printed.
struct CommandResult {
    int status = -1;
    std::string output;
};
CommandResult RunCommand(const std::string& command);

// Quotes a path for the shell.
std::string ShellQuote(const std::string& text);

// True in a build with AddressSanitizer, which reserves terabytes of address
// space and so cannot run under an address-space limit.
inline bool UnderAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

// True in a build with ThreadSanitizer, whose shadow memory likewise
// cannot live under an address-space limit.
inline bool UnderThreadSanitizer() {
#if defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
    return true;
#endif
#endif
    return false;
}

// For tests that set an address-space limit.
#define SKIP_UNDER_SHADOW_MEMORY_SANITIZERS()                                               \
    do {                                                                                    \
        if (UnderAddressSanitizer() || UnderThreadSanitizer())                              \
            GTEST_SKIP() << "the sanitizer reserves terabytes of address space and cannot " \
                            "run under an address-space limit";                             \
    } while (0)
#define SKIP_UNDER_ADDRESS_SANITIZER() SKIP_UNDER_SHADOW_MEMORY_SANITIZERS()

// Debian's Python with Pillow (python3-pil); the pyenv Python on the PATH
// lacks it, so the tests name the system one.
bool HavePillow();
#define SKIP_WITHOUT_PILLOW()                                                       \
    do {                                                                            \
        if (!HavePillow()) GTEST_SKIP() << "Pillow (python3-pil) is not installed"; \
    } while (0)

// The shell command that runs tests/scripts/`script` with that Python.
std::string PillowScriptCommand(const std::string& script);

// A picture as the Pillow scripts in tests/scripts write it (width, height,
// Pillow's mode name, RGB bytes; see pillow_common.py), or nothing when the
// bytes do not hold a whole one. `mode` receives the mode name.
std::optional<RgbImage> ParsePillowRecord(const std::vector<std::uint8_t>& bytes,
                                          std::string* mode = nullptr);

// Pillow's reading of a picture file converted to RGB (its first frame), or
// nothing when Pillow cannot read it. `mode` is Pillow's own mode before the
// conversion (such as "P", "RGBA", "I;16").
std::optional<RgbImage> PillowDecode(const std::string& path, std::string* mode = nullptr);

// The same for many files in one run of Pillow.
std::vector<std::optional<RgbImage>> PillowDecodeMany(const std::vector<std::string>& paths);
