// skalomi-cli: the Skalomi engine from the command line.

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/progress_bar.h"
#include "skalomi_build.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    CliOptions options;
    try {
        options = ParseCommandLine(args);
    } catch (const CliUsageError& e) {
        std::string message = e.what();
        for (char& c : message)
            if (c == '\r') c = '\n';
        std::fprintf(stderr, "skalomi-cli: %s\nTry 'skalomi-cli --help'.\n", message.c_str());
        return 2;
    }
    if (options.Help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::puts(SKALOMI_VERSION_TEXT);
        return 0;
    }

    ProgressBar bar(stderr, !options.Quiet && ::isatty(STDERR_FILENO),
                    static_cast<int>(options.Files.size()));
    RunReporter reporter;
    reporter.FileDone = [&](int, const FileJob&, const FileOutcome& outcome) {
        bar.FileFinished();
        if (outcome.Written)
            bar.PrintLine(stdout, outcome.Message);
        else
            bar.PrintLine(stderr, "skalomi-cli: " + outcome.Message);
    };
    reporter.Progress = [&](double done) { bar.Show(done); };
    const int status = RunJobs(options, reporter);
    bar.Clear();
    return status;
}
