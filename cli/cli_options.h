#pragma once

// The command line of skalomi-cli: what it asks for, checked before any
// file is touched. A bad option or value is a usage error (exit status 2).

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "scale/scale_settings.h"

struct CliOptions {
    ScaleSettings Settings;                    // size, unit, lock, tone, rotation
    std::optional<SelectionRect> Selection;    // --select, before ordering and clamping
    std::string Output;                        // --output, empty when not given
    std::string Destination;                   // --dest, empty: each source's folder
    std::string Suffix = "_ks";                // as given (the "no suffix" item allowed)
    std::string Extension = ".jpg";            // from --type
    bool Overwrite = false;
    int Jobs = 0;                              // 0: the number of processors
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
    std::vector<std::string> Files;
};

class CliUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads argv[1..]; throws CliUsageError with a one-line reason.
CliOptions ParseCommandLine(const std::vector<std::string>& args);

// The --help text.
std::string UsageText();
