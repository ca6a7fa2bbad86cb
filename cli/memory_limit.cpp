#include "cli/memory_limit.h"

#include <algorithm>
#include <cctype>

#include "cli/cli_options.h"

const char* const kMemoryLimitVariable = "SKALOMI_MEMORY_LIMIT";
const std::uint64_t kDefaultMemoryLimit = std::uint64_t{2} << 30;

namespace {

constexpr std::uint64_t kLargest = std::uint64_t{1} << 63;

// The power of 1024 a unit stands for; -1 for no unit known.
int unitPower(std::string unit) {
    for (char& c : unit) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (unit.empty() || unit == "b") return 0;
    if (unit.size() == 3 && unit.substr(1) == "ib") unit.resize(1);
    static const std::string kUnits = "kmgt";
    const std::size_t at = unit.size() == 1 ? kUnits.find(unit[0]) : std::string::npos;
    return at == std::string::npos ? -1 : static_cast<int>(at) + 1;
}

}  // namespace

std::uint64_t ParseMemorySize(const std::string& text, const std::string& what) {
    const std::size_t digits = text.find_first_not_of("0123456789");
    const int power = unitPower(digits == std::string::npos ? "" : text.substr(digits));
    if (digits == 0 || power < 0)
        throw CliUsageError(what + ": '" + text +
                            "' is not a size (a number of bytes, or of K, M, G or T)");
    std::uint64_t value = 0;
    bool tooLarge = false;
    for (std::size_t i = 0; i < text.size() && i < digits && !tooLarge; ++i) {
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
        tooLarge = value > kLargest / 10 && i + 1 < std::min(digits, text.size());
    }
    for (int i = 0; i < power && !tooLarge; ++i) {
        tooLarge = value > kLargest / 1024;
        value *= 1024;
    }
    if (tooLarge || value > kLargest)
        throw CliUsageError(what + ": '" + text + "' is out of range 0..8 EiB");
    return value;
}

MemoryLimitChoice ChooseMemoryLimit(const std::optional<std::string>& option,
                                    const char* variable) {
    if (option) return {ParseMemorySize(*option, "--memory-limit"), "--memory-limit"};
    if (variable && *variable)
        return {ParseMemorySize(variable, kMemoryLimitVariable), kMemoryLimitVariable};
    return {kDefaultMemoryLimit, "--memory-limit"};
}
