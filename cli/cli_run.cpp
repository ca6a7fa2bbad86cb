#include "cli/cli_run.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include "cli/job_checks.h"
#include "cli/job_gate.h"
#include "cli/job_size.h"
#include "picture/errors.h"
#include "picture/jpeg/jpeg_header.h"
#include "picture/orientation.h"
#include "picture/picture_loader.h"
#include "picture/picture_saver.h"
#include "picture/system/file_io.h"
#include "picture/system/memory_budget.h"
#include "scale/batch_naming.h"
#include "scale/streamed_job.h"

namespace {

// What the job ends with; once the source's size is known, every outcome
// carries it.
class JobOutcomes {
public:
    explicit JobOutcomes(const FileJob& job) : job_(job) {}

    void SourceSize(int width, int height) {
        width_ = width;
        height_ = height;
    }
    FileOutcome Written(int width, int height) const {
        return sized(WrittenOutcome(job_.Source, job_.Output, width, height));
    }
    FileOutcome Refused(const std::string& why) const {
        return sized(NotWritten(FileStatus::Refused, job_.Source, why));
    }
    FileOutcome Failed(const std::string& why) const {
        return sized(NotWritten(FileStatus::Failed, job_.Output, why));
    }

private:
    FileOutcome sized(FileOutcome outcome) const {
        outcome.SourceWidth = width_;
        outcome.SourceHeight = height_;
        return outcome;
    }

    const FileJob& job_;
    int width_ = 0;
    int height_ = 0;
};

// The program's text with what can be told of the cause after it.
std::string withDetail(const char* text, const std::string& detail) {
    return detail.empty() ? std::string(text) : std::string(text) + " (" + detail + ")";
}

// A folder made below the destination for the folders walked below an input.
void makeFolderOf(const std::string& output) {
    const std::string folder = FolderOf(output);
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return;
    std::filesystem::create_directories(folder, ec);
    if (ec) throw EFCreateError("Cannot create folder \"" + folder + "\". " + ec.message());
}

// The scale run's progress events as the file's share done, from `from` to
// `to`: the two passes fill the two halves, as the window's bar does.
ScaleProgress shareOfProgress(const std::function<void(double)>& report, double from, double to) {
    ScaleProgress scaleProgress;
    if (!report) return scaleProgress;
    auto maximum = std::make_shared<int>(1);
    auto secondPass = std::make_shared<bool>(false);
    auto passes = std::make_shared<int>(0);
    scaleProgress.PassStarted = [=](int max) {
        *maximum = std::max(max, 1);
        *secondPass = ++*passes == 2;
    };
    scaleProgress.Position = [=](int position) {
        const double bar = std::min(1.0, static_cast<double>(position) / *maximum);
        report(from + (to - from) * (*secondPass ? std::max(bar, 0.5) : std::min(bar, 0.5)));
    };
    return scaleProgress;
}

// A borrowed core, given back when the job ends.
class BorrowedCore {
public:
    explicit BorrowedCore(SpareCores* spare)
        : spare_(spare && spare->TryTake() ? spare : nullptr) {}
    ~BorrowedCore() {
        if (spare_) spare_->Give();
    }
    BorrowedCore(const BorrowedCore&) = delete;
    BorrowedCore& operator=(const BorrowedCore&) = delete;
    bool held() const { return spare_ != nullptr; }

private:
    SpareCores* spare_;
};

// The EXIF orientation --auto-orient applies to the source; 1 (as stored)
// without it or when the file tells none. The job's one read of the header.
int orientationToApply(const CliOptions& o, const std::string& source) {
    if (!o.AutoOrient) return 1;
    const std::optional<JpegHeader> header = ReadJpegHeaderOfFile(source);
    return header ? header->Orientation : 1;
}

// Whether TurnUpright changes a picture stored with this orientation.
bool turnsPicture(int orientation) {
    return orientation > 1 && orientation <= 8;
}

// The streamed path: a JPEG source decoded in bands (on a borrowed core when
// there is one) and scaled into the output as its rows come. Nothing when
// the streamed job leaves the file to the whole-picture path.
std::optional<FileOutcome> streamJpeg(const CliOptions& o, const FileJob& job, Worker& w,
                                      JobOutcomes& outcomes,
                                      const std::function<void(double)>& report) {
    const BorrowedCore core(w.Spare);
    BandSettings bands;
    bands.OwnThread = core.held();
    StreamedJobContext context{w.Tables, w.Result, bands, shareOfProgress(report, 0.0, 1.0)};
    const auto request = [&](int width, int height) {
        outcomes.SourceSize(width, height);
        const JobSize size = SizeForPicture(o, width, height);
        return SizedRequest{size.Selection, size.Settings};
    };
    ScalePlan plan;
    if (!StreamJpegJob(job.Source, job.Output, request, context, plan)) return std::nullopt;
    report(1.0);
    return outcomes.Written(plan.FinishedWidth, plan.FinishedHeight);
}

// The size computation for the loaded picture and the checks before its
// run: the output's format must hold the result, and the memory must be
// there (for a streamed result, its work rows only). The refusal, or
// nothing when the run may go on with `plan`.
std::optional<FileOutcome> planScale(const JobSize& size, bool streams, const FileJob& job,
                                     const Worker& w, const JobOutcomes& outcomes,
                                     ScalePlan& plan) {
    switch (SizeScale(size.Settings, size.Selection, plan)) {
        case ScaleRefusal::ZeroValue:
        case ScaleRefusal::TargetTooSmall:
            return outcomes.Refused(kBadSize);
        case ScaleRefusal::NothingToScale:
            return outcomes.Refused(
                "nothing to scale: the picture or the selection is one pixel wide or high");
        case ScaleRefusal::None:
            break;
    }
    CheckFileTypeCanHold(FileTypeForName(job.Output), plan.FinishedWidth, plan.FinishedHeight,
                         w.Result.ColorsUsed());
    if (streams)
        RequireMemory(ScaleWorkBytes(plan, size.Selection), "The scale run's work rows");
    else
        CheckScaleMemory(plan, size.Selection);
    return std::nullopt;
}

}  // namespace

FileOutcome ScaleFile(const CliOptions& o, const FileJob& job, Worker& w,
                      const std::function<void(double)>& progress) {
    const auto report = [&](double share) {
        if (progress) progress(share);
    };
    JobOutcomes outcomes(job);
    try {
        // Checks before loading.
        if (std::optional<FileOutcome> stopped = CheckBeforeLoading(o, job)) return *stopped;
        makeFolderOf(job.Output);
        const int orientation = orientationToApply(o, job.Source);
        const bool streams = CanStreamResult(job.Output, o.Settings.Rotation);

        // The streamed path, for a source whose rows come in the order they
        // are scaled.
        if (streams && !turnsPicture(orientation)) {
            if (std::optional<FileOutcome> done = streamJpeg(o, job, w, outcomes, report))
                return *done;
        }

        // Load, then size.
        std::string whyUnreadable;
        if (!LoadPictureFile(job.Source, w.Source, &whyUnreadable))
            return outcomes.Refused(withDetail(kUnreadable, whyUnreadable));
        TurnUpright(w.Source, orientation);
        outcomes.SourceSize(w.Source.Width(), w.Source.Height());
        report(0.2);
        const JobSize size = SizeForPicture(o, w.Source.Width(), w.Source.Height());
        ScalePlan plan;
        if (std::optional<FileOutcome> refused = planScale(size, streams, job, w, outcomes, plan))
            return *refused;

        // The whole picture, its result written row by row where the
        // output's writer takes rows, else held whole and saved.
        if (streams) {
            StreamedJobContext context{w.Tables, w.Result, {}, shareOfProgress(report, 0.2, 1.0)};
            StreamLoadedJob(w.Source, size.Selection, size.Settings, plan, job.Output, context);
        } else {
            RunScale(w.Source, size.Selection, size.Settings, plan, w.Result, w.Tables,
                     shareOfProgress(report, 0.2, 0.8));
            report(0.8);
            SavePictureToFile(w.Result, job.Output);
        }
        report(1.0);
        return outcomes.Written(plan.FinishedWidth, plan.FinishedHeight);
    }
    // What a failure becomes: memory that cannot be had refuses the picture
    // as too large; anything else failed the file. Busy memory is the run's
    // to wait for.
    catch (const EMemoryBusy&) {
        throw;
    } catch (const EOutOfMemory& e) {
        return outcomes.Refused(withDetail(kTooLarge, e.what()));
    } catch (const std::bad_alloc&) {
        return outcomes.Refused(kTooLarge);
    } catch (const std::exception& e) {
        return outcomes.Failed(e.what());
    }
}

int UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

bool SpareCores::TryTake() {
    int available = count_.load();
    while (available > 0) {
        if (count_.compare_exchange_weak(available, available - 1)) return true;
    }
    return false;
}

int RunJobs(const CliOptions& o, const std::vector<FileJob>& jobs, const std::vector<int>& share,
            const RunReporter& reporter) {
    const std::vector<std::vector<int>> groups = GroupJobs(jobs, share);
    const int fileCount = static_cast<int>(share.size());
    // Outcomes are kept by the job's place in the share.
    std::vector<int> slotOf(jobs.size(), -1);
    for (int slot = 0; slot < fileCount; ++slot) slotOf[share[slot]] = slot;
    const int cores = UsableCores();
    int workers = o.Jobs > 0 ? o.Jobs : cores;
    workers = std::max(1, std::min(workers, static_cast<int>(groups.size())));

    std::mutex mutex;
    std::mutex ended;  // one FileEnded call at a time
    std::condition_variable changed;
    std::vector<std::unique_ptr<FileOutcome>> outcomes(fileCount);
    std::vector<double> shares(fileCount, 0.0);  // guarded by mutex
    std::atomic<int> nextGroup{0};

    // The jobs share one memory budget, each worker charging its own
    // account (job_gate.h). Cores no worker runs on (fewer than none when
    // more workers were asked for than there are cores) may be borrowed by
    // a job for its decoder; a worker that runs out of files gives its own.
    JobGate gate;
    SpareCores spare(cores - workers);
    auto work = [&] {
        MemoryAccount account;
        ChargeMemoryTo charge(account);
        for (int g = nextGroup++; g < static_cast<int>(groups.size()); g = nextGroup++) {
            for (int index : groups[g]) {
                const int slot = slotOf[index];
                const auto started = std::chrono::steady_clock::now();
                std::function<void(double)> progress;
                if (reporter.Progress) {
                    progress = [&, slot](double s) {
                        std::lock_guard<std::mutex> lock(mutex);
                        shares[slot] = s;
                    };
                }
                gate.Enter();
                std::unique_ptr<FileOutcome> outcome;
                bool alone = false;
                while (!outcome) {
                    account.SetWaitsForOthers(!alone);
                    try {
                        // A worker's pictures live for one job only: what it
                        // holds between jobs would count against the others.
                        Worker worker;
                        worker.Spare = &spare;
                        outcome = std::make_unique<FileOutcome>(
                            ScaleFile(o, jobs[index], worker, progress));
                    } catch (const EMemoryBusy&) {
                        alone = gate.WaitForMemory(index);
                    }
                }
                gate.Leave(index);
                outcome->Milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now() - started)
                                            .count();
                {
                    std::lock_guard<std::mutex> lock(ended);
                    if (reporter.FileEnded) reporter.FileEnded(jobs[index], *outcome);
                }
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    outcomes[slot] = std::move(outcome);
                    shares[slot] = 1.0;
                }
                changed.notify_one();
            }
        }
        spare.Give();
    };
    // The workers scale; this thread reports, in file order.
    std::vector<std::thread> threads;
    for (int i = 0; i < workers; ++i) threads.emplace_back(work);

    int status = 0;
    int reported = 0;
    while (reported < fileCount) {
        std::vector<std::pair<int, FileOutcome>> ready;
        double done = 0;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait_for(lock, std::chrono::milliseconds(100),
                             [&] { return outcomes[reported] != nullptr; });
            while (reported < fileCount && outcomes[reported]) {
                ready.emplace_back(reported, *outcomes[reported]);
                ++reported;
            }
            for (double s : shares) done += s;
        }
        for (const auto& [slot, outcome] : ready) {
            if (!outcome.Written()) status = 1;
            if (reporter.FileDone) reporter.FileDone(share[slot], jobs[share[slot]], outcome);
        }
        if (reporter.Progress && reported < fileCount) reporter.Progress(done / fileCount);
    }
    for (std::thread& t : threads) t.join();
    return status;
}
