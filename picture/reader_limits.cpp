#include "picture/reader_limits.h"

#include <string>

#include "picture/errors.h"
#include "picture/size_limits.h"
#include "picture/system/memory_budget.h"

namespace {

// The bytes a reading needs: the 24-bit picture and the reader's own one
// when `holdsPicture`, and its working memory; refused when they cannot be
// counted or pass the limit.
std::size_t neededBytes(std::int64_t width, std::int64_t height, const ReaderLimits& limits,
                        int depth, unsigned extraBytesPerPixel, bool holdsPicture) {
    const std::string picture = DescribePicture(width, height);
    const std::size_t block = checkedPictureBytes(width, height, 24);
    const std::size_t own = depth == 24 ? 0 : checkedPictureBytes(width, height, depth);
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const bool counted = mulSizesValid(pixels, extraBytesPerPixel) && own <= SIZE_MAX - block &&
                         pixels * extraBytesPerPixel <= SIZE_MAX - block - own;
    if (!counted) throw EOutOfMemory(picture + " is too large for this machine");
    const std::size_t limit = limits.maxPictureBytes;
    if (limit != 0 && (block > limit || pixels * extraBytesPerPixel > limit))
        throw EOutOfMemory(picture + " is larger than this reader takes");
    return (holdsPicture ? block + own : 0) + pixels * extraBytesPerPixel;
}

}  // namespace

void checkDeclaredPictureSize(std::int64_t width, std::int64_t height, const ReaderLimits& limits,
                              int depth, unsigned extraBytesPerPixel) {
    RequireMemory(neededBytes(width, height, limits, depth, extraBytesPerPixel, true),
                  DescribePicture(width, height));
}

void checkDeclaredRowReading(std::int64_t width, std::int64_t height, const ReaderLimits& limits,
                             unsigned extraBytesPerPixel) {
    const std::size_t need = neededBytes(width, height, limits, 24, extraBytesPerPixel, false);
    if (need > 0) RequireMemory(need, DescribePicture(width, height));
}
