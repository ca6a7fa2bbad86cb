#include "picture/size_limits.h"

#include "picture/errors.h"

std::size_t dibStride(std::int64_t width, int bitCount) {
    if (width <= 0 || bitCount <= 0 || width > (INT64_MAX - 31) / bitCount) return 0;
    const std::int64_t bytes = (width * bitCount + 31) / 32 * 4;
    if (static_cast<std::uint64_t>(bytes) > SIZE_MAX) return 0;
    return static_cast<std::size_t>(bytes);
}

std::string DescribePicture(std::int64_t width, std::int64_t height, const char* noun) {
    return std::string(noun) + " of " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels";
}

std::size_t checkedPictureBytes(std::int64_t width, std::int64_t height, int bitCount) {
    const std::size_t stride = dibStride(width, bitCount);
    const bool fits =
        stride != 0 && height > 0 && mulSizesValid(stride, static_cast<std::size_t>(height)) &&
        stride * static_cast<std::size_t>(height) <= static_cast<std::size_t>(INT64_MAX);
    if (!fits)
        throw EOutOfMemory(DescribePicture(width, height) + " is too large for this machine");
    return stride * static_cast<std::size_t>(height);
}
