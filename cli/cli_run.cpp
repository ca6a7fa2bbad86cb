#include "cli/cli_run.h"

#include <exception>

#include "picture/system/file_io.h"
#include "scale/batch_naming.h"

JobSettings JobSettingsFor(const CliOptions& o) {
    JobSettings settings;
    settings.Settings = o.Settings;
    settings.Selection = o.Selection;
    settings.Edge = o.Edge;
    settings.EdgeLength = o.EdgeLength;
    settings.NoEnlarge = o.NoEnlarge;
    settings.AutoOrient = o.AutoOrient;
    settings.Overwrite = o.Overwrite;
    settings.OutputType = o.Type;
    // Without --output or a suffix, an output beside its source would be
    // the source itself.
    settings.RefuseSourceFolder = o.Output.empty() && EffectiveSuffix(o.Suffix).empty();
    return settings;
}

FileOutcome InCommandLineWords(const CliOptions& options, FileOutcome outcome) {
    if (outcome.Problem == FileProblem::OutputExists) {
        const char* const hint =
            options.Overwrite ? " (it appeared after the run started; --overwrite replaces only "
                                "outputs there before)"
                              : " (--overwrite replaces it)";
        outcome.Reason += hint;
        outcome.Message += hint;
    }
    return outcome;
}

bool FailsTheRun(const FileOutcome& outcome) {
    return !outcome.Written() && outcome.Problem != FileProblem::OutputExists;
}

int RunCliJobs(const CliOptions& options, const std::vector<FileJob>& jobs,
               const std::vector<int>& share, const RunReporter& reporter) {
    // What stands at each output now; the rest is never replaced.
    std::vector<bool> existed(jobs.size(), false);
    if (options.Overwrite)
        for (int index : share) {
            try {
                existed[index] = InspectOutputPath(jobs[index].Output).kind != OutputKind::Absent;
            } catch (const std::exception&) {
                // A path that cannot be looked at fails in the job itself.
            }
        }
    bool failed = false;
    RunReporter inWords = reporter;
    if (reporter.FileEnded)
        inWords.FileEnded = [&](const FileJob& job, const FileOutcome& outcome) {
            reporter.FileEnded(job, InCommandLineWords(options, outcome));
        };
    inWords.FileDone = [&](int index, const FileJob& job, const FileOutcome& outcome) {
        failed = failed || FailsTheRun(outcome);
        if (reporter.FileDone) reporter.FileDone(index, job, InCommandLineWords(options, outcome));
    };
    inWords.BeforeStart = [&](int index, const FileJob&, bool) {
        return existed[index] ? FileStart::Replace : FileStart::Start;
    };
    JobSettings settings = JobSettingsFor(options);
    settings.Overwrite = false;
    RunOptions run;
    run.Workers = options.Jobs;
    RunJobs(settings, jobs, share, run, inWords);
    return failed ? 1 : 0;
}
