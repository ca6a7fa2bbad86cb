#include "picture/reader_limits.h"

#include <string>

#include "picture/errors.h"
#include "picture/size_limits.h"

std::size_t ReaderLimits::effectiveMaxBytes() const {
    const std::size_t machine = ::maxPictureBytes();
    return maxPictureBytes == 0 || maxPictureBytes > machine ? machine : maxPictureBytes;
}

void checkDeclaredPictureSize(std::int64_t width, std::int64_t height, const ReaderLimits& limits,
                              unsigned extraBytesPerPixel) {
    const std::size_t stride = dibStride(width, 24);
    bool fits = stride != 0 && height > 0 && mulSizesValid(stride, static_cast<std::size_t>(height));
    if (fits) {
        const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        const std::size_t block = stride * static_cast<std::size_t>(height);
        const std::size_t limit = limits.effectiveMaxBytes();
        fits = block <= limit &&
               (extraBytesPerPixel == 0 ||
                (mulSizesValid(pixels, extraBytesPerPixel) && pixels * extraBytesPerPixel <= limit));
    }
    if (!fits) {
        throw EOutOfMemory("Picture of " + std::to_string(width) + " x " + std::to_string(height) +
                           " pixels is too large for this machine");
    }
}
