#include "scale/jobs/job_checks.h"

#include <filesystem>

#include "picture/system/file_io.h"
#include "scale/batch_naming.h"
#include "scale/jobs/same_file.h"

std::optional<FileOutcome> CheckBeforeLoading(const JobSettings& s, const FileJob& job) {
    if (!job.Refusal.empty()) return NotWritten(FileProblem::Planned, job.Source, job.Refusal);
    // The command refuses a size value of 0 before it looks at anything.
    if (s.Settings.HorzValue == 0 || s.Settings.VertValue == 0)
        return NotWritten(FileProblem::BadSize, job.Source, kBadSize);
    if (s.RefuseSourceFolder && SameFolder(FolderOf(job.Output), FolderOf(job.Source)))
        return NotWritten(FileProblem::SourceFolder, job.Source, kSameFolderMessage);
    std::error_code ec;
    if (!std::filesystem::is_directory(FolderOf(job.Output), ec)) return std::nullopt;
    // Only a regular file is replaced, whether replacing is asked for or
    // not; a dangling link counts as an output already there.
    const OutputPath output = InspectOutputPath(job.Output);
    const bool present = output.kind != OutputKind::Absent;
    if (output.kind == OutputKind::Folder || output.kind == OutputKind::NotRegularFile ||
        (present && s.Overwrite))
        CheckOutputReplaceable(job.Output);
    if (present && !s.Overwrite)
        return NotWritten(FileProblem::OutputExists, job.Output, kOutputLeft);
    return std::nullopt;
}
