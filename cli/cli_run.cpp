#include "cli/cli_run.h"

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

FileOutcome InCommandLineWords(FileOutcome outcome) {
    if (outcome.Problem == FileProblem::OutputExists) {
        const char* const hint = " (--overwrite replaces it)";
        outcome.Reason += hint;
        outcome.Message += hint;
    }
    return outcome;
}

int RunCliJobs(const CliOptions& options, const std::vector<FileJob>& jobs,
               const std::vector<int>& share, const RunReporter& reporter) {
    RunReporter inWords = reporter;
    if (reporter.FileEnded)
        inWords.FileEnded = [&](const FileJob& job, const FileOutcome& outcome) {
            reporter.FileEnded(job, InCommandLineWords(outcome));
        };
    if (reporter.FileDone)
        inWords.FileDone = [&](int index, const FileJob& job, const FileOutcome& outcome) {
            reporter.FileDone(index, job, InCommandLineWords(outcome));
        };
    RunOptions run;
    run.Workers = options.Jobs;
    return RunJobs(JobSettingsFor(options), jobs, share, run, inWords).AllWritten ? 0 : 1;
}
