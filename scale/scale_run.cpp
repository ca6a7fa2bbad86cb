#include "scale/scale_run.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "scale/result_store.h"
#include "scale/scale_rows.h"

// The run streams through ScaleRows: the source rows are read where the
// picture holds them, and each output row is written straight to its
// finished place, turned as the rotation says.

namespace {

// Output rows on their way to the finished picture. Unrotated rows are
// written in place; a half turn reverses each row into its mirrored place;
// a quarter turn makes each row a column, so rows are gathered in blocks of
// 16 and written out as strips of 16 pixels across the finished rows.
// The result is prepared only once the tables are built, as the command
// sizes its buffers after computing the sizes.
class RowPlacer : public OutputRowTarget {
public:
    RowPlacer(int rotation, const ScalePlan& plan, TDIB& result, std::vector<std::uint8_t>& buffer)
        : rotation_(rotation),
          width_(plan.TargetWidth),
          height_(plan.TargetHeight),
          plan_(plan),
          result_(result),
          scratch_(buffer) {}

    void Begin() override {
        PrepareResultStore(result_, width_, height_, plan_.FinishedWidth, plan_.FinishedHeight);
        resultRows_.resize(static_cast<std::size_t>(result_.Height()));
        for (int y = 0; y < result_.Height(); ++y) resultRows_[y] = result_.ScanLineForWrite(y);
        rowBytes_ = 3 * static_cast<std::size_t>(width_);
        if (rotation_ != kRotate0) scratch_.resize(kStrip * rowBytes_);
        buffer_ = scratch_.data();
    }

    std::uint8_t* RowFor(int k) override {
        if (rotation_ == kRotate0) return resultRows_[k];
        if (rotation_ == kRotate180) return buffer_;
        return buffer_ + static_cast<std::size_t>(k - first_) * rowBytes_;
    }

    void RowDone(int k) override {
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
                for (int j = 0; j < c; ++j)
                    std::memcpy(dst + 3 * j, buffer_ + j * rowBytes_ + 3 * x, 3);
            }
        }
        first_ += c;
        pending_ = 0;
    }

    int rotation_, width_, height_;
    const ScalePlan& plan_;
    TDIB& result_;
    std::vector<std::uint8_t>& scratch_;
    std::vector<std::uint8_t*> resultRows_;
    std::size_t rowBytes_ = 0;
    std::uint8_t* buffer_ = nullptr;
    int first_ = 0;    // first output row of the strip being gathered
    int pending_ = 0;  // rows gathered
};

}  // namespace

void RunScale(const TDIB& source, const SelectionRect& selection, const ScaleSettings& settings,
              const ScalePlan& plan, TDIB& result, ResampleTables& tables,
              const ScaleProgress& progress) {
    CheckScaleRequest(source.Width(), source.Height(), selection, settings, plan);
    // A handle of our own: `result` may be the very object `source` is.
    TDIB src(source);
    src.SetPixelFormat(PixelFormat24Bit);
    PictureSelectionRows rows(src, selection);
    RowPlacer placer(settings.Rotation, plan, result, tables.Scratch.Rows);
    ScaleRows(rows, selection.Width(), selection.Height(), settings, plan, tables, placer,
              progress);
}
