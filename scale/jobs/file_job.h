#pragma once

// One file of a run: the picture to read and the name to write it under,
// as the caller planned them.

#include <string>

struct FileJob {
    std::string Source;
    std::string Output;
    std::string Refusal;   // why the plan leaves the input alone; empty when it runs
    int FirstWriter = -1;  // the planner's: the first job writing the same output, if another
};
