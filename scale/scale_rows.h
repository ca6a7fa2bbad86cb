#pragma once

// The passes of a scale run between a source that hands over the
// selection's rows and a target that takes the output rows, in the order the
// output is made: top row first, before any rotation. RunScale feeds it from
// a pixel buffer and turns the rows into its result; a streamed job feeds it
// rows as a decoder makes them and hands the output rows to a file writer.
// Either way every output byte is the one the per-pass order gives.

#include <cstddef>
#include <cstdint>

#include "scale/scale_run.h"

// The selection's rows, top to bottom.
class SelectedRowSource {
public:
    virtual ~SelectedRowSource() = default;
    // The next `count` (1..16) rows: rows[i] points at the selection's first
    // pixel (blue, green, red). They stay valid until the next call.
    virtual void NextRows(int count, const std::uint8_t** rows) = 0;
};

// The selection's rows where a picture (24 bits) holds them.
class PictureSelectionRows : public SelectedRowSource {
public:
    PictureSelectionRows(const TDIB& picture, const SelectionRect& selection)
        : picture_(picture),
          next_(selection.Top),
          left_(3 * static_cast<std::size_t>(selection.Left)) {}

    void NextRows(int count, const std::uint8_t** rows) override {
        for (int r = 0; r < count; ++r) rows[r] = picture_.ScanLine(next_ + r) + left_;
        next_ += count;
    }

private:
    const TDIB& picture_;
    int next_;
    std::size_t left_;
};

// Where the output rows go.
class OutputRowTarget {
public:
    virtual ~OutputRowTarget() = default;
    // Called once the tables are built, before the first row.
    virtual void Begin() {}
    // Where output row k is to be made: 3 * target width bytes.
    virtual std::uint8_t* RowFor(int k) = 0;
    // Row k is made (tone included).
    virtual void RowDone(int k) = 0;
};

// Runs both passes over a selection of selWidth x selHeight into the plan's
// TargetWidth x TargetHeight output rows, with the tone of `settings`. The
// tables and progress events are those RunScale gives; the request must have
// been checked (scale_run.h).
void ScaleRows(SelectedRowSource& source, int selWidth, int selHeight,
               const ScaleSettings& settings, const ScalePlan& plan, ResampleTables& tables,
               OutputRowTarget& target, const ScaleProgress& progress);

// The checks RunScale makes of a request before anything is touched, for a
// picture of pictureWidth x pictureHeight: EScaleError when the selection is
// not inside it, the plan does not fit or a setting is out of its range.
void CheckScaleRequest(int pictureWidth, int pictureHeight, const SelectionRect& selection,
                       const ScaleSettings& settings, const ScalePlan& plan);
