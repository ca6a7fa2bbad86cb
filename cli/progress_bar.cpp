#include "cli/progress_bar.h"

ProgressBar::ProgressBar(std::FILE* stream, bool enabled, int files)
    : stream_(stream), enabled_(enabled), files_(files) {}

ProgressBar::~ProgressBar() {
    Clear();
}

void ProgressBar::Show(double done) {
    if (!enabled_) return;
    if (done < 0) done = 0;
    if (done > 1) done = 1;
    last_ = done;
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(done * kWidth);
    std::string bar = "\r[";
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    bar += "] " + std::to_string(static_cast<int>(done * 100)) + "%  " + std::to_string(finished_) +
           "/" + std::to_string(files_) + " files";
    std::fputs(bar.c_str(), stream_);
    std::fflush(stream_);
    drawn_ = true;
}

void ProgressBar::PrintLine(std::FILE* stream, const std::string& line) {
    const bool redraw = drawn_;
    Clear();
    std::fputs((line + "\n").c_str(), stream);
    std::fflush(stream);
    if (redraw) Show(last_);
}

void ProgressBar::Clear() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    drawn_ = false;
}
