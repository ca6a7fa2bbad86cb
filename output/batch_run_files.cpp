// The files of a batch run on the core's job engine (job_runner.h): the
// engine runs the files on its workers while the window's thread keeps its
// event loop; what the user meets (captions, the overwrite question, each
// file's message, the look at Esc) comes from the engine's calls before each
// file and after it, in the order of the files, and is carried out on the
// window's thread.

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>
#include <stdexcept>

#include "app/window_kit/background_work.h"
#include "app/window_kit/platform.h"
#include "app/window_kit/texts.h"
#include "output/batch_run.h"
#include "output/progress_window.h"
#include "picture/picture_loader.h"
#include "picture/picture_probe.h"
#include "scale/jobs/job_runner.h"
#include "scale/jobs/job_size.h"
#include "scale/scale_run.h"

namespace {

// The progress bar's steps for one file.
constexpr int kBarSteps = 1000;

// An output name exists when anything stands there, a dangling link too.
bool outputExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

std::string bytesOf(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

// The pictures a job made of `source`, made again for a file whose job did
// not keep them; nothing when the file no longer gives them.
std::shared_ptr<const JobPictures> picturesOf(const JobSettings& settings,
                                              const std::string& source) {
    JobPictures pictures;
    if (!LoadPictureFile(source, pictures.Source)) return nullptr;
    pictures.Source.SetPixelFormat(PixelFormat24Bit);
    const JobSize size =
        SizeForPicture(settings, pictures.Source.Width(), pictures.Source.Height());
    ScalePlan plan;
    if (PlanScale(size.Settings, size.Selection, plan) != ScaleRefusal::None) return nullptr;
    ResampleTables tables;
    RunScale(pictures.Source, size.Selection, size.Settings, plan, pictures.Result, tables, {});
    return std::make_shared<const JobPictures>(std::move(pictures));
}

}  // namespace

class TBatchRun::FileRun {
public:
    FileRun(TBatchRun& run, const std::vector<File>& files)
        : run_(run), host_(run.host_), files_(files), settings_(host_.BatchJobSettings()) {
        for (const File& file : files) {
            FileJob job;
            job.Source = bytesOf(file.Source);
            job.Output = bytesOf(file.Output);
            jobs_.push_back(std::move(job));
        }
    }

    void Go() {
        RunOptions options;
        options.Workers = host_.BatchFilesAtOnce();
        options.KeepLastPictures = true;
        options.Stop = &stop_;
        // The engine calls from the thread that runs it; the window answers
        // on its own.
        RunReporter reporter;
        reporter.BeforeStart = [this](int index, const FileJob&, bool earlierReported) {
            FileStart answer = FileStart::Stop;
            RunOnInterfaceThread([&] { answer = BeforeStart(index, earlierReported); });
            return answer;
        };
        reporter.FileDone = [this](int index, const FileJob&, const FileOutcome& outcome) {
            RunOnInterfaceThread([&] { FileDone(index, outcome); });
        };
        reporter.Progress = [this](const RunProgress& progress) {
            const std::lock_guard<std::mutex> lock(barMutex_);
            barShare_ = progress.Running.empty() ? 0.0 : progress.Running.front().Done;
        };
        std::vector<int> share(files_.size());
        std::iota(share.begin(), share.end(), 0);

        run_.ShowFileCaption(1, count());
        try {
            RunInBackground([&] { RunJobs(settings_, jobs_, share, options, reporter); },
                            [this] { ShowBar(); });
        } catch (...) {
            // A failure the run does not handle ends it; the window still
            // holds the last file written before the error goes on.
            ShowProgress(false);
            try {
                TakeLastWritten();
            } catch (...) {
                // The error that ended the run is the one the user is told.
            }
            throw;
        }
        ShowProgress(false);
        TakeLastWritten();
    }

private:
    int count() const { return static_cast<int>(files_.size()); }

    // --- on the window's thread

    FileStart BeforeStart(int index, bool earlierReported) {
        const File& file = files_[static_cast<std::size_t>(index)];
        if (answer_ != OverwriteAnswer::Yes && outputExists(file.Output)) {
            // Asked in its place in the order, once every file before it is done.
            if (!earlierReported) return FileStart::AfterEarlierFiles;
            ShowProgress(false);
            run_.ShowFileCaption(index + 1, count());
            answer_ = run_.AskOverwrite(file.Output);
            if (answer_ == OverwriteAnswer::No) {
                answer_ = OverwriteAnswer::NotAsked;  // the next file is asked again
                return FileStart::Skip;
            }
            if (answer_ == OverwriteAnswer::Cancel) {
                LookAtEscape();
                return FileStart::Stop;
            }
        }
        ++running_;
        ShowProgress(true);
        return answer_ == OverwriteAnswer::Yes ? FileStart::Replace : FileStart::Start;
    }

    void FileDone(int index, const FileOutcome& outcome) {
        if (outcome.Problem != FileProblem::SkippedByCaller) --running_;
        if (outcome.Written()) {
            lastWritten_ = index;
            lastPictures_ = outcome.Pictures;
        }
        // What the save cannot handle ends the run and reaches the user
        // through the general error box, as any command's error does.
        if (outcome.Status == FileStatus::Failed) throw std::runtime_error(outcome.Reason);
        ShowMessageFor(ProblemAsTheWindowSeesIt(index, outcome));
        LookAtEscape();
        if (index + 1 < count()) run_.ShowFileCaption(index + 2, count());
        if (running_ > 0) ShowProgress(true);
    }

    // The engine refuses a size of 0 before it reads the file; the window
    // opens the file first, and tells of a file no reader takes as such.
    FileProblem ProblemAsTheWindowSeesIt(int index, const FileOutcome& outcome) const {
        if (outcome.Problem != FileProblem::BadSize || outcome.SourceWidth > 0)
            return outcome.Problem;
        const std::string source = jobs_[static_cast<std::size_t>(index)].Source;
        bool readable = false;
        RunInBackground([&] { readable = ProbePictureSize(source).has_value(); });
        return readable ? FileProblem::BadSize : FileProblem::Unreadable;
    }

    // The message the window's load or scale command gives for the problem.
    void ShowMessageFor(FileProblem problem) {
        QString text, title = texts::WarningTitle;
        switch (problem) {
            case FileProblem::Unreadable:
                text = texts::FileOpenErrorText;
                title = texts::FileOpenErrorTitle;
                break;
            case FileProblem::BadSize:
                text = texts::BadScaleText;
                break;
            case FileProblem::TooLarge:
                text = texts::TooLargeText;
                break;
            default:
                return;  // written, skipped, or too thin to scale: nothing to say
        }
        ShowProgress(false);
        host_.platform().ShowMessage(host_.OwnerWidget(), text, title, MessageIcon::Error,
                                     MessageButtons::Ok);
    }

    // Only a key held down at this moment counts; the files at work are
    // finished and saved, and no other starts.
    void LookAtEscape() {
        if (!host_.platform().IsEscapeHeld()) return;
        host_.BatchAbortFlag() = 1;
        stop_.Request();
    }

    // The progress window is up while files are at work, and gone while
    // the user is asked or told something.
    void ShowProgress(bool shown) {
        TForm2* progress = host_.ProgressWindow();
        if (shown == progressShown_) return;
        progressShown_ = shown;
        Platform& platform = host_.platform();
        if (shown) {
            platform.SetBusyCursor(true);
            platform.SetTopmost(host_.OwnerWidget(), false);
            if (progress) {
                progress->ProgressBar1->setRange(0, kBarSteps);
                progress->ProgressBar1->setValue(0);
                progress->ShowCentred();
            }
        } else {
            platform.SetBusyCursor(false);
            if (progress) progress->hide();
            platform.SetTopmost(host_.OwnerWidget(), host_.StaysOnTop());
        }
    }

    // The bar follows the first file at work.
    void ShowBar() {
        TForm2* progress = host_.ProgressWindow();
        if (!progress || !progressShown_) return;
        double share = 0;
        {
            const std::lock_guard<std::mutex> lock(barMutex_);
            share = barShare_;
        }
        progress->ProgressBar1->setValue(static_cast<int>(share * kBarSteps));
    }

    // The window takes the last file written, its pictures made again when
    // its job did not keep them (the run stopped before its last file).
    void TakeLastWritten() {
        if (lastWritten_ < 0) return;
        const File& file = files_[static_cast<std::size_t>(lastWritten_)];
        std::shared_ptr<const JobPictures> pictures = lastPictures_;
        if (!pictures) {
            const std::string source = bytesOf(file.Source);
            RunInBackground([&] { pictures = picturesOf(settings_, source); });
            if (!pictures) return;
        }
        host_.TakeBatchPictures(file.Source, file.Output, *pictures);
    }

    TBatchRun& run_;
    BatchRunHost& host_;
    const std::vector<File>& files_;
    const JobSettings settings_;
    std::vector<FileJob> jobs_;
    RunStop stop_;

    // The window's thread's own.
    OverwriteAnswer answer_ = OverwriteAnswer::NotAsked;
    int running_ = 0;  // files started and not yet reported
    bool progressShown_ = false;
    int lastWritten_ = -1;
    std::shared_ptr<const JobPictures> lastPictures_;

    std::mutex barMutex_;
    double barShare_ = 0;  // the first running file's share done
};

void TBatchRun::RunFiles(const std::vector<File>& files) {
    ShowRunning(true);
    host_.BatchAbortFlag() = 0;
    FileRun(*this, files).Go();
}
