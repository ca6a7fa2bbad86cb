#pragma once

// How much memory a picture reader may take for one picture. Every loaded
// picture ends up as a 24-bit buffer, made while the reader's own picture
// is still held, so a reader checks that whole need for what the header
// declares before it takes a byte for the pixels: a small damaged file
// announcing 60000 x 60000 pixels is refused at once when the memory
// budget (memory_budget.h) cannot give that much now. Callers that must
// stay small (the fuzz harnesses) pass a lower limit as well.

#include <cstddef>
#include <cstdint>

struct ReaderLimits {
    // Largest 24-bit pixel block a picture may need; 0 means no limit but
    // the memory budget's.
    std::size_t maxPictureBytes = 0;
};

// Throws EOutOfMemory naming the picture and the memory when a picture of
// width x height, read at `depth` bits per pixel and then widened to 24,
// cannot be held: its 24-bit block or the reader's working memory is above
// the limit, or the budget cannot give the reader's picture, the 24-bit one
// and `workBytes` of the reader's own working memory (a progressive JPEG
// keeps all its coefficients) now. Also when width or height is not
// positive.
void checkDeclaredPictureSize(std::int64_t width, std::int64_t height, const ReaderLimits& limits,
                              int depth = 24, std::size_t workBytes = 0);

// The same for a reader that hands its rows on as it makes them and holds no
// picture: the limit and the counting are checked alike, and only the
// reader's own working memory is asked of the budget.
void checkDeclaredRowReading(std::int64_t width, std::int64_t height, const ReaderLimits& limits,
                             std::size_t workBytes = 0);
