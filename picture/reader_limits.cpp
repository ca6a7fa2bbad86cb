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
                        int depth, std::size_t workBytes, bool holdsPicture) {
    const std::string picture = DescribePicture(width, height);
    const std::size_t block = checkedPictureBytes(width, height, 24);
    const std::size_t own = depth == 24 ? 0 : checkedPictureBytes(width, height, depth);
    const bool counted = own <= SIZE_MAX - block && workBytes <= SIZE_MAX - block - own;
    if (!counted) throw EOutOfMemory(picture + " is too large for this machine");
    const std::size_t limit = limits.maxPictureBytes;
    if (limit != 0 && (block > limit || workBytes > limit))
        throw EOutOfMemory(picture + " is larger than this reader takes");
    return (holdsPicture ? block + own : 0) + workBytes;
}

}  // namespace

void checkDeclaredPictureSize(std::int64_t width, std::int64_t height, const ReaderLimits& limits,
                              int depth, std::size_t workBytes) {
    RequireMemory(neededBytes(width, height, limits, depth, workBytes, true),
                  DescribePicture(width, height));
}

void checkDeclaredRowReading(std::int64_t width, std::int64_t height, const ReaderLimits& limits,
                             std::size_t workBytes) {
    const std::size_t need = neededBytes(width, height, limits, 24, workBytes, false);
    if (need > 0) RequireMemory(need, DescribePicture(width, height));
}
