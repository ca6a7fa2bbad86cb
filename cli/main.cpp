// skalomi-cli: the Skalomi engine from the command line.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_inputs.h"
#include "cli/cli_jobs.h"
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/dry_run.h"
#include "cli/memory_limit.h"
#include "cli/progress_bar.h"
#include "cli/run_report.h"
#include "cli/shown_names.h"
#include "picture/system/memory_budget.h"
#include "skalomi_build.h"

namespace {

int usageError(const std::string& what) {
    std::string message = what;
    for (char& c : message)
        if (c == '\r') c = '\n';
    std::fprintf(stderr, "skalomi-cli: %s\nTry 'skalomi-cli --help'.\n", message.c_str());
    return 2;
}

// Every file the run reads or writes, which no report may take.
std::vector<std::string> runFiles(const RunPlan& plan) {
    std::vector<std::string> files;
    for (const FileJob& job : plan.Jobs) {
        files.push_back(job.Source);
        files.push_back(job.Output);
    }
    for (const FoundOutput& found : plan.FoundOutputs) files.push_back(found.Path);
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    CliOptions options;
    InputList inputs;
    RunPlan plan;
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
        const MemoryLimitChoice limit =
            ChooseMemoryLimit(options.MemoryLimit, std::getenv(kMemoryLimitVariable));
        SetMemoryLimit(limit.Bytes, limit.SetBy);
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
                             EscapeControls(options.Destination).c_str());
        }
        plan = PlanRun(options, inputs.Files);
        if (!options.Report.empty()) {
            CheckReportTarget(options.Report, runFiles(plan));
            report = std::make_unique<RunReport>(options.Report);
        }
    } catch (const CliUsageError& e) {
        return usageError(e.what());
    }

    const std::vector<FileJob>& jobs = plan.Jobs;
    const std::vector<int> share = ShareOfJobs(options, jobs);
    // A folder that could not be read fails the run, in whichever share.
    int status = 0;
    for (const InputProblem& problem : inputs.Problems) {
        std::fprintf(stderr, "skalomi-cli: %s: %s\n", EscapeControls(problem.Path).c_str(),
                     problem.Reason.c_str());
        status = 1;
    }
    // Outputs of this run found among the inputs are said once, by the
    // share that runs their writer.
    for (const FoundOutput& found : plan.FoundOutputs) {
        if (!InShare(options, found.Position)) continue;
        const FileOutcome outcome = FoundOutputOutcome(found);
        std::fprintf(stderr, "skalomi-cli: %s\n",
                     WithNamesShown(outcome.Message, {found.Path, found.Writer}).c_str());
        if (report) report->Add(FileJob{found.Path, "", "", -1}, outcome);
    }
    if (jobs.empty() && inputs.Problems.empty() && plan.FoundOutputs.empty() && !options.Quiet)
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
        reporter.FileDone = [&](int, const FileJob& job, const FileOutcome& outcome) {
            bar.FileFinished();
            const std::string message = WithNamesShown(outcome.Message, {job.Source, job.Output});
            if (!outcome.Written())
                bar.PrintLine(stderr, "skalomi-cli: " + message);
            else if (!reportOnStdout)
                bar.PrintLine(stdout, message);
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
