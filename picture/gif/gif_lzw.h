#pragma once

// The LZW code stream inside a GIF image: variable-width codes packed least
// significant bit first, a clear code of 2^minCodeSize, the end code after
// it, codes of at most 12 bits. The sub-block framing is the caller's.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "picture/system/budgeted_bytes.h"

// Decodes `size` bytes of code stream (the image's sub-blocks joined) into
// pixels, handing them over one row of `rowWidth` pixels at a time:
// row(rowIndex, pixels, count), count being rowWidth except for a last row
// the data does not complete. Stops after `rowCount` rows, at the end code,
// or where the data ends; pixels never reached are not handed over (a short
// stream is common and tolerated). A code that names no table entry
// or a pixel value above 255 fails with EGIFError "Invalid GIF code"; a
// minimum code size outside 1..11 with "Invalid GIF code size". Returns the number of rows handed
// over.
int DecodeGifLzw(const std::uint8_t* data, std::size_t size, int minCodeSize, int rowWidth,
                 int rowCount, const std::function<void(int, const std::uint8_t*, int)>& row);

// Encodes `rowCount` rows of `rowWidth` 8-bit pixels (rows[i] is row i) with
// minimum code size 8: a clear code first, a clear code again whenever the
// next free code would be 4095, the end code last. Returns the code stream
// without sub-block framing.
std::vector<std::uint8_t> EncodeGifLzw(const std::uint8_t* const* rows, int rowWidth, int rowCount);
// The same, appended to `codes`; the coder's tables and the code stream are
// held against the memory budget, and its refusal is thrown when they
// cannot be had.
void EncodeGifLzw(const std::uint8_t* const* rows, int rowWidth, int rowCount,
                  BudgetedBytes& codes);
// What the code stream is called in a refusal.
constexpr const char* kGifCodeStream = "The GIF code stream";
