#include "scale/scale_rows.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "picture/system/memory_budget.h"
#include "scale/horizontal_pass.h"
#include "scale/resample_tables.h"
#include "scale/scale_errors.h"
#include "scale/tone_row.h"
#include "scale/vertical_pass.h"

// Work rows (the horizontal pass's output) are made in blocks of 16 as the
// vertical pass first needs them and kept in a small ring until no later
// output row reads them; each output row is made as soon as its work rows
// are there. Every output byte is the one the per-pass order gives; only the
// order of the work changes.

namespace {

void buildPass(int n, int m, bool vertical, ResampleTables& tables, ResampleKernel& kernel) {
    const bool area = UsesAreaAveraging(n, m);
    if (area)
        BuildAreaTables(n, m, vertical, tables);
    else
        BuildLinearTables(n, m, tables);
    BuildKernel(n, m, area, tables.IndexTable, tables.FracTable, kernel);
}

// Gives out the progress events of the two passes in their order, spread
// over the output rows of the run.
class ProgressSchedule {
public:
    ProgressSchedule(const ScaleProgress& progress, int selHeight, int targetWidth, int rows)
        : progress_(progress),
          first_(selHeight),
          second_(targetWidth),
          targetWidth_(targetWidth),
          rows_(rows) {}

    void rowDone(int row) {
        const std::int64_t total = static_cast<std::int64_t>(first_) + second_;
        const std::int64_t due = (static_cast<std::int64_t>(row) + 1) * total / rows_;
        for (; emitted_ < due; ++emitted_) {
            if (emitted_ == 0 && progress_.PassStarted) progress_.PassStarted(2 * (first_ - 1));
            if (emitted_ == first_ && progress_.PassStarted)
                progress_.PassStarted(2 * (targetWidth_ - 1));
            const std::int64_t position =
                emitted_ < first_ ? emitted_ : targetWidth_ - 1 + (emitted_ - first_);
            if (progress_.Position) progress_.Position(static_cast<int>(position));
        }
    }

private:
    const ScaleProgress& progress_;
    std::int64_t first_, second_, targetWidth_;
    int rows_;
    std::int64_t emitted_ = 0;
};

bool isQuarterTurn(int rotation) {
    return rotation == kRotateRight || rotation == kRotateLeft;
}

}  // namespace

void CheckScaleRequest(int pictureWidth, int pictureHeight, const SelectionRect& sel,
                       const ScaleSettings& settings, const ScalePlan& plan) {
    if (sel.Left < 0 || sel.Top < 0 || sel.Right >= pictureWidth || sel.Bottom >= pictureHeight ||
        sel.Right - sel.Left < 1 || sel.Bottom - sel.Top < 1)
        throw EScaleError("RunScale: the selection is not inside the picture");
    if (settings.Rotation < kRotate0 || settings.Rotation > kRotateLeft)
        throw EScaleError("RunScale: unknown rotation");
    if (settings.ContrastStep < 0 || settings.ContrastStep > 20 || settings.BrightnessStep < -10 ||
        settings.BrightnessStep > 10)
        throw EScaleError("RunScale: tone step out of range");
    const bool quarter = isQuarterTurn(settings.Rotation);
    if (plan.TargetWidth < 1 || plan.TargetHeight < 1 ||
        plan.FinishedWidth != (quarter ? plan.TargetHeight : plan.TargetWidth) ||
        plan.FinishedHeight != (quarter ? plan.TargetWidth : plan.TargetHeight))
        throw EScaleError("RunScale: the plan does not fit the request");
}

void ScaleRows(SelectedRowSource& source, int selWidth, int selHeight,
               const ScaleSettings& settings, const ScalePlan& plan, ResampleTables& tables,
               OutputRowTarget& target, const ScaleProgress& progress) {
    const int targetWidth = plan.TargetWidth;
    const int targetHeight = plan.TargetHeight;
    ScaleScratch& scratch = tables.Scratch;
    SizeTablesForRun(targetWidth, targetHeight, tables);
    buildPass(selWidth, targetWidth, false, tables, scratch.Horizontal);
    buildPass(selHeight, targetHeight, true, tables, scratch.Vertical);
    const ResampleKernel& horizontal = scratch.Horizontal;
    const ResampleKernel& vertical = scratch.Vertical;

    // The work rows are held against the budget before the target makes its
    // result, as the check before the run counted them.
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(targetWidth);
    const int ringRows = vertical.maxSpan + kBlockRows;
    const std::size_t ringBytes = static_cast<std::size_t>(ringRows) * rowBytes;
    const std::size_t lineBytes = 3 * (static_cast<std::size_t>(selWidth) + targetWidth);
    const std::size_t workBytes = ringBytes + kBlockRows * rowBytes + kBlockRows * lineBytes;
    if (scratch.Memory.bytes() < workBytes)
        scratch.Memory = ReserveMemory(workBytes, "The scale run's work rows");
    scratch.Ring.resize(ringBytes);
    scratch.Memory.markTaken();
    target.Begin();

    auto ringRow = [&](int workRow) {
        return scratch.Ring.data() + (workRow % ringRows) * rowBytes;
    };

    const bool tone = settings.ContrastStep != 0 || settings.BrightnessStep != 0;
    if (tone) scratch.Tone.Prepare(settings.ContrastStep, settings.BrightnessStep);
    ProgressSchedule schedule(progress, selHeight, targetWidth, targetHeight);
    std::vector<const std::uint8_t*> taps(static_cast<std::size_t>(vertical.maxTaps) + 1);
    const std::uint8_t* in[kBlockRows];
    std::uint8_t* out[kBlockRows];
    int produced = 0;
    for (int k = 0; k < targetHeight; ++k) {
        const int begin = vertical.Offset[k];
        const int count = vertical.Count[k];
        const int lastNeeded = count ? vertical.Positions[begin + count - 1] : vertical.First[k];
        while (produced <= lastNeeded) {
            const int rows = std::min(kBlockRows, selHeight - produced);
            source.NextRows(rows, in);
            for (int r = 0; r < rows; ++r) out[r] = ringRow(produced + r);
            HorizontalBlock(horizontal, in, out, rows, scratch.Block);
            produced += rows;
        }
        for (int t = 0; t < count; ++t) taps[t] = ringRow(vertical.Positions[begin + t]);
        std::uint8_t* dst = target.RowFor(k);
        if (count == 0)
            std::memset(dst, 0, rowBytes);
        else
            VerticalRow(vertical, k, taps.data(), rowBytes, dst);
        if (tone) scratch.Tone.Apply(dst, targetWidth);
        target.RowDone(k);
        schedule.rowDone(k);
    }
}
