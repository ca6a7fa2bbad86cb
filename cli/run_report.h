#pragma once

// --report: one line of JSON for each input as it ends, for programs to read
// while the run goes on. A line holds the input and output names, the status
// ("ok", "skipped", "refused", "failed"; "planned" in a dry run for an output
// that would be written), the message, the source's and the finished
// picture's size (null when not known) and the milliseconds the job took:
//
//   {"input":"a.jpg","output":"a_ks.jpg","status":"ok","message":"",
//    "source":{"width":4000,"height":3000},"finished":{"width":800,"height":600},
//    "milliseconds":212}
//
// Lines are added to the end of the file, each in one write, so a report is
// never cut short by the next run and an interrupted run leaves whole lines.
// File names are bytes: what is not UTF-8 in them is written byte by byte as
// \udc80 to \udcff, as Python's "surrogateescape" does, so no name is lost.

#include <string>
#include <vector>

#include "scale/jobs/file_job.h"
#include "scale/jobs/job_outcome.h"

class RunReport {
public:
    // Opens `target` ("-": standard output) to add lines to, making it when
    // missing; throws CliUsageError naming it and the reason when it cannot.
    explicit RunReport(const std::string& target);
    ~RunReport();
    RunReport(const RunReport&) = delete;
    RunReport& operator=(const RunReport&) = delete;

    // Writes the job's line. A failure to write is remembered, not thrown:
    // the run goes on and says so at its end.
    void Add(const FileJob& job, const FileOutcome& outcome, bool planned = false);

    // The system's reason of the first failed write; empty when none failed.
    const std::string& WriteError() const { return writeError_; }

private:
    int fd_ = -1;
    bool ownsFd_ = false;
    std::string target_;
    std::string writeError_;
};

// Throws CliUsageError, in one line, when `target` may not take a report:
// it names one of `runFiles` (the run's inputs and outputs), which a
// report would change or a picture would replace, or an existing file that
// holds something else than a report (neither empty nor lines of JSON).
// "-" and what is not a regular file (a FIFO, a terminal) always may.
void CheckReportTarget(const std::string& target, const std::vector<std::string>& runFiles);

// The JSON line of a job, with its newline.
std::string ReportLine(const FileJob& job, const FileOutcome& outcome, bool planned = false);

// A JSON string, quotes included, for bytes as described above.
std::string JsonString(const std::string& bytes);
