#pragma once

// How much memory a picture reader may take for one picture. Every loaded
// picture ends up as a 24-bit buffer, so a reader checks what the header
// declares at 24 bits per pixel, before it takes a byte for the pixels: a
// small damaged file announcing 60000 x 60000 pixels is refused at once.
// Callers that must stay small (the fuzz harnesses) pass a lower limit.

#include <cstddef>
#include <cstdint>

struct ReaderLimits {
    // Largest 24-bit pixel block a picture may need; 0 means the machine's
    // own limit (maxPictureBytes in size_limits.h).
    std::size_t maxPictureBytes = 0;

    std::size_t effectiveMaxBytes() const;
};

// Throws EOutOfMemory naming the size when a picture of width x height would
// need more than the limit as a 24-bit buffer, or when width or height is
// not positive. `extraBytesPerPixel` adds a reader's own working memory per
// pixel (a progressive JPEG keeps all its coefficients).
void checkDeclaredPictureSize(std::int64_t width, std::int64_t height, const ReaderLimits& limits,
                              unsigned extraBytesPerPixel = 0);
