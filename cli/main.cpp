// skalomi-cli: the Skalomi engine from the command line.

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_inputs.h"
#include "cli/cli_jobs.h"
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/dry_run.h"
#include "cli/progress_bar.h"
#include "cli/run_report.h"
#include "skalomi_build.h"

namespace {

int usageError(const std::string& what) {
    std::string message = what;
    for (char& c : message)
        if (c == '\r') c = '\n';
    std::fprintf(stderr, "skalomi-cli: %s\nTry 'skalomi-cli --help'.\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    CliOptions options;
    InputList inputs;
    std::unique_ptr<RunReport> report;
    try {
        options = ParseCommandLine(args);
        if (options.Help) {
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        }
        if (options.Version) {
            std::puts(SKALOMI_VERSION_TEXT);
            return 0;
        }
        inputs = CollectInputs(options, std::cin);
        if (!options.Output.empty() && inputs.Files.size() + inputs.Problems.size() != 1)
            throw CliUsageError("--output takes a single input file");
        // Before the plan, which compares folders, and the report, which may
        // go into it.
        if (!options.Destination.empty()) {
            const DestinationFolder destination =
                PrepareDestination(options.Destination, !options.DryRun);
            if (destination != DestinationFolder::Existed && !options.Quiet)
                std::fprintf(stderr,
                             destination == DestinationFolder::Made
                                 ? "skalomi-cli: made the folder %s\n"
                                 : "skalomi-cli: the folder %s does not exist; a run makes it\n",
                             options.Destination.c_str());
        }
        if (!options.Report.empty()) report = std::make_unique<RunReport>(options.Report);
    } catch (const CliUsageError& e) {
        return usageError(e.what());
    }

    const std::vector<FileJob> jobs = PlanJobs(options, inputs.Files);
    const std::vector<int> share = ShareOfJobs(options, jobs);
    // A folder that could not be read fails the run, in whichever share.
    int status = 0;
    for (const InputProblem& problem : inputs.Problems) {
        std::fprintf(stderr, "skalomi-cli: %s: %s\n", problem.Path.c_str(), problem.Reason.c_str());
        status = 1;
    }
    if (jobs.empty() && inputs.Problems.empty() && !options.Quiet)
        std::fprintf(stderr, "skalomi-cli: no pictures to scale\n");
    // With the report on standard output, that is all it carries.
    const bool reportOnStdout = options.Report == "-";

    if (options.DryRun) {
        status |= DryRun(options, jobs, share, reportOnStdout ? nullptr : stdout, report.get());
    } else {
        ProgressBar bar(stderr, !options.Quiet && ::isatty(STDERR_FILENO),
                        static_cast<int>(share.size()));
        RunReporter reporter;
        if (report)
            reporter.FileEnded = [&](const FileJob& job, const FileOutcome& outcome) {
                report->Add(job, outcome);
            };
        reporter.FileDone = [&](int, const FileJob&, const FileOutcome& outcome) {
            bar.FileFinished();
            if (!outcome.Written())
                bar.PrintLine(stderr, "skalomi-cli: " + outcome.Message);
            else if (!reportOnStdout)
                bar.PrintLine(stdout, outcome.Message);
        };
        reporter.Progress = [&](const RunProgress& progress) { bar.Show(progress.Done); };
        status |= RunCliJobs(options, jobs, share, reporter);
        bar.Clear();
    }
    if (report && !report->WriteError().empty()) {
        std::fprintf(stderr, "skalomi-cli: %s\n", report->WriteError().c_str());
        status = 1;
    }
    return status;
}
