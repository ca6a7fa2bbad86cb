#include "scale/reduce_to_fit.h"

#include <algorithm>
#include <cmath>

#include "scale/scale_run.h"

FittedSize FitWithin(int width, int height, int maxWidth, int maxHeight) {
    if (width <= maxWidth && height <= maxHeight) return {width, height};
    const long double factor = std::min(static_cast<long double>(maxWidth) / width,
                                        static_cast<long double>(maxHeight) / height);
    const auto side = [factor](int extent, int limit) {
        const long double fitted = std::nearbyint(extent * factor);
        return static_cast<int>(std::clamp<long double>(fitted, 1, limit));
    };
    return {side(width, maxWidth), side(height, maxHeight)};
}

namespace {

// A picture one pixel wide or high has nothing for the engine to average
// across; every n-th pixel along it will do for a preview.
TDIB pickPixels(const TDIB& picture, FittedSize size, const std::function<void()>& checkpoint) {
    TDIB result;
    result.SetWidth(size.Width);
    result.SetHeight(size.Height);
    result.SetPixelFormat(PixelFormat24Bit);
    for (int y = 0; y < size.Height; ++y) {
        if (checkpoint && y % 64 == 0) checkpoint();
        const int fromY =
            static_cast<int>(static_cast<long long>(y) * picture.Height() / size.Height);
        const std::uint8_t* in = picture.ScanLine(fromY);
        std::uint8_t* out = result.ScanLineForWrite(y);
        for (int x = 0; x < size.Width; ++x) {
            const int fromX =
                static_cast<int>(static_cast<long long>(x) * picture.Width() / size.Width);
            std::copy_n(in + 3 * static_cast<std::size_t>(fromX), 3,
                        out + 3 * static_cast<std::size_t>(x));
        }
    }
    return result;
}

}  // namespace

TDIB ReduceToFit(const TDIB& picture, int maxWidth, int maxHeight,
                 const std::function<void()>& checkpoint) {
    const FittedSize size = FitWithin(picture.Width(), picture.Height(), maxWidth, maxHeight);
    if (size.Width == picture.Width() && size.Height == picture.Height()) return picture;
    if (checkpoint) checkpoint();
    if (picture.Width() == 1 || picture.Height() == 1) return pickPixels(picture, size, checkpoint);

    // A pixel frame without the aspect lock gives exactly the fitted size.
    ScaleSettings settings;
    settings.Unit = ScaleUnit::Pixel;
    settings.AspectLock = false;
    settings.HorzValue = size.Width;
    settings.VertValue = size.Height;
    const SelectionRect whole = WholePicture(picture.Width(), picture.Height());
    ScalePlan plan;
    if (PlanScale(settings, whole, plan) != ScaleRefusal::None)
        return pickPixels(picture, size, checkpoint);

    ScaleProgress progress;
    if (checkpoint) {
        int calls = 0;
        progress.Position = [&checkpoint, calls](int) mutable {
            if (++calls % 64 == 0) checkpoint();
        };
    }
    ResampleTables tables;
    TDIB result;
    RunScale(picture, whole, settings, plan, result, tables, progress);
    if (checkpoint) checkpoint();
    return result;
}
