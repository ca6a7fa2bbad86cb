#pragma once

// A scale run whose finished rows go to a writer as they are made, so that
// no result buffer is held. That works where the passes make the finished
// picture's rows whole and in an order a writer can take: an unrotated run
// makes them top first, a half turn bottom first (each row mirrored). A
// quarter turn makes columns of the finished picture; it keeps RunScale.

#include <cstdint>

#include "scale/scale_rows.h"
#include "scale/scale_run.h"

enum class FinishedRowOrder { TopFirst, BottomFirst, Columns };

FinishedRowOrder FinishedRowOrderFor(int rotation);

// Takes the finished picture's rows in the run's order.
class FinishedRowSink {
public:
    virtual ~FinishedRowSink() = default;
    // The next finished row: 3 * FinishedWidth bytes, blue, green, red;
    // valid during the call.
    virtual void PutRow(const std::uint8_t* row) = 0;
};

// RunScale with the selection's rows from `source` (of a picture
// pictureWidth x pictureHeight) and the finished rows to `sink`, in
// FinishedRowOrderFor(settings.Rotation): the rows of the picture RunScale
// makes, byte for byte, with the same tables and progress events. The same
// checks come first (EScaleError); a quarter turn is refused the same way.
void RunScaleToRows(SelectedRowSource& source, int pictureWidth, int pictureHeight,
                    const SelectionRect& selection, const ScaleSettings& settings,
                    const ScalePlan& plan, ResampleTables& tables, FinishedRowSink& sink,
                    const ScaleProgress& progress = {});
