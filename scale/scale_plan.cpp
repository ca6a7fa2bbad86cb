#include <cmath>
#include <cstdint>
#include <limits>

#include "picture/errors.h"
#include "picture/size_limits.h"
#include "scale/scale_run.h"

// The size computation of a scale run. Quotients and products are taken in
// long double and stored to double where the factor is stored; the target
// sizes are rounded to the nearest integer with ties to even.

namespace {

bool isQuarterTurn(int rotation) { return rotation == kRotateRight || rotation == kRotateLeft; }

// round(extent * factor / 100), from the stored double factor.
long double targetExtent(std::int64_t extent, double factor) {
    return std::nearbyint(static_cast<long double>(extent) * static_cast<long double>(factor) /
                          100.0L);
}

}  // namespace

ScaleRefusal PlanScale(const ScaleSettings& settings, const SelectionRect& selection,
                       ScalePlan& plan) {
    if (settings.HorzValue == 0 || settings.VertValue == 0) return ScaleRefusal::ZeroValue;
    const std::int64_t selWidth = static_cast<std::int64_t>(selection.Right) - selection.Left + 1;
    const std::int64_t selHeight = static_cast<std::int64_t>(selection.Bottom) - selection.Top + 1;
    if (selWidth <= 1 || selHeight <= 1) return ScaleRefusal::NothingToScale;
    // A negative value can only give a negative size; the pixel buffer would
    // take a negative height for top-down rows, so it is refused here.
    if (settings.HorzValue < 0 || settings.VertValue < 0) return ScaleRefusal::TargetTooSmall;

    double horz = 0;
    double vert = 0;
    if (settings.Unit == ScaleUnit::Percent) {
        horz = settings.HorzValue;
        vert = settings.VertValue;
    } else {
        // The fields describe the finished picture; after a quarter turn its
        // width comes from the selection's height.
        const bool quarter = isQuarterTurn(settings.Rotation);
        const long double frameForWidth = quarter ? settings.VertValue : settings.HorzValue;
        const long double frameForHeight = quarter ? settings.HorzValue : settings.VertValue;
        horz = static_cast<double>(frameForWidth / static_cast<long double>(selWidth) * 100.0L);
        vert = static_cast<double>(frameForHeight / static_cast<long double>(selHeight) * 100.0L);
        if (settings.AspectLock) {
            if (horz >= vert)
                horz = vert;
            else
                vert = horz;
        }
    }

    const long double width = targetExtent(selWidth, horz);
    const long double height = targetExtent(selHeight, vert);
    if (width < 1 || height < 1) return ScaleRefusal::TargetTooSmall;
    constexpr long double kMaxExtent = std::numeric_limits<std::int32_t>::max();
    if (width > kMaxExtent || height > kMaxExtent) {
        throw EOutOfMemory("Picture of " + std::to_string(static_cast<long long>(
                                               std::fmin(width, 9.0e18L))) +
                           " x " +
                           std::to_string(static_cast<long long>(std::fmin(height, 9.0e18L))) +
                           " pixels is too large for this machine");
    }
    // The result and the work buffer (target width x selection height) must
    // both be held; refuse before anything is allocated.
    checkedPictureBytes(static_cast<std::int64_t>(width), static_cast<std::int64_t>(height), 24);
    checkedPictureBytes(static_cast<std::int64_t>(width), selHeight, 24);

    plan.HorzFactor = horz;
    plan.VertFactor = vert;
    plan.TargetWidth = static_cast<std::int32_t>(width);
    plan.TargetHeight = static_cast<std::int32_t>(height);
    const bool quarter = isQuarterTurn(settings.Rotation);
    plan.FinishedWidth = quarter ? plan.TargetHeight : plan.TargetWidth;
    plan.FinishedHeight = quarter ? plan.TargetWidth : plan.TargetHeight;
    return ScaleRefusal::None;
}
