#pragma once

// Size checks done before sizes are multiplied or memory is taken. A size
// whose bytes cannot even be counted is refused here; whether the machine
// can give the bytes is the memory budget's question (memory_budget.h).

#include <cstddef>
#include <cstdint>
#include <string>

// True when a * b does not overflow std::size_t.
inline bool mulSizesValid(std::size_t a, std::size_t b) {
    return a == 0 || b <= SIZE_MAX / a;
}

// Bytes of one row of `width` pixels at `bitCount` bits, padded to a multiple
// of 4 bytes as device-independent bitmaps store rows; 0 when the width is
// not positive or the row would not fit.
std::size_t dibStride(std::int64_t width, int bitCount);

// "Picture of 100 x 200 pixels": the picture a refusal names, `noun` first.
std::string DescribePicture(std::int64_t width, std::int64_t height, const char* noun = "Picture");

// Throws EOutOfMemory with a message naming the size when the block of a
// picture of width x height at bitCount bits per pixel (rows padded as
// above) cannot be counted in a size_t; returns its size otherwise. Width
// and height must be positive.
std::size_t checkedPictureBytes(std::int64_t width, std::int64_t height, int bitCount);
