#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "picture/errors.h"
#include "picture/size_limits.h"
#include "picture/system/memory_budget.h"
#include "scale/horizontal_pass.h"
#include "scale/scale_run.h"

// The size computation of a scale run. Quotients and products are taken in
// long double and stored to double where the factor is stored; the target
// sizes are rounded to the nearest integer with ties to even.

namespace {

bool isQuarterTurn(int rotation) {
    return rotation == kRotateRight || rotation == kRotateLeft;
}

// round(extent * factor / 100), from the stored double factor.
long double targetExtent(std::int64_t extent, double factor) {
    return std::nearbyint(static_cast<long double>(extent) * static_cast<long double>(factor) /
                          100.0L);
}

}  // namespace

ScaleRefusal SizeScale(const ScaleSettings& settings, const SelectionRect& selection,
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
        throw EOutOfMemory(DescribePicture(static_cast<std::int64_t>(std::fmin(width, 9.0e18L)),
                                           static_cast<std::int64_t>(std::fmin(height, 9.0e18L))) +
                           " is too large for this machine");
    }
    checkedPictureBytes(static_cast<std::int64_t>(width), static_cast<std::int64_t>(height), 24);

    plan.HorzFactor = horz;
    plan.VertFactor = vert;
    plan.TargetWidth = static_cast<std::int32_t>(width);
    plan.TargetHeight = static_cast<std::int32_t>(height);
    const bool quarter = isQuarterTurn(settings.Rotation);
    plan.FinishedWidth = quarter ? plan.TargetHeight : plan.TargetWidth;
    plan.FinishedHeight = quarter ? plan.TargetWidth : plan.TargetHeight;
    return ScaleRefusal::None;
}

std::size_t ScaleWorkBytes(const ScalePlan& plan, const SelectionRect& selection) {
    auto extent = [](std::int32_t first, std::int32_t last) {
        const std::int64_t count = std::int64_t{last} - first + 1;
        return static_cast<std::uint64_t>(std::max<std::int64_t>(count, 1));
    };
    const std::uint64_t selWidth = extent(selection.Left, selection.Right);
    const std::uint64_t selHeight = extent(selection.Top, selection.Bottom);
    const std::uint64_t width = static_cast<std::uint64_t>(std::max(plan.TargetWidth, 1));
    const std::uint64_t height = static_cast<std::uint64_t>(std::max(plan.TargetHeight, 1));
    // One output row reaches at most selection height / target height + 2
    // work rows; the ring holds those and a block of 16 more. Rows waiting
    // to be turned into place and the horizontal pass's block columns come
    // on top.
    const std::uint64_t span = std::min(selHeight, selHeight / height + 2);
    const std::uint64_t rowBytes = 3 * width;
    const std::uint64_t bytes = (span + kBlockRows) * rowBytes + kBlockRows * rowBytes +
                                kBlockRows * 3 * (selWidth + width);
    return static_cast<std::size_t>(std::min<std::uint64_t>(bytes, SIZE_MAX));
}

void CheckScaleMemory(const ScalePlan& plan, const SelectionRect& selection) {
    const std::size_t result = checkedPictureBytes(plan.FinishedWidth, plan.FinishedHeight, 24);
    const std::size_t work = ScaleWorkBytes(plan, selection);
    const std::size_t need = result <= SIZE_MAX - work ? result + work : SIZE_MAX;
    RequireMemory(need, DescribePicture(plan.FinishedWidth, plan.FinishedHeight, "Scaled picture"));
}

ScaleRefusal PlanScale(const ScaleSettings& settings, const SelectionRect& selection,
                       ScalePlan& plan) {
    ScalePlan sized;
    const ScaleRefusal refusal = SizeScale(settings, selection, sized);
    if (refusal != ScaleRefusal::None) return refusal;
    // The result and the work rows must both be had; refused before
    // anything is allocated.
    CheckScaleMemory(sized, selection);
    plan = sized;
    return ScaleRefusal::None;
}
