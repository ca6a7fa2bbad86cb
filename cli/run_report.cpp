#include "cli/run_report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/cli_options.h"
#include "scale/jobs/same_file.h"

namespace {

// The length of the well-formed UTF-8 character at `at`, or 0 when the byte
// there does not start one (overlong forms, surrogates and values above
// U+10FFFF are not well-formed).
std::size_t utf8Length(const std::string& s, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    std::size_t length;
    unsigned low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() - at < length) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    return length;
}

std::string hexEscape(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04x", value);
    return text;
}

std::string size(int width, int height) {
    if (width <= 0 || height <= 0) return "null";
    return "{\"width\":" + std::to_string(width) + ",\"height\":" + std::to_string(height) + "}";
}

// Whether the file at `fd`, `size` bytes long, reads as lines of JSON
// objects: its first line (as far as the first 64 KiB hold it) opens and
// closes an object, and it ends with a line break.
bool holdsJsonLines(int fd, off_t size) {
    if (size == 0) return true;
    std::string head(static_cast<std::size_t>(std::min<off_t>(size, 64 * 1024)), '\0');
    char last = 0;
    if (::pread(fd, head.data(), head.size(), 0) != static_cast<ssize_t>(head.size()) ||
        ::pread(fd, &last, 1, size - 1) != 1)
        return false;
    const std::size_t lineEnd = head.find('\n');
    if (head[0] != '{' || last != '\n') return false;
    return lineEnd == std::string::npos || (lineEnd > 0 && head[lineEnd - 1] == '}');
}

}  // namespace

void CheckReportTarget(const std::string& target, const std::vector<std::string>& runFiles) {
    if (target == "-") return;
    const std::string key = FileKey(target);
    for (const std::string& file : runFiles)
        if (FileKey(file) == key)
            throw CliUsageError("--report " + target + " is a file of this run (" + file +
                                "); a report goes elsewhere");
    const int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;  // missing: made when opened; unreadable: opening tells
    struct stat info {};
    const bool isReport =
        ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || holdsJsonLines(fd, info.st_size);
    ::close(fd);
    if (!isReport)
        throw CliUsageError("--report " + target +
                            " holds something else than a report (lines of JSON); left as it is");
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c == '\n') {
                out += "\\n";
            } else if (c == '\r') {
                out += "\\r";
            } else if (c == '\t') {
                out += "\\t";
            } else if (c < 0x20 || c == 0x7F) {
                out += hexEscape(c);
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const std::size_t length = utf8Length(s, i);
        if (length == 0) {
            out += hexEscape(0xDC00 + c);
            ++i;
        } else {
            out.append(s, i, length);
            i += length;
        }
    }
    return out + "\"";
}

std::string ReportLine(const FileJob& job, const FileOutcome& outcome, bool planned) {
    const char* status = planned && outcome.Written() ? "planned" : StatusName(outcome.Status);
    return "{\"input\":" + JsonString(job.Source) + ",\"output\":" + JsonString(job.Output) +
           ",\"status\":\"" + status + "\",\"message\":" + JsonString(outcome.Reason) +
           ",\"source\":" + size(outcome.SourceWidth, outcome.SourceHeight) +
           ",\"finished\":" + size(outcome.FinishedWidth, outcome.FinishedHeight) +
           ",\"milliseconds\":" + std::to_string(outcome.Milliseconds) + "}\n";
}

RunReport::RunReport(const std::string& target) : target_(target) {
    if (target == "-") {
        fd_ = STDOUT_FILENO;
        return;
    }
    fd_ = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) throw CliUsageError("--report " + target + ": " + std::strerror(errno));
    ownsFd_ = true;
}

RunReport::~RunReport() {
    if (ownsFd_) ::close(fd_);
}

void RunReport::Add(const FileJob& job, const FileOutcome& outcome, bool planned) {
    const std::string line = ReportLine(job, outcome, planned);
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (writeError_.empty())
                writeError_ = "--report " + target_ + ": " + std::strerror(n < 0 ? errno : EIO);
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}
