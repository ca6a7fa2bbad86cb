#include "scale/jobs/scale_file.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "picture/errors.h"
#include "picture/jpeg/jpeg_header.h"
#include "picture/orientation.h"
#include "picture/picture_loader.h"
#include "picture/picture_saver.h"
#include "picture/system/file_io.h"
#include "picture/system/memory_budget.h"
#include "picture/system/system_errors.h"
#include "scale/batch_naming.h"
#include "scale/jobs/job_checks.h"
#include "scale/jobs/job_size.h"
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
    FileOutcome Refused(FileProblem problem, const std::string& why) const {
        return sized(NotWritten(problem, job_.Source, why));
    }
    FileOutcome OutputLeft() const {
        return sized(NotWritten(FileProblem::OutputExists, job_.Output, kOutputLeft));
    }
    FileOutcome Failed(const std::string& why) const {
        return sized(NotWritten(FileProblem::Failed, job_.Output, why));
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

// The EXIF orientation AutoOrient applies to the source; 1 (as stored)
// without it or when the file tells none. The job's one read of the header.
int orientationToApply(const JobSettings& asked, const std::string& source) {
    if (!asked.AutoOrient) return 1;
    const std::optional<JpegHeader> header = ReadJpegHeaderOfFile(source);
    return header ? header->Orientation : 1;
}

// Without Overwrite no file is ever replaced, not even one that appears at
// the output's name after the checks before loading.
SaveMode saveModeFor(const JobSettings& asked) {
    return asked.Overwrite ? SaveMode::Replace : SaveMode::NeverReplace;
}

// Whether TurnUpright changes a picture stored with this orientation.
bool turnsPicture(int orientation) {
    return orientation > 1 && orientation <= 8;
}

// The streamed path: a JPEG, PNG or BMP source decoded in bands (on a
// borrowed core when there is one) and scaled into the output as its rows
// come. Nothing when the streamed job leaves the file to the whole-picture
// path.
std::optional<FileOutcome> streamSource(const JobSettings& asked, const FileJob& job, JobBuffers& w,
                                        JobOutcomes& outcomes,
                                        const std::function<void(double)>& report) {
    const BorrowedCore core(w.Spare);
    BandSettings bands;
    bands.OwnThread = core.held();
    StreamedJobContext context{w.Tables, w.Result, bands, shareOfProgress(report, 0.0, 1.0),
                               saveModeFor(asked)};
    const auto request = [&](int width, int height) {
        outcomes.SourceSize(width, height);
        const JobSize size = SizeForPicture(asked, width, height);
        return SizedRequest{size.Selection, size.Settings};
    };
    ScalePlan plan;
    if (!StreamSourceJob(job.Source, job.Output, asked.TypeOf(job.Output), request, context, plan))
        return std::nullopt;
    report(1.0);
    return outcomes.Written(plan.FinishedWidth, plan.FinishedHeight);
}

// The size computation for the loaded picture and the checks before its
// run: the output's format must hold the result, and the memory must be
// there (for a streamed result, its work rows only). The refusal, or
// nothing when the run may go on with `plan`.
std::optional<FileOutcome> planScale(const JobSize& size, PictureFileType outputType, bool streams,
                                     const JobBuffers& w, const JobOutcomes& outcomes,
                                     ScalePlan& plan) {
    switch (SizeScale(size.Settings, size.Selection, plan)) {
        case ScaleRefusal::ZeroValue:
        case ScaleRefusal::TargetTooSmall:
            return outcomes.Refused(FileProblem::BadSize, kBadSize);
        case ScaleRefusal::NothingToScale:
            return outcomes.Refused(
                FileProblem::NothingToScale,
                "nothing to scale: the picture or the selection is one pixel wide or high");
        case ScaleRefusal::None:
            break;
    }
    CheckFileTypeCanHold(outputType, plan.FinishedWidth, plan.FinishedHeight,
                         w.Result.ColorsUsed());
    if (streams)
        RequireMemory(ScaleWorkBytes(plan, size.Selection), "The scale run's work rows");
    else
        CheckScaleMemory(plan, size.Selection);
    return std::nullopt;
}

}  // namespace

FileOutcome ScaleFile(const JobSettings& asked, const FileJob& job, JobBuffers& w,
                      const std::function<void(double)>& progress) {
    const auto report = [&](double share) {
        if (progress) progress(share);
    };
    JobOutcomes outcomes(job);
    try {
        // Checks before loading.
        if (std::optional<FileOutcome> stopped = CheckBeforeLoading(asked, job)) return *stopped;
        makeFolderOf(job.Output);
        const int orientation = orientationToApply(asked, job.Source);
        const PictureFileType outputType = asked.TypeOf(job.Output);
        const bool streams =
            !w.KeepPictures && CanStreamResult(outputType, asked.Settings.Rotation);

        // The streamed path, for a source whose rows come in the order they
        // are scaled.
        if (streams && !turnsPicture(orientation)) {
            if (std::optional<FileOutcome> done = streamSource(asked, job, w, outcomes, report))
                return *done;
        }

        // Load, then size.
        std::string whyUnreadable;
        if (!LoadPictureFile(job.Source, w.Source, &whyUnreadable))
            return outcomes.Refused(FileProblem::Unreadable,
                                    WithDetail(kUnreadable, whyUnreadable));
        TurnUpright(w.Source, orientation);
        outcomes.SourceSize(w.Source.Width(), w.Source.Height());
        report(0.2);
        const JobSize size = SizeForPicture(asked, w.Source.Width(), w.Source.Height());
        ScalePlan plan;
        if (std::optional<FileOutcome> refused =
                planScale(size, outputType, streams, w, outcomes, plan))
            return *refused;

        // The whole picture, its result written row by row where the
        // output's writer takes rows, else held whole and saved.
        if (streams) {
            StreamedJobContext context{
                w.Tables, w.Result, {}, shareOfProgress(report, 0.2, 1.0), saveModeFor(asked)};
            StreamLoadedJob(w.Source, size.Selection, size.Settings, plan, job.Output, outputType,
                            context);
        } else {
            RunScale(w.Source, size.Selection, size.Settings, plan, w.Result, w.Tables,
                     shareOfProgress(report, 0.2, 0.8));
            report(0.8);
            SavePictureToFile(w.Result, job.Output, outputType, saveModeFor(asked));
        }
        report(1.0);
        return outcomes.Written(plan.FinishedWidth, plan.FinishedHeight);
    }
    // What a failure becomes: memory that cannot be had refuses the picture
    // as too large; anything else failed the file. Busy memory is the run's
    // to wait for.
    catch (const EMemoryBusy&) {
        throw;
    } catch (const EFileExists&) {
        // Another program, or another run, made the output meanwhile.
        return outcomes.OutputLeft();
    } catch (const EOutOfMemory& e) {
        return outcomes.Refused(FileProblem::TooLarge, WithDetail(kTooLarge, e.what()));
    } catch (const std::bad_alloc&) {
        return outcomes.Refused(FileProblem::TooLarge, kTooLarge);
    } catch (const std::exception& e) {
        return outcomes.Failed(e.what());
    }
}
