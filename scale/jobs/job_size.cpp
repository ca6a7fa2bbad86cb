#include "scale/jobs/job_size.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "picture/errors.h"
#include "scale/scale_run.h"
#include "scale/selection.h"

namespace {

constexpr std::int32_t kUnbounded = std::numeric_limits<std::int32_t>::max();

bool isQuarterTurn(int rotation) {
    return rotation == kRotateRight || rotation == kRotateLeft;
}

// Whether the engine would make a side of the selection longer. A size too
// large to compute is taken as growing: a picture that has been loaded is
// never too large at 100 percent or below.
bool wouldEnlarge(const ScaleSettings& settings, const SelectionRect& selection) {
    ScalePlan plan;
    try {
        if (SizeScale(settings, selection, plan) != ScaleRefusal::None) return false;
    } catch (const EOutOfMemory&) {
        return true;
    }
    return plan.HorzFactor > 100 || plan.VertFactor > 100;
}

}  // namespace

JobSize SizeForPicture(const JobSettings& asked, int width, int height) {
    JobSize size;
    size.Selection = asked.Selection ? OrderAndClampSelection(*asked.Selection, width, height)
                                     : WholePicture(width, height);
    ScaleSettings& s = size.Settings;
    s = asked.Settings;
    // The selection's sides as the finished picture has them.
    const bool quarter = isQuarterTurn(s.Rotation);
    const std::int32_t finishedWidth = quarter ? size.Selection.Height() : size.Selection.Width();
    const std::int32_t finishedHeight = quarter ? size.Selection.Width() : size.Selection.Height();

    if (asked.Edge != EdgeRule::None) {
        s.Unit = ScaleUnit::Pixel;
        s.AspectLock = true;
        if (asked.Edge == EdgeRule::Long) {
            s.HorzValue = s.VertValue = asked.EdgeLength;
        } else {
            const bool widthIsShorter = finishedWidth <= finishedHeight;
            s.HorzValue = widthIsShorter ? asked.EdgeLength : kUnbounded;
            s.VertValue = widthIsShorter ? kUnbounded : asked.EdgeLength;
        }
    }

    if (asked.NoEnlarge && wouldEnlarge(s, size.Selection)) {
        if (s.Unit == ScaleUnit::Percent) {
            s.HorzValue = std::min(s.HorzValue, 100);
            s.VertValue = std::min(s.VertValue, 100);
        } else if (s.AspectLock) {
            s.Unit = ScaleUnit::Percent;
            s.HorzValue = s.VertValue = 100;
        } else {
            s.HorzValue = std::min(s.HorzValue, finishedWidth);
            s.VertValue = std::min(s.VertValue, finishedHeight);
        }
    }
    return size;
}
