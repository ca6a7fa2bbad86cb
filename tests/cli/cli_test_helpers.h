#pragma once

// Running the built skalomi-cli as a user would, for the command-line tests.

#include <string>

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
