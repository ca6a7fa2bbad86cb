#pragma once

// Size checks done before sizes are multiplied or memory is taken. A file
// declaring a picture the machine cannot hold is refused here, before a
// single pixel is allocated.

#include <cstddef>
#include <cstdint>

// True when a * b does not overflow std::size_t.
inline bool mulSizesValid(std::size_t a, std::size_t b) {
    return a == 0 || b <= SIZE_MAX / a;
}

// Bytes of one row of `width` pixels at `bitCount` bits, padded to a multiple
// of 4 bytes as device-independent bitmaps store rows; 0 when the width is
// not positive or the row would not fit.
std::size_t dibStride(std::int64_t width, int bitCount);

// The largest pixel block one picture may take: a share of the machine's
// physical memory, leaving room for the copies a scale run makes.
std::size_t maxPictureBytes();

// Throws EOutOfMemory with a message naming the size when a picture of
// width x height at bitCount bits per pixel (rows padded as above) cannot be
// held; returns its block size otherwise. Width and height must be positive.
std::size_t checkedPictureBytes(std::int64_t width, std::int64_t height, int bitCount);
