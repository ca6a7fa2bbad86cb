#pragma once

// What the harnesses share: the limits they read with, and a check that
// stops the fuzzer where a property fails (a crash is what it reports).

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "picture/reader_limits.h"

// Pictures up to 16 MB at 24 bits: large enough for every reader's paths,
// small enough that thousands of inputs a second stay within memory.
inline ReaderLimits FuzzLimits() {
    ReaderLimits limits;
    limits.maxPictureBytes = std::size_t{16} << 20;
    return limits;
}

// Round trips and conversions only for pictures up to this many pixels: a
// damaged header easily declares millions of pixels that are never drawn,
// and writing them all again would slow the search a hundredfold.
constexpr long kMaxRoundTripPixels = 1L << 18;

inline bool TooLargeToRoundTrip(int width, int height) {
    return static_cast<long>(width) * height > kMaxRoundTripPixels;
}

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: %s does not hold\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)
