#include "scale/vertical_pass.h"

#include <cstring>

#include "scale/avx2_kernels.h"
#include "scale/resample_simd.h"
#include "scale/simd_level.h"

namespace {

void scalarBytes(const ResampleKernel& k, const std::uint16_t* w, int taps,
                 const std::uint8_t* const* rows, std::size_t from, std::size_t to,
                 std::uint8_t* out) {
    for (std::size_t b = from; b < to; ++b) {
        std::int64_t sum = 0;
        for (int t = 0; t < taps; ++t) sum += (static_cast<std::int64_t>(rows[t][b]) * w[t]) >> 8;
        out[b] = static_cast<std::uint8_t>(FinishSum(k, sum));
    }
}

void vectorRow(const ResampleKernel& k, const std::uint16_t* w, int taps,
               const std::uint8_t* const* rows, std::size_t bytes, std::uint8_t* out) {
    std::size_t b = 0;
    for (; b + 32 <= bytes; b += 32) {
        simd::u16x16 s0 = {}, s1 = {};
        for (int t = 0; t < taps; ++t) {
            simd::u16x16 v0, v1;
            simd::Load(rows[t] + b, v0);
            simd::Load(rows[t] + b + 16, v1);
            simd::AddTerm(s0, v0, w[t]);
            simd::AddTerm(s1, v1, w[t]);
        }
        if (k.area) {
            simd::Divide(s0, k.shift, k.reciprocal);
            simd::Divide(s1, k.shift, k.reciprocal);
        }
        simd::Store(out + b, s0);
        simd::Store(out + b + 16, s1);
    }
    scalarBytes(k, w, taps, rows, b, bytes, out);
}

}  // namespace

void VerticalRow(const ResampleKernel& kernel, int output, const std::uint8_t* const* tapRows,
                 std::size_t bytes, std::uint8_t* out) {
    const std::uint16_t* w = kernel.Weights.data() + kernel.Offset[output];
    const int taps = kernel.Count[output];
    if (kernel.identity) {
        std::memcpy(out, tapRows[0], bytes);
    } else if (kernel.halving && ActiveSimdLevel() == SimdLevel::Avx2) {
        AverageRowsAvx2(tapRows[0], tapRows[1], bytes, out);
    } else if (kernel.vectorizable && ActiveSimdLevel() == SimdLevel::Avx2) {
        VerticalRowAvx2(ViewOf(kernel), w, taps, tapRows, bytes, out);
        const std::size_t done = bytes - bytes % 32;
        scalarBytes(kernel, w, taps, tapRows, done, bytes, out);
    } else if (kernel.vectorizable) {
        vectorRow(kernel, w, taps, tapRows, bytes, out);
    } else {
        scalarBytes(kernel, w, taps, tapRows, 0, bytes, out);
    }
}
