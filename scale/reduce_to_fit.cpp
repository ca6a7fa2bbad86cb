#include "scale/reduce_to_fit.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "picture/picture_loader.h"
#include "scale/band_pipeline.h"
#include "scale/result_store.h"
#include "scale/scale_run.h"
#include "scale/streamed_run.h"
#include "scale/streamed_source.h"

FittedSize FitWithin(int width, int height, int maxWidth, int maxHeight) {
    if (width <= maxWidth && height <= maxHeight) return {width, height};
    const long double factor = std::min(static_cast<long double>(maxWidth) / width,
                                        static_cast<long double>(maxHeight) / height);
    const auto side = [factor](int extent, int limit) {
        const long double fitted = std::nearbyint(extent * factor);
        return static_cast<int>(std::clamp<long double>(fitted, 1, limit));
    };
    return {side(width, maxWidth), side(height, maxHeight)};
}

namespace {

// A picture one pixel wide or high has nothing for the engine to average
// across; every n-th pixel along it will do for a preview.
TDIB pickPixels(const TDIB& picture, FittedSize size, const std::function<void()>& checkpoint) {
    TDIB result;
    result.SetWidth(size.Width);
    result.SetHeight(size.Height);
    result.SetPixelFormat(PixelFormat24Bit);
    for (int y = 0; y < size.Height; ++y) {
        if (checkpoint && y % 64 == 0) checkpoint();
        const int fromY =
            static_cast<int>(static_cast<long long>(y) * picture.Height() / size.Height);
        const std::uint8_t* in = picture.ScanLine(fromY);
        std::uint8_t* out = result.ScanLineForWrite(y);
        for (int x = 0; x < size.Width; ++x) {
            const int fromX =
                static_cast<int>(static_cast<long long>(x) * picture.Width() / size.Width);
            std::copy_n(in + 3 * static_cast<std::size_t>(fromX), 3,
                        out + 3 * static_cast<std::size_t>(x));
        }
    }
    return result;
}

}  // namespace

namespace {

// A pixel frame without the aspect lock gives exactly the fitted size.
ScaleSettings fittingSettings(FittedSize size) {
    ScaleSettings settings;
    settings.Unit = ScaleUnit::Pixel;
    settings.AspectLock = false;
    settings.HorzValue = size.Width;
    settings.VertValue = size.Height;
    return settings;
}

// The run's progress as checkpoints, one every 64 steps.
ScaleProgress checkpointsOf(const std::function<void()>& checkpoint) {
    ScaleProgress progress;
    if (checkpoint) {
        int calls = 0;
        progress.Position = [&checkpoint, calls](int) mutable {
            if (++calls % 64 == 0) checkpoint();
        };
    }
    return progress;
}

// The finished rows, top first, into the rows of a result buffer.
class ResultRows : public FinishedRowSink {
public:
    explicit ResultRows(TDIB& result) : result_(result) {}
    void PutRow(const std::uint8_t* row) override {
        std::copy_n(row, 3 * static_cast<std::size_t>(result_.Width()),
                    result_.ScanLineForWrite(next_++));
    }

private:
    TDIB& result_;
    int next_ = 0;
};

// The reduction of a file read in bands; nothing when it cannot be read so
// (then the whole path decides). The checkpoint's exceptions pass through.
std::optional<ReducedFile> reduceInBands(const std::string& fileName, int maxWidth, int maxHeight,
                                         const std::function<void()>& checkpoint) {
    bool abandoned = false;
    const std::function<void()> watched = [&] {
        abandoned = true;
        if (checkpoint) checkpoint();
        abandoned = false;
    };
    try {
        const std::unique_ptr<StreamedSource> source = OpenStreamedSource(fileName);
        if (!source) return std::nullopt;
        const int width = source->Width(), height = source->Height();
        const FittedSize size = FitWithin(width, height, maxWidth, maxHeight);
        // A picture that fits, or one pixel across, is no larger than the
        // box or a column: the whole path takes it.
        if ((size.Width == width && size.Height == height) || width == 1 || height == 1)
            return std::nullopt;
        const ScaleSettings settings = fittingSettings(size);
        const SelectionRect whole = WholePicture(width, height);
        ScalePlan plan;
        if (PlanScale(settings, whole, plan) != ScaleRefusal::None) return std::nullopt;
        ReducedFile reduced{TDIB(), width, height};
        PrepareResultStore(reduced.Picture, plan.TargetWidth, plan.TargetHeight, plan.FinishedWidth,
                           plan.FinishedHeight);
        BandedRows rows(*source, width, height, whole, BandSettings());
        ResultRows sink(reduced.Picture);
        ResampleTables tables;
        RunScaleToRows(rows, width, height, whole, settings, plan, tables, sink,
                       checkpointsOf(watched));
        rows.Finish();
        watched();
        return reduced;
    } catch (...) {
        if (abandoned) throw;
        return std::nullopt;
    }
}

}  // namespace

TDIB ReduceToFit(const TDIB& picture, int maxWidth, int maxHeight,
                 const std::function<void()>& checkpoint) {
    const FittedSize size = FitWithin(picture.Width(), picture.Height(), maxWidth, maxHeight);
    if (size.Width == picture.Width() && size.Height == picture.Height()) return picture;
    if (checkpoint) checkpoint();
    if (picture.Width() == 1 || picture.Height() == 1) return pickPixels(picture, size, checkpoint);

    const ScaleSettings settings = fittingSettings(size);
    const SelectionRect whole = WholePicture(picture.Width(), picture.Height());
    ScalePlan plan;
    if (PlanScale(settings, whole, plan) != ScaleRefusal::None)
        return pickPixels(picture, size, checkpoint);

    ResampleTables tables;
    TDIB result;
    RunScale(picture, whole, settings, plan, result, tables, checkpointsOf(checkpoint));
    if (checkpoint) checkpoint();
    return result;
}

std::optional<ReducedFile> ReduceFileToFit(const std::string& fileName, int maxWidth, int maxHeight,
                                           const std::function<void()>& checkpoint) {
    if (auto reduced = reduceInBands(fileName, maxWidth, maxHeight, checkpoint)) return reduced;
    TDIB full;
    if (!LoadPictureFile(fileName, full)) return std::nullopt;
    ReducedFile reduced{TDIB(), full.Width(), full.Height()};
    if (checkpoint) checkpoint();
    reduced.Picture = ReduceToFit(full, maxWidth, maxHeight, checkpoint);
    return reduced;
}
