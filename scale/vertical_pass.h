#pragma once

// The vertical pass, one output row at a time: each byte of the output row
// is the kernel's sum over the same byte of the work rows its taps name. Row
// by row, the sums run along memory rather than down columns.

#include <cstddef>
#include <cstdint>

#include "scale/resample_kernel.h"

// Output row `output` of the pass: tapRows[i] is the work row of the
// output's i-th tap, `bytes` the length of a row, `out` the destination.
void VerticalRow(const ResampleKernel& kernel, int output, const std::uint8_t* const* tapRows,
                 std::size_t bytes, std::uint8_t* out);
