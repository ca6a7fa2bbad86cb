#pragma once

// One scale run without its window: the size computation, the horizontal
// pass from the selection into a work buffer, the vertical pass with the
// tone into the result, and the rotation. The window wraps this with its own
// steps (view switching, progress window, title); the command-line tool and
// the batch run use the same function, so every output is built by it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "picture/dib.h"
#include "scale/scale_scratch.h"
#include "scale/scale_settings.h"

// Why a request is refused before anything changes.
enum class ScaleRefusal {
    None,
    ZeroValue,       // a size value of 0: "拡縮率が正しく設定されていません。"
    NothingToScale,  // a selection or picture one pixel wide or high: no message
    TargetTooSmall,  // a target width or height that rounds below 1 (or a
                     // negative value): "拡縮率が正しく設定されていません。"
};

// The result of the size computation.
struct ScalePlan {
    double HorzFactor = 100;  // percent, as stored
    double VertFactor = 100;
    std::int32_t TargetWidth = 0;  // size before rotation
    std::int32_t TargetHeight = 0;
    std::int32_t FinishedWidth = 0;  // size after rotation
    std::int32_t FinishedHeight = 0;
};

// Checks a request in the command's order and, when it is accepted, computes
// the factors and the target size. `plan` is written only when the request is
// accepted. A result and work rows the memory budget cannot give now throw
// EOutOfMemory (memory_budget.h), naming the result, before anything is
// allocated; so does a size no pixel buffer could count.
ScaleRefusal PlanScale(const ScaleSettings& settings, const SelectionRect& selection,
                       ScalePlan& plan);

// PlanScale in its two steps, for a caller with refusals of its own to make
// in between (an output format that cannot hold the result): the size
// computation, which does not ask for memory, and the memory check.
ScaleRefusal SizeScale(const ScaleSettings& settings, const SelectionRect& selection,
                       ScalePlan& plan);
void CheckScaleMemory(const ScalePlan& plan, const SelectionRect& selection);

// The most a run of `plan` over `selection` takes besides its result: the
// ring of work rows, the rows waiting to be turned and the horizontal pass's
// block. Never less than the run's own reservation (RunScale).
std::size_t ScaleWorkBytes(const ScalePlan& plan, const SelectionRect& selection);

// The position tables shared by both passes; owned by the caller (the main
// window keeps them between runs). Every run resizes them to
// ResampleTableLength + 1 entries, ResampleTableLength being the larger of
// the target width and height.
struct ResampleTables {
    std::vector<std::int32_t> IndexTable = std::vector<std::int32_t>(10, 0);
    std::vector<std::int32_t> FracTable = std::vector<std::int32_t>(10, 0);
    std::int32_t ResampleTableLength = 0;
    // Work buffers kept for the next run; after a run the tables above hold
    // the vertical pass's positions, as the per-pass order leaves them.
    ScaleScratch Scratch;
};

// Progress of a run: each pass first reports its maximum (2 * (selection
// height - 1) for the horizontal pass, 2 * (target width - 1) for the
// vertical one), then the position after each line (0 .. selection height - 1
// for the horizontal pass, target width - 1 .. 2 * (target width - 1) for the
// vertical one). The engine interleaves the two passes, so the same events
// come spread evenly over the whole run: the bar fills its first half during
// the first half of the work and its second half during the second.
struct ScaleProgress {
    std::function<void(int maximum)> PassStarted;
    std::function<void(int position)> Position;
};

// Scales the selection of `source` (24 bits) into `result` as the plan says,
// applying the tone and the rotation of `settings`. `result` keeps the pixel
// buffer's own rules: it ends 24-bit, FinishedWidth x FinishedHeight. The
// request must have been accepted by PlanScale; a selection outside the
// source, a plan that does not fit it or a tone step out of its range throws
// EScaleError before `result` is touched. The result and the work rows are
// reserved against the memory budget before they are taken (EOutOfMemory).
// A failure once the result is being built (memory that cannot be had, an
// exception from a progress callback)
// leaves it sized and partly written, as a window's scaled picture is after
// an interrupted run. `result` may be the source itself.
void RunScale(const TDIB& source, const SelectionRect& selection, const ScaleSettings& settings,
              const ScalePlan& plan, TDIB& result, ResampleTables& tables,
              const ScaleProgress& progress = {});
