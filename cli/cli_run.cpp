#include "cli/cli_run.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "cli/job_gate.h"
#include "picture/errors.h"
#include "picture/file_io.h"
#include "picture/memory_budget.h"
#include "picture/picture_loader.h"
#include "picture/picture_saver.h"
#include "scale/batch_naming.h"
#include "scale/selection.h"
#include "scale/streamed_job.h"

namespace {

// The program's texts.
const char* const kUnreadable = "処理出来ないファイルです";
const char* const kBadSize = "拡縮率が正しく設定されていません。";
const char* const kTooLarge = "画像が大きすぎます。";

std::string withLineBreaks(std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

FileOutcome refused(const std::string& path, const std::string& why) {
    return FileOutcome{false, path + ": " + withLineBreaks(why)};
}

// Orders and clamps a typed rectangle as a kept selection is; no minimum
// size here (a rectangle one pixel wide is then refused as nothing to scale).
SelectionRect selectionFor(const CliOptions& o, int width, int height) {
    if (!o.Selection) return WholePicture(width, height);
    return OrderAndClampSelection(*o.Selection, width, height);
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

FileOutcome written(const FileJob& job, int width, int height) {
    return FileOutcome{true, job.Source + " -> " + job.Output + " (" + std::to_string(width) + "x" +
                                 std::to_string(height) + ")"};
}

}  // namespace

FileOutcome ScaleFile(const CliOptions& o, const FileJob& job, Worker& w,
                      const std::function<void(double)>& progress) {
    auto report = [&](double share) {
        if (progress) progress(share);
    };
    try {
        // The command refuses a size value of 0 before it looks at anything.
        if (o.Settings.HorzValue == 0 || o.Settings.VertValue == 0)
            return refused(job.Source, kBadSize);
        if (o.Output.empty() && EffectiveSuffix(o.Suffix).empty() &&
            SameFolder(FolderOf(job.Output), FolderOf(job.Source)))
            return refused(job.Source, kSameFolderMessage);
        // Only a regular file is replaced, with or without --overwrite; a
        // dangling link counts as an output already there.
        const OutputPath output = InspectOutputPath(job.Output);
        const bool present = output.kind != OutputKind::Absent;
        if (output.kind == OutputKind::Folder || output.kind == OutputKind::NotRegularFile ||
            (present && o.Overwrite))
            CheckOutputReplaceable(job.Output);
        if (present && !o.Overwrite)
            return refused(job.Output, "exists; left as it is (--overwrite replaces it)");

        const bool streams = CanStreamResult(job.Output, o.Settings.Rotation);
        if (streams) {
            const BorrowedCore core(w.Spare);
            BandSettings bands;
            bands.OwnThread = core.held();
            StreamedJobContext context{w.Tables, w.Result, bands,
                                       shareOfProgress(report, 0.0, 1.0)};
            ScalePlan plan;
            const auto selection = [&o](int width, int height) {
                return selectionFor(o, width, height);
            };
            if (StreamJpegJob(job.Source, job.Output, o.Settings, selection, context, plan)) {
                report(1.0);
                return written(job, plan.FinishedWidth, plan.FinishedHeight);
            }
        }

        std::string whyUnreadable;
        if (!LoadPictureFile(job.Source, w.Source, &whyUnreadable)) {
            return refused(job.Source, whyUnreadable.empty()
                                           ? std::string(kUnreadable)
                                           : std::string(kUnreadable) + " (" + whyUnreadable + ")");
        }
        report(0.2);

        const SelectionRect selection = selectionFor(o, w.Source.Width(), w.Source.Height());
        ScalePlan plan;
        ScaleRefusal refusal;
        try {
            refusal = SizeScale(o.Settings, selection, plan);
            if (refusal == ScaleRefusal::None) {
                // An output its format cannot hold is refused before the run.
                CheckFileTypeCanHold(FileTypeForName(job.Output), plan.FinishedWidth,
                                     plan.FinishedHeight, w.Result.ColorsUsed());
                // A streamed result is never held whole: only its work rows are.
                if (streams)
                    RequireMemory(ScaleWorkBytes(plan, selection), "The scale run's work rows");
                else
                    CheckScaleMemory(plan, selection);
            }
        } catch (const EMemoryBusy&) {
            throw;
        } catch (const EOutOfMemory& e) {
            return refused(job.Source, std::string(kTooLarge) + " (" + e.what() + ")");
        }
        switch (refusal) {
            case ScaleRefusal::ZeroValue:
            case ScaleRefusal::TargetTooSmall:
                return refused(job.Source, kBadSize);
            case ScaleRefusal::NothingToScale:
                return refused(job.Source,
                               "nothing to scale: the picture or the selection is one pixel wide "
                               "or high");
            case ScaleRefusal::None:
                break;
        }

        if (streams) {
            StreamedJobContext context{w.Tables, w.Result, {}, shareOfProgress(report, 0.2, 1.0)};
            try {
                StreamLoadedJob(w.Source, selection, o.Settings, plan, job.Output, context);
            } catch (const EMemoryBusy&) {
                throw;
            } catch (const EOutOfMemory& e) {
                return refused(job.Source, std::string(kTooLarge) + " (" + e.what() + ")");
            }
            report(1.0);
            return written(job, plan.FinishedWidth, plan.FinishedHeight);
        }
        try {
            RunScale(w.Source, selection, o.Settings, plan, w.Result, w.Tables,
                     shareOfProgress(report, 0.2, 0.8));
        } catch (const EMemoryBusy&) {
            throw;
        } catch (const EOutOfMemory& e) {
            return refused(job.Source, std::string(kTooLarge) + " (" + e.what() + ")");
        }
        report(0.8);

        SavePictureToFile(w.Result, job.Output);
        report(1.0);
        return written(job, w.Result.Width(), w.Result.Height());
    } catch (const EMemoryBusy&) {
        throw;
    } catch (const std::bad_alloc&) {
        return refused(job.Source, kTooLarge);
    } catch (const std::exception& e) {
        return refused(job.Output, e.what());
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

int RunJobs(const CliOptions& o, const RunReporter& reporter) {
    const std::vector<FileJob> jobs = PlanJobs(o);
    const std::vector<std::vector<int>> groups = GroupJobs(jobs);
    const int fileCount = static_cast<int>(jobs.size());
    const int cores = UsableCores();
    int workers = o.Jobs > 0 ? o.Jobs : cores;
    workers = std::max(1, std::min(workers, static_cast<int>(groups.size())));

    std::mutex mutex;
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
                std::function<void(double)> share;
                if (reporter.Progress) {
                    share = [&, index](double s) {
                        std::lock_guard<std::mutex> lock(mutex);
                        shares[index] = s;
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
                            ScaleFile(o, jobs[index], worker, share));
                    } catch (const EMemoryBusy&) {
                        alone = gate.WaitForMemory(index);
                    }
                }
                gate.Leave(index);
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    outcomes[index] = std::move(outcome);
                    shares[index] = 1.0;
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
        for (const auto& [index, outcome] : ready) {
            if (!outcome.Written) status = 1;
            if (reporter.FileDone) reporter.FileDone(index, jobs[index], outcome);
        }
        if (reporter.Progress && reported < fileCount) reporter.Progress(done / fileCount);
    }
    for (std::thread& t : threads) t.join();
    return status;
}
