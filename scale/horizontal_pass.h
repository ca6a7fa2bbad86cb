#pragma once

// The horizontal pass over a block of rows. The SIMD loop turns the block on
// its side first (16 rows become the 16 lanes of each vector), so that every
// output sample of every row is the same sum of whole vectors, then turns
// the result back into rows.

#include <cstdint>
#include <vector>

#include "scale/resample_kernel.h"

// Rows handled together.
constexpr int kBlockRows = 16;

struct HorizontalScratch {
    std::vector<std::uint8_t> Columns;     // the block's input, 16 bytes per byte column
    std::vector<std::uint8_t> OutColumns;  // its output, likewise
};

// Resamples `rows` (1..16) rows of 24-bit pixels: in[r] points at the first
// input pixel of row r (3 * kernel.n bytes), out[r] receives 3 * kernel.m
// bytes.
void HorizontalBlock(const ResampleKernel& kernel, const std::uint8_t* const* in,
                     std::uint8_t* const* out, int rows, HorizontalScratch& scratch);
