#include "cli/dry_run.h"

#include <optional>
#include <string>
#include <utility>

#include "cli/cli_run.h"
#include "cli/shown_names.h"
#include "picture/dib.h"
#include "picture/errors.h"
#include "picture/jpeg/jpeg_header.h"
#include "picture/orientation.h"
#include "picture/picture_probe.h"
#include "picture/picture_saver.h"
#include "picture/system/file_io.h"
#include "scale/jobs/job_checks.h"
#include "scale/jobs/job_size.h"
#include "scale/scale_run.h"

namespace {

FileOutcome withSource(FileOutcome outcome, const PictureSize& source) {
    outcome.SourceWidth = source.Width;
    outcome.SourceHeight = source.Height;
    return outcome;
}

}  // namespace

FileOutcome PlanFile(const CliOptions& o, const FileJob& job) {
    const JobSettings settings = JobSettingsFor(o);
    try {
        if (std::optional<FileOutcome> stopped = CheckBeforeLoading(settings, job))
            return InCommandLineWords(o, *stopped);
        std::string whyRefused;
        std::optional<PictureSize> source = ProbePictureSize(job.Source, &whyRefused);
        if (!source)
            return NotWritten(FileProblem::Unreadable, job.Source,
                              WithDetail(kUnreadable, whyRefused));
        if (o.AutoOrient) {
            const std::optional<JpegHeader> header = ReadJpegHeaderOfFile(job.Source);
            if (header && OrientationTurnsAQuarter(header->Orientation))
                std::swap(source->Width, source->Height);
        }
        const JobSize size = SizeForPicture(settings, source->Width, source->Height);
        ScalePlan plan;
        ScaleRefusal refusal;
        try {
            refusal = SizeScale(size.Settings, size.Selection, plan);
        } catch (const EOutOfMemory& e) {
            return withSource(NotWritten(FileProblem::TooLarge, job.Source,
                                         std::string(kTooLarge) + " (" + e.what() + ")"),
                              *source);
        }
        switch (refusal) {
            case ScaleRefusal::ZeroValue:
            case ScaleRefusal::TargetTooSmall:
                return withSource(NotWritten(FileProblem::BadSize, job.Source, kBadSize), *source);
            case ScaleRefusal::NothingToScale:
                return withSource(
                    NotWritten(FileProblem::NothingToScale, job.Source,
                               "nothing to scale: the picture or the selection is one pixel "
                               "wide or high"),
                    *source);
            case ScaleRefusal::None:
                break;
        }
        // The colours the run's fresh result buffer counts.
        CheckFileTypeCanHold(o.Type, plan.FinishedWidth, plan.FinishedHeight, TDIB().ColorsUsed());
        FileOutcome outcome =
            WrittenOutcome(job.Source, job.Output, plan.FinishedWidth, plan.FinishedHeight);
        outcome.Message = job.Source + " -> " + job.Output + " (" + std::to_string(source->Width) +
                          "x" + std::to_string(source->Height) + " -> " +
                          std::to_string(plan.FinishedWidth) + "x" +
                          std::to_string(plan.FinishedHeight) + ")";
        return withSource(outcome, *source);
    } catch (const std::exception& e) {
        return NotWritten(FileProblem::Failed, job.Output, e.what());
    }
}

int DryRun(const CliOptions& o, const std::vector<FileJob>& jobs, const std::vector<int>& share,
           std::FILE* out, RunReport* report) {
    int status = 0;
    for (int index : share) {
        const FileOutcome outcome = PlanFile(o, jobs[index]);
        if (FailsTheRun(outcome)) status = 1;
        if (out)
            std::fprintf(
                out, "%s\n",
                WithNamesShown(outcome.Message, {jobs[index].Source, jobs[index].Output}).c_str());
        if (report) report->Add(jobs[index], outcome, true);
    }
    return status;
}
