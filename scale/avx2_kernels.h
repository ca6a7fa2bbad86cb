#pragma once

// The AVX2 loops of the two passes. They are compiled for AVX2 alone (a
// function attribute, not a build flag) and called only where the processor
// has it; they take plain pointers so that no library code is built for
// AVX2 and shared with the rest of the program.

#include <cstddef>
#include <cstdint>

#include "scale/resample_kernel.h"

// The horizontal pass over a block of 16 rows (rows past `rows` may repeat
// row 0): in[r] at the first input pixel, out[r] receiving 3 * m bytes.
// `columns` holds 16 * 3 * n bytes, `outColumns` 16 * 3 * m bytes.
void HorizontalBlockAvx2(const KernelView& k, const std::uint8_t* const* in,
                         std::uint8_t* const* out, int rows, std::uint8_t* columns,
                         std::uint8_t* outColumns);

// One row of a halving pass (ResampleKernel::halving): out receives
// `outPixels` pixels, each the truncated average of two neighbours of `in`.
void HalveRowAvx2(const std::uint8_t* in, std::uint8_t* out, int outPixels);

// The truncated average of two rows, byte by byte: one output row of a
// halving vertical pass.
void AverageRowsAvx2(const std::uint8_t* a, const std::uint8_t* b, std::size_t bytes,
                     std::uint8_t* out);

// One output row of the vertical pass (see VerticalRow), for bytes
// [0, bytes - bytes % 32); the caller finishes the rest.
void VerticalRowAvx2(const KernelView& k, const std::uint16_t* weights, int taps,
                     const std::uint8_t* const* rows, std::size_t bytes, std::uint8_t* out);
