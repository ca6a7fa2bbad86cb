#pragma once

// The command line of skalomi-cli: what it asks for, checked before any
// file is touched. A bad option or value is a usage error (exit status 2).

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "picture/picture_saver.h"
#include "scale/jobs/job_settings.h"
#include "scale/scale_settings.h"

struct CliOptions {
    ScaleSettings Settings;                  // size, unit, lock, tone, rotation
    EdgeRule Edge = EdgeRule::None;          // --long-edge, --short-edge
    std::int32_t EdgeLength = 0;             // pixels, 1 or more
    bool NoEnlarge = false;                  // no picture grows
    bool AutoOrient = false;                 // a JPEG's EXIF orientation applied first
    std::optional<SelectionRect> Selection;  // --select, before ordering and clamping
    std::string Output;                      // --output, empty when not given
    std::string Destination;                 // --dest, empty: each source's folder
    std::string Suffix = "_ks";              // as given (the "no suffix" item allowed)
    std::string Extension = ".jpg";          // of the outputs' names, from --type
    // What every output is written as: --type, or with --output the type
    // its name's extension stands for (any case) unless --type is given.
    PictureFileType Type = PictureFileType::JPEG;
    bool Overwrite = false;
    int Jobs = 0;  // 0: the number of processors
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
    std::vector<std::string> Files;      // files and folders named on the command line
    std::vector<std::string> FilesFrom;  // --files-from lists; "-" is standard input
    bool NullSeparated = false;          // -0: the lists are NUL-separated
    bool Recursive = false;              // -R: folders are walked to the bottom
    bool Follow = false;                 // links to folders are walked too
    bool DryRun = false;                 // a plan only; nothing is written
    std::string Report;                  // --report: a file, "-" standard output
    int ShardIndex = 0;                  // --shard K/N: the inputs at K modulo N
    int ShardCount = 1;
    std::optional<std::string> MemoryLimit;  // --memory-limit as given (memory_limit.h)
};

class CliUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads argv[1..]; throws CliUsageError with a one-line reason.
CliOptions ParseCommandLine(const std::vector<std::string>& args);

// The --help text.
std::string UsageText();
