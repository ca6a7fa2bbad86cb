#include "cli/job_checks.h"

#include <filesystem>

#include "picture/system/file_io.h"
#include "scale/batch_naming.h"

std::optional<FileOutcome> CheckBeforeLoading(const CliOptions& o, const FileJob& job) {
    if (!job.Refusal.empty()) return NotWritten(FileStatus::Refused, job.Source, job.Refusal);
    // The command refuses a size value of 0 before it looks at anything.
    if (o.Settings.HorzValue == 0 || o.Settings.VertValue == 0)
        return NotWritten(FileStatus::Refused, job.Source, kBadSize);
    if (RefusedForSameFolder(o, job))
        return NotWritten(FileStatus::Refused, job.Source, kSameFolderMessage);
    std::error_code ec;
    if (!std::filesystem::is_directory(FolderOf(job.Output), ec)) return std::nullopt;
    // Only a regular file is replaced, with or without --overwrite; a
    // dangling link counts as an output already there.
    const OutputPath output = InspectOutputPath(job.Output);
    const bool present = output.kind != OutputKind::Absent;
    if (output.kind == OutputKind::Folder || output.kind == OutputKind::NotRegularFile ||
        (present && o.Overwrite))
        CheckOutputReplaceable(job.Output);
    if (present && !o.Overwrite)
        return NotWritten(FileStatus::Skipped, job.Output,
                          "exists; left as it is (--overwrite replaces it)");
    return std::nullopt;
}
