#pragma once

// What became of one input of skalomi-cli, as the run prints it, reports it
// (--report) and plans it (--dry-run).

#include <string>

// The program's texts.
extern const char* const kUnreadable;  // "処理出来ないファイルです"
extern const char* const kBadSize;     // "拡縮率が正しく設定されていません。"
extern const char* const kTooLarge;    // "画像が大きすぎます。"

enum class FileStatus {
    Written,
    Skipped,  // its output exists and is left as it is
    Refused,  // the program would not scale it: unreadable, a size refused, a clash
    Failed,   // the system failed it: a file that could not be written
};

struct FileOutcome {
    FileStatus Status = FileStatus::Refused;
    std::string Message;  // one line (or several, "\n" between), without the program name
    std::string Reason;   // the message without the file it names; empty when written
    int SourceWidth = 0;  // the picture as scaled (upright with --auto-orient); 0 unknown
    int SourceHeight = 0;
    int FinishedWidth = 0;  // 0 when nothing was written
    int FinishedHeight = 0;
    long long Milliseconds = 0;  // from the job's start to its end

    bool Written() const { return Status == FileStatus::Written; }
};

// An outcome other than Written; `subject` is the file the message names,
// `why` the program's text (carriage returns become line breaks).
FileOutcome NotWritten(FileStatus status, const std::string& subject, const std::string& why);

// A written outcome: "source -> output (WxH)".
FileOutcome WrittenOutcome(const std::string& source, const std::string& output, int width,
                           int height);

// "ok", "skipped", "refused" or "failed".
const char* StatusName(FileStatus status);
