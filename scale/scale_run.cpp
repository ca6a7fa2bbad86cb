#include "scale/scale_run.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "scale/horizontal_pass.h"
#include "scale/resample_tables.h"
#include "scale/result_store.h"
#include "scale/scale_errors.h"
#include "scale/tone_row.h"
#include "scale/vertical_pass.h"

// The run streams: work rows (the horizontal pass's output) are made in
// blocks of 16 as the vertical pass first needs them and kept in a small ring
// until no later output row reads them. Each output row is written straight
// to its finished place, turned as the rotation says. Every output byte is
// the one the per-pass order gives; only the order of the work changes.

namespace {

bool isQuarterTurn(int rotation) { return rotation == kRotateRight || rotation == kRotateLeft; }

void checkRequest(const TDIB& source, const SelectionRect& sel, const ScaleSettings& settings,
                  const ScalePlan& plan) {
    if (sel.Left < 0 || sel.Top < 0 || sel.Right >= source.Width() ||
        sel.Bottom >= source.Height() || sel.Right - sel.Left < 1 || sel.Bottom - sel.Top < 1)
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

// Output rows on their way to the finished picture. Unrotated rows are
// written in place; a half turn reverses each row into its mirrored place;
// a quarter turn makes each row a column, so rows are gathered in blocks of
// 16 and written out as strips of 16 pixels across the finished rows.
class RowPlacer {
public:
    RowPlacer(int rotation, int width, int height, std::uint8_t* const* resultRows,
              std::vector<std::uint8_t>& buffer)
        : rotation_(rotation), width_(width), height_(height), resultRows_(resultRows) {
        rowBytes_ = 3 * static_cast<std::size_t>(width);
        if (rotation != kRotate0) buffer.resize(kStrip * rowBytes_);
        buffer_ = buffer.data();
    }

    // Where output row k is to be made.
    std::uint8_t* rowFor(int k) {
        if (rotation_ == kRotate0) return resultRows_[k];
        if (rotation_ == kRotate180) return buffer_;
        return buffer_ + static_cast<std::size_t>(k - first_) * rowBytes_;
    }

    void rowDone(int k) {
        if (rotation_ == kRotate180) {
            std::uint8_t* dst = resultRows_[height_ - 1 - k];
            for (int x = 0; x < width_; ++x)
                std::memcpy(dst + 3 * static_cast<std::size_t>(width_ - 1 - x), buffer_ + 3 * x, 3);
        } else if (rotation_ != kRotate0) {
            ++pending_;
            if (pending_ == kStrip || k == height_ - 1) flushStrip();
        }
    }

private:
    static constexpr int kStrip = 16;

    // Rows first_ .. first_ + pending_ - 1 become columns.
    void flushStrip() {
        const int c = pending_;
        if (rotation_ == kRotateRight) {
            // S(x, k) goes to T(height - 1 - k, x).
            const std::size_t column = 3 * static_cast<std::size_t>(height_ - first_ - c);
            for (int x = 0; x < width_; ++x) {
                std::uint8_t* dst = resultRows_[x] + column;
                for (int j = 0; j < c; ++j)
                    std::memcpy(dst + 3 * j, buffer_ + (c - 1 - j) * rowBytes_ + 3 * x, 3);
            }
        } else {
            // S(x, k) goes to T(k, width - 1 - x).
            const std::size_t column = 3 * static_cast<std::size_t>(first_);
            for (int x = 0; x < width_; ++x) {
                std::uint8_t* dst = resultRows_[width_ - 1 - x] + column;
                for (int j = 0; j < c; ++j) std::memcpy(dst + 3 * j, buffer_ + j * rowBytes_ + 3 * x, 3);
            }
        }
        first_ += c;
        pending_ = 0;
    }

    int rotation_, width_, height_;
    std::uint8_t* const* resultRows_;
    std::size_t rowBytes_ = 0;
    std::uint8_t* buffer_ = nullptr;
    int first_ = 0;    // first output row of the strip being gathered
    int pending_ = 0;  // rows gathered
};

}  // namespace

void RunScale(const TDIB& source, const SelectionRect& selection, const ScaleSettings& settings,
              const ScalePlan& plan, TDIB& result, ResampleTables& tables,
              const ScaleProgress& progress) {
    checkRequest(source, selection, settings, plan);
    // A handle of our own: `result` may be the very object `source` is.
    TDIB src(source);
    src.SetPixelFormat(PixelFormat24Bit);
    const int selWidth = selection.Width();
    const int selHeight = selection.Height();
    const int targetWidth = plan.TargetWidth;
    const int targetHeight = plan.TargetHeight;

    ScaleScratch& scratch = tables.Scratch;
    SizeTablesForRun(targetWidth, targetHeight, tables);
    buildPass(selWidth, targetWidth, false, tables, scratch.Horizontal);
    buildPass(selHeight, targetHeight, true, tables, scratch.Vertical);
    const ResampleKernel& horizontal = scratch.Horizontal;
    const ResampleKernel& vertical = scratch.Vertical;

    // The work rows are held against the budget before the result is made,
    // as the check before the run counted them.
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(targetWidth);
    const int ringRows = vertical.maxSpan + kBlockRows;
    const std::size_t ringBytes = static_cast<std::size_t>(ringRows) * rowBytes;
    const std::size_t lineBytes = 3 * (static_cast<std::size_t>(selWidth) + targetWidth);
    const std::size_t blockBytes = kBlockRows * lineBytes;
    const std::size_t workBytes = ringBytes + kBlockRows * rowBytes + blockBytes;
    if (scratch.Memory.bytes() < workBytes)
        scratch.Memory = ReserveMemory(workBytes, "The scale run's work rows");
    scratch.Ring.resize(ringBytes);
    scratch.Memory.markTaken();

    PrepareResultStore(result, targetWidth, targetHeight, plan.FinishedWidth, plan.FinishedHeight);
    std::vector<std::uint8_t*> resultRows(static_cast<std::size_t>(result.Height()));
    for (int y = 0; y < result.Height(); ++y) resultRows[y] = result.ScanLineForWrite(y);

    auto ringRow = [&](int workRow) { return scratch.Ring.data() + (workRow % ringRows) * rowBytes; };

    const bool tone = settings.ContrastStep != 0 || settings.BrightnessStep != 0;
    if (tone) scratch.Tone.Prepare(settings.ContrastStep, settings.BrightnessStep);
    RowPlacer placer(settings.Rotation, targetWidth, targetHeight, resultRows.data(), scratch.Rows);
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
            for (int r = 0; r < rows; ++r) {
                in[r] = src.ScanLine(selection.Top + produced + r) + 3 * static_cast<std::size_t>(selection.Left);
                out[r] = ringRow(produced + r);
            }
            HorizontalBlock(horizontal, in, out, rows, scratch.Block);
            produced += rows;
        }
        for (int t = 0; t < count; ++t) taps[t] = ringRow(vertical.Positions[begin + t]);
        std::uint8_t* dst = placer.rowFor(k);
        if (count == 0)
            std::memset(dst, 0, rowBytes);
        else
            VerticalRow(vertical, k, taps.data(), rowBytes, dst);
        if (tone) scratch.Tone.Apply(dst, targetWidth);
        placer.rowDone(k);
        schedule.rowDone(k);
    }
}
