#pragma once

// The progress bar skalomi-cli draws on a terminal's standard error: one
// line redrawn in place, cleared before any other line is printed.

#include <cstdio>
#include <string>

class ProgressBar {
public:
    // Draws only when `enabled` (standard error is a terminal and --quiet
    // was not given).
    ProgressBar(std::FILE* stream, bool enabled, int files);
    ~ProgressBar();

    void Show(double done);  // 0..1 of the whole run
    // Prints a whole line on `stream`, keeping the bar below it.
    void PrintLine(std::FILE* stream, const std::string& line);
    void FileFinished() { ++finished_; }
    void Clear();

private:
    std::FILE* stream_;
    bool enabled_;
    int files_;
    int finished_ = 0;
    bool drawn_ = false;
    double last_ = 0;
};
