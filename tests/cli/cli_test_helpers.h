#pragma once

// Running the built skalomi-cli as a user would, for the command-line tests.

#include <string>

#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

// Runs skalomi-cli with `args` (shell words) in `dir`; `prefix` goes before
// it in the same shell (a limit to set, another user to become).
inline CommandResult RunCli(const TempDir& dir, const std::string& args,
                            const std::string& prefix = "") {
    return RunCommand("cd " + ShellQuote(dir.path()) + " && " + prefix + " " +
                      ShellQuote(SKALOMI_CLI_PATH) + " " + args);
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A BMP of w x h whose pixels differ with `seed`, so that outputs of
// different sources differ too.
inline void WriteTestPicture(const std::string& path, int w, int h, int seed) {
    MakePicture(w, h, [seed](int x, int y) {
        return ((x * 7 + seed) & 0xFF) | (((y * 5 + x) & 0xFF) << 8) |
               (((x * y + seed * 3) & 0xFF) << 16);
    }).SaveToFile(path);
}
