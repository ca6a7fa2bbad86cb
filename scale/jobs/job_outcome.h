#pragma once

// What became of one file job: the status and message a run prints and
// reports, the problem behind a file not written (for a caller that words
// it its own way), and the sizes.

#include <memory>
#include <string>

#include "picture/dib.h"

// The program's texts.
extern const char* const kUnreadable;  // "処理出来ないファイルです"
extern const char* const kBadSize;     // "拡縮率が正しく設定されていません。"
extern const char* const kTooLarge;    // "画像が大きすぎます。"
extern const char* const kOutputLeft;  // "exists; left as it is"

enum class FileStatus {
    Written,
    Skipped,  // its output exists and is left as it is, or the caller said to skip it
    Refused,  // the program would not scale it: unreadable, a size refused, a clash
    Failed,   // the system failed it: a file that could not be written
};

// Why a file was not written.
enum class FileProblem {
    None,             // written
    Planned,          // refused by the plan (FileJob::Refusal)
    BadSize,          // a size value the size computation refuses (kBadSize)
    SourceFolder,     // its output would go into its source's folder (kSameFolderMessage)
    OutputExists,     // left as it is
    SkippedByCaller,  // the run's caller said to leave it
    Unreadable,       // no reader takes the file (kUnreadable)
    NothingToScale,   // the picture or the selection is one pixel wide or high
    TooLarge,         // its memory cannot be had (kTooLarge)
    Failed,           // the system failed it; Reason holds the error's text
};

// The pictures of a job that took the whole-picture path, kept for the
// caller (job_runner.h, RunOptions::KeepLastPictures).
struct JobPictures {
    TDIB Source;  // as scaled: 24 bits, upright when the settings turn it
    TDIB Result;  // the scaled picture, as written
};

struct FileOutcome {
    FileStatus Status = FileStatus::Refused;
    FileProblem Problem = FileProblem::Failed;
    std::string Message;  // one line (or several, "\n" between), without the program name
    std::string Reason;   // the message without the file it names; empty when written
    int SourceWidth = 0;  // the picture as scaled (upright with AutoOrient); 0 unknown
    int SourceHeight = 0;
    int FinishedWidth = 0;  // 0 when nothing was written
    int FinishedHeight = 0;
    long long Milliseconds = 0;                   // from the job's start to its end
    std::shared_ptr<const JobPictures> Pictures;  // only when asked for and written

    bool Written() const { return Status == FileStatus::Written; }
};

// The program's text with what can be told of the cause after it, in
// brackets; the text alone when nothing can.
std::string WithDetail(const char* text, const std::string& detail);

// An outcome other than Written; `subject` is the file the message names,
// `why` the program's text (carriage returns become line breaks). The
// status follows from the problem.
FileOutcome NotWritten(FileProblem problem, const std::string& subject, const std::string& why);

// A written outcome: "source -> output (WxH)".
FileOutcome WrittenOutcome(const std::string& source, const std::string& output, int width,
                           int height);

// "ok", "skipped", "refused" or "failed".
const char* StatusName(FileStatus status);
