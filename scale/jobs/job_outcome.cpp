#include "scale/jobs/job_outcome.h"

#include <algorithm>

const char* const kUnreadable = "処理出来ないファイルです";
const char* const kBadSize = "拡縮率が正しく設定されていません。";
const char* const kTooLarge = "画像が大きすぎます。";
const char* const kOutputLeft = "exists; left as it is";

namespace {

std::string withLineBreaks(std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

FileStatus statusOf(FileProblem problem) {
    switch (problem) {
        case FileProblem::None:
            return FileStatus::Written;
        case FileProblem::OutputExists:
        case FileProblem::SkippedByCaller:
            return FileStatus::Skipped;
        case FileProblem::Failed:
            return FileStatus::Failed;
        default:
            return FileStatus::Refused;
    }
}

}  // namespace

FileOutcome NotWritten(FileProblem problem, const std::string& subject, const std::string& why) {
    FileOutcome outcome;
    outcome.Status = statusOf(problem);
    outcome.Problem = problem;
    outcome.Reason = withLineBreaks(why);
    outcome.Message = subject + ": " + outcome.Reason;
    return outcome;
}

FileOutcome WrittenOutcome(const std::string& source, const std::string& output, int width,
                           int height) {
    FileOutcome outcome;
    outcome.Status = FileStatus::Written;
    outcome.Problem = FileProblem::None;
    outcome.Message = source + " -> " + output + " (" + std::to_string(width) + "x" +
                      std::to_string(height) + ")";
    outcome.FinishedWidth = width;
    outcome.FinishedHeight = height;
    return outcome;
}

const char* StatusName(FileStatus status) {
    switch (status) {
        case FileStatus::Written:
            return "ok";
        case FileStatus::Skipped:
            return "skipped";
        case FileStatus::Refused:
            return "refused";
        case FileStatus::Failed:
            return "failed";
    }
    return "failed";
}

std::string WithDetail(const char* text, const std::string& detail) {
    return detail.empty() ? std::string(text) : std::string(text) + " (" + detail + ")";
}
