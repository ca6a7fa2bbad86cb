#pragma once

// The inputs of a run: the files named on the command line and in --files-from
// lists, and the pictures found in the folders among them. A folder stands
// for the files in it that a reader may take (picture_probe.h); with -R also
// for those in the folders below it. Hidden entries (names starting with
// ".") are passed over. Links to files are taken; links to folders are walked
// only with --follow, and no folder is walked twice, so a loop of links ends.
// A folder that can be reached without links is always taken under its own
// name (so mirrored below --dest the same with --follow and without); one
// reached only by links, under the name of the first link in name order.
// A folder met below another is not walked when it is the destination
// folder, which holds this job's own outputs.

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli_options.h"

struct InputFile {
    std::string Path;       // as named, or the folder named joined with the path below it
    std::string Subfolder;  // the folders between the folder named and the file: "" or "a/b/"
    bool FoundInFolder = false;
};

// A folder below a named one that could not be read, and the system's reason.
struct InputProblem {
    std::string Path;
    std::string Reason;
};

struct InputList {
    std::vector<InputFile> Files;  // in the order found
    std::vector<InputProblem> Problems;
};

// Throws CliUsageError, naming the list and the reason, when a --files-from
// list cannot be read. `standardInput` is read for the list "-".
InputList CollectInputs(const CliOptions& options, std::istream& standardInput);

// --dest before a run: a folder there is taken as it is; a missing one is
// made with the folders above it, as `mkdir -p` makes them, unless `make` is
// false (a dry run, which writes nothing). Throws CliUsageError when the name
// is taken by something other than a folder or the folder cannot be made.
enum class DestinationFolder { Existed, Made, Missing };
DestinationFolder PrepareDestination(const std::string& destination, bool make);

// The names in a --files-from list: one a line, or NUL-separated; empty
// names are passed over.
std::vector<std::string> SplitFileList(const std::string& text, bool nulSeparated);
