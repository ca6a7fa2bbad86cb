#include "picture/size_limits.h"

#include <unistd.h>

#include <string>

#include "picture/errors.h"

std::size_t dibStride(std::int64_t width, int bitCount) {
    if (width <= 0 || bitCount <= 0 || width > (INT64_MAX - 31) / bitCount) return 0;
    const std::int64_t bytes = (width * bitCount + 31) / 32 * 4;
    if (static_cast<std::uint64_t>(bytes) > SIZE_MAX) return 0;
    return static_cast<std::size_t>(bytes);
}

std::size_t maxPictureBytes() {
    static const std::size_t limit = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        std::size_t physical = (pages > 0 && pageSize > 0)
                                   ? static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize)
                                   : std::size_t{4} << 30;
        // A scale run holds the source, a work buffer and the result at once.
        return physical / 4;
    }();
    return limit;
}

std::size_t checkedPictureBytes(std::int64_t width, std::int64_t height, int bitCount) {
    const std::size_t stride = dibStride(width, bitCount);
    const bool fits = stride != 0 && height > 0 &&
                      mulSizesValid(stride, static_cast<std::size_t>(height)) &&
                      stride * static_cast<std::size_t>(height) <= maxPictureBytes();
    if (!fits) {
        throw EOutOfMemory("Picture of " + std::to_string(width) + " x " + std::to_string(height) +
                           " pixels is too large for this machine");
    }
    return stride * static_cast<std::size_t>(height);
}
