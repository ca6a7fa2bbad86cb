#include "scale/streamed_run.h"

#include <cstring>
#include <vector>

#include "scale/scale_errors.h"

namespace {

// Output rows straight to the sink; a half turn mirrors each row first.
class SinkTarget : public OutputRowTarget {
public:
    SinkTarget(FinishedRowSink& sink, int width, bool mirrored, std::vector<std::uint8_t>& scratch)
        : sink_(sink), width_(width), mirrored_(mirrored), scratch_(scratch) {
        scratch_.resize((mirrored ? 6 : 3) * static_cast<std::size_t>(width));
    }

    std::uint8_t* RowFor(int) override { return scratch_.data(); }

    void RowDone(int) override {
        if (!mirrored_) {
            sink_.PutRow(scratch_.data());
            return;
        }
        const std::uint8_t* made = scratch_.data();
        std::uint8_t* turned = scratch_.data() + 3 * static_cast<std::size_t>(width_);
        for (int x = 0; x < width_; ++x)
            std::memcpy(turned + 3 * static_cast<std::size_t>(width_ - 1 - x),
                        made + 3 * static_cast<std::size_t>(x), 3);
        sink_.PutRow(turned);
    }

private:
    FinishedRowSink& sink_;
    int width_;
    bool mirrored_;
    std::vector<std::uint8_t>& scratch_;
};

}  // namespace

FinishedRowOrder FinishedRowOrderFor(int rotation) {
    if (rotation == kRotate0) return FinishedRowOrder::TopFirst;
    if (rotation == kRotate180) return FinishedRowOrder::BottomFirst;
    return FinishedRowOrder::Columns;
}

void RunScaleToRows(SelectedRowSource& source, int pictureWidth, int pictureHeight,
                    const SelectionRect& selection, const ScaleSettings& settings,
                    const ScalePlan& plan, ResampleTables& tables, FinishedRowSink& sink,
                    const ScaleProgress& progress) {
    CheckScaleRequest(pictureWidth, pictureHeight, selection, settings, plan);
    const FinishedRowOrder order = FinishedRowOrderFor(settings.Rotation);
    if (order == FinishedRowOrder::Columns)
        throw EScaleError("RunScaleToRows: a quarter turn makes no finished rows");
    SinkTarget target(sink, plan.TargetWidth, order == FinishedRowOrder::BottomFirst,
                      tables.Scratch.Rows);
    ScaleRows(source, selection.Width(), selection.Height(), settings, plan, tables, target,
              progress);
}
