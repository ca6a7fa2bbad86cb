#include "scale/jobs/job_runner.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "picture/system/memory_budget.h"
#include "scale/jobs/job_gate.h"
#include "scale/jobs/job_groups.h"
#include "scale/jobs/scale_file.h"
#include "scale/jobs/spare_cores.h"

namespace {

// How often the caller hears of the progress while it waits.
constexpr std::chrono::milliseconds kProgressInterval(100);

// A file handed to the workers.
struct StartedFile {
    int slot = 0;  // its place in the share
    bool replace = false;
    bool keepPictures = false;
};

// For each place in the share, the place of the job before it in its
// group, or -1.
std::vector<int> previousInGroups(const std::vector<std::vector<int>>& groups,
                                  const std::vector<int>& share, std::size_t jobCount) {
    std::vector<int> slotOf(jobCount, -1);
    for (int slot = 0; slot < static_cast<int>(share.size()); ++slot) slotOf[share[slot]] = slot;
    std::vector<int> previous(share.size(), -1);
    for (const std::vector<int>& group : groups)
        for (std::size_t k = 1; k < group.size(); ++k)
            previous[slotOf[group[k]]] = slotOf[group[k - 1]];
    return previous;
}

// One run. The caller's thread starts the files in their order and reports
// them; the workers run the jobs.
class Run {
public:
    Run(const JobSettings& settings, const std::vector<FileJob>& jobs,
        const std::vector<int>& share, const RunOptions& options, const RunReporter& reporter,
        std::vector<int> previousInGroup, int workers, int cores)
        : settings_(settings),
          jobs_(jobs),
          share_(share),
          options_(options),
          reporter_(reporter),
          files_(static_cast<int>(share.size())),
          previousInGroup_(std::move(previousInGroup)),
          workers_(workers),
          spare_(cores - workers),
          outcomes_(share.size()),
          shares_(share.size(), 0.0) {}

    RunResult Go() {
        std::vector<std::thread> threads;
        for (int i = 0; i < workers_; ++i) threads.emplace_back([this] { work(); });
        // What a callback of the caller throws ends the run once the files
        // in flight are done, and goes on to the caller.
        std::exception_ptr failure;
        try {
            startAndReport();
        } catch (...) {
            failure = std::current_exception();
            std::lock_guard<std::mutex> lock(mutex_);
            close();
        }
        for (std::thread& t : threads) t.join();
        if (failure) std::rethrow_exception(failure);
        RunResult result;
        result.Stopped = next_ < files_;
        result.AllWritten = allWritten_ && !result.Stopped;
        return result;
    }

private:
    // --- the caller's thread; mutex_ is held unless said otherwise

    void startAndReport() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (files_ == 0) close();
        for (;;) {
            reportEnded(lock);
            if (mayStartNext()) {
                startNext(lock);
                continue;
            }
            if (closed_ && reported_ == next_) return;
            changed_.wait_for(lock, kProgressInterval, [&] {
                return (reported_ < next_ && outcomes_[reported_]) || mayStartNext();
            });
            reportProgress(lock);
        }
    }

    bool stopRequested() const { return options_.Stop && options_.Stop->Requested(); }

    // Whether the next file may be asked about and started now: a worker is
    // free for it, the jobs before it in its group have ended, and, when it
    // waits for its turn, every file before it has been reported.
    bool mayStartNext() const {
        if (closed_ || running_ >= workers_) return false;
        const int previous = previousInGroup_[next_];
        if (previous >= 0 && !outcomes_[previous]) return false;
        return !waitsForTurn_ || reported_ == next_;
    }

    void startNext(std::unique_lock<std::mutex>& lock) {
        const int slot = next_;
        const int index = share_[slot];
        FileStart answer = FileStart::Start;
        if (reporter_.BeforeStart && !stopRequested()) {
            const bool earlierReported = reported_ == slot;
            lock.unlock();
            answer = reporter_.BeforeStart(index, jobs_[index], earlierReported);
            lock.lock();
            waitsForTurn_ = answer == FileStart::AfterEarlierFiles && !earlierReported;
            if (waitsForTurn_) return;
        }
        if (answer == FileStart::Stop || stopRequested()) {
            close();
            return;
        }
        ++next_;
        if (answer == FileStart::Skip) {
            FileOutcome skipped =
                NotWritten(FileProblem::SkippedByCaller, jobs_[index].Source, "skipped");
            lock.unlock();
            fileEnded(index, skipped);
            lock.lock();
            outcomes_[slot] = std::make_unique<FileOutcome>(std::move(skipped));
            shares_[slot] = 1.0;
        } else {
            StartedFile file;
            file.slot = slot;
            file.replace = answer == FileStart::Replace;
            file.keepPictures = options_.KeepLastPictures && slot == files_ - 1;
            queue_.push_back(file);
            ++running_;
            queued_.notify_one();
        }
        if (next_ == files_) close();
    }

    // No file will be started any more: the workers leave once idle.
    void close() {
        closed_ = true;
        queued_.notify_all();
    }

    // Reports, in their order, the files that have ended.
    void reportEnded(std::unique_lock<std::mutex>& lock) {
        while (reported_ < next_ && outcomes_[reported_]) {
            // An outcome is never replaced once stored.
            const FileOutcome& outcome = *outcomes_[reported_];
            const int index = share_[reported_];
            lock.unlock();
            if (!outcome.Written()) allWritten_ = false;
            if (reporter_.FileDone) reporter_.FileDone(index, jobs_[index], outcome);
            lock.lock();
            ++reported_;
        }
    }

    void reportProgress(std::unique_lock<std::mutex>& lock) {
        if (!reporter_.Progress || (closed_ && reported_ == next_)) return;
        RunProgress progress;
        double done = 0;
        for (double share : shares_) done += share;
        progress.Done = done / files_;
        for (int slot = reported_; slot < next_; ++slot)
            if (!outcomes_[slot]) progress.Running.push_back({share_[slot], shares_[slot]});
        lock.unlock();
        reporter_.Progress(progress);
        lock.lock();
    }

    // --- the workers' threads; mutex_ is not held

    void work() {
        // The jobs share one memory budget, each worker charging its own
        // account (job_gate.h). Cores no worker runs on (fewer than none
        // when more workers were asked for than there are cores) may be
        // borrowed by a job for its decoder; a worker that runs out of
        // files gives its own.
        MemoryAccount account;
        ChargeMemoryTo charge(account);
        for (;;) {
            StartedFile file;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                queued_.wait(lock, [&] { return !queue_.empty() || closed_; });
                if (queue_.empty()) break;
                file = queue_.front();
                queue_.pop_front();
            }
            FileOutcome outcome = runJob(file, account);
            fileEnded(share_[file.slot], outcome);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                outcomes_[file.slot] = std::make_unique<FileOutcome>(std::move(outcome));
                shares_[file.slot] = 1.0;
                --running_;
            }
            changed_.notify_all();
        }
        spare_.Give();
    }

    FileOutcome runJob(const StartedFile& file, MemoryAccount& account) {
        const int index = share_[file.slot];
        const auto started = std::chrono::steady_clock::now();
        JobSettings settings = settings_;
        settings.Overwrite = settings.Overwrite || file.replace;
        std::function<void(double)> progress;
        if (reporter_.Progress) {
            progress = [this, slot = file.slot](double done) {
                std::lock_guard<std::mutex> lock(mutex_);
                shares_[slot] = done;
            };
        }
        gate_.Enter();
        std::optional<FileOutcome> outcome;
        bool alone = false;
        while (!outcome) {
            account.SetWaitsForOthers(!alone);
            try {
                JobBuffers buffers;
                buffers.Spare = &spare_;
                buffers.KeepPictures = file.keepPictures;
                outcome = ScaleFile(settings, jobs_[index], buffers, progress);
                if (file.keepPictures && outcome->Written())
                    outcome->Pictures = std::make_shared<const JobPictures>(
                        JobPictures{buffers.Source, buffers.Result});
            } catch (const EMemoryBusy&) {
                alone = gate_.WaitForMemory(index);
            }
        }
        gate_.Leave(index);
        outcome->Milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - started)
                                    .count();
        return std::move(*outcome);
    }

    // --- any thread

    void fileEnded(int index, const FileOutcome& outcome) {
        std::lock_guard<std::mutex> lock(endedMutex_);
        if (reporter_.FileEnded) reporter_.FileEnded(jobs_[index], outcome);
    }

    const JobSettings& settings_;
    const std::vector<FileJob>& jobs_;
    const std::vector<int>& share_;
    const RunOptions& options_;
    const RunReporter& reporter_;
    const int files_;
    const std::vector<int> previousInGroup_;
    const int workers_;

    JobGate gate_;
    SpareCores spare_;
    std::mutex endedMutex_;  // one FileEnded call at a time

    std::mutex mutex_;                 // guards what follows
    std::condition_variable changed_;  // a file ended: the caller looks
    std::condition_variable queued_;   // a file to run, or none to come: the workers look
    std::deque<StartedFile> queue_;
    bool closed_ = false;                                 // no file will be started any more
    int running_ = 0;                                     // files queued or at work
    std::vector<std::unique_ptr<FileOutcome>> outcomes_;  // by place in the share
    std::vector<double> shares_;                          // the share done of each file

    // The caller's thread's own.
    int next_ = 0;               // the place of the next file to start
    int reported_ = 0;           // the files reported so far
    bool waitsForTurn_ = false;  // the next file waits until the earlier ones are reported
    bool allWritten_ = true;
};

}  // namespace

RunResult RunJobs(const JobSettings& settings, const std::vector<FileJob>& jobs,
                  const std::vector<int>& share, const RunOptions& options,
                  const RunReporter& reporter) {
    const std::vector<std::vector<int>> groups = GroupJobs(jobs, share);
    const int cores = UsableCores();
    int workers = options.Workers > 0 ? options.Workers : cores;
    workers = std::max(1, std::min(workers, static_cast<int>(groups.size())));
    Run run(settings, jobs, share, options, reporter, previousInGroups(groups, share, jobs.size()),
            workers, cores);
    return run.Go();
}
