#pragma once

// The memory limit of a command-line run: all its jobs together never hold
// more. It comes from --memory-limit, else from the variable
// SKALOMI_MEMORY_LIMIT, else it is 2 GiB; what the machine can give, when
// less, bounds it further in any case. 0 leaves only the machine's bound.
// A person who opens a file in the window chose it; a run of many files
// meets files no one looked at, and one tiny hostile file must not take
// the machine.

#include <cstdint>
#include <optional>
#include <string>

extern const char* const kMemoryLimitVariable;   // "SKALOMI_MEMORY_LIMIT"
extern const std::uint64_t kDefaultMemoryLimit;  // 2 GiB

struct MemoryLimitChoice {
    std::uint64_t Bytes = 0;  // 0: the machine's bound only
    std::string SetBy;        // for the refusals it causes
};

// A size: a whole number of bytes, or of K, M, G or T (binary units, also
// written KiB, MiB, GiB, TiB; any case). Throws CliUsageError naming `what`
// when the text is not one or passes 2^63 bytes.
std::uint64_t ParseMemorySize(const std::string& text, const std::string& what);

// The limit for the option's value (none when not given) and the variable's
// (null when not set).
MemoryLimitChoice ChooseMemoryLimit(const std::optional<std::string>& option, const char* variable);
