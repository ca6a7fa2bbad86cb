#include "scale/horizontal_pass.h"

#include <emmintrin.h>

#include <cstring>

#include "scale/avx2_kernels.h"
#include "scale/resample_simd.h"
#include "scale/simd_level.h"

namespace {

// Transposes a 16 x 16 block of bytes: in[r] is row r, out[c] becomes column
// c (byte r of out[c] is byte c of in[r]). Four rounds of interleaving.
SKALOMI_INLINE void Transpose16(const __m128i* in, __m128i* out) {
    __m128i a[16], b[16];
    for (int i = 0; i < 8; ++i) {
        a[i] = _mm_unpacklo_epi8(in[2 * i], in[2 * i + 1]);      // rows 2i, 2i+1; bytes 0..7
        a[i + 8] = _mm_unpackhi_epi8(in[2 * i], in[2 * i + 1]);  // bytes 8..15
    }
    // b[4h + g], h = quarter of the bytes, g = group of four rows.
    for (int g = 0; g < 4; ++g) {
        for (int half = 0; half < 2; ++half) {
            const __m128i p = a[half * 8 + 2 * g];
            const __m128i q = a[half * 8 + 2 * g + 1];
            b[(2 * half) * 4 + g] = _mm_unpacklo_epi16(p, q);
            b[(2 * half + 1) * 4 + g] = _mm_unpackhi_epi16(p, q);
        }
    }
    // a[2e + G]: e = pair of bytes, G = group of eight rows.
    for (int quarter = 0; quarter < 4; ++quarter) {
        for (int G = 0; G < 2; ++G) {
            const __m128i p = b[quarter * 4 + 2 * G];
            const __m128i q = b[quarter * 4 + 2 * G + 1];
            a[(2 * quarter) * 2 + G] = _mm_unpacklo_epi32(p, q);
            a[(2 * quarter + 1) * 2 + G] = _mm_unpackhi_epi32(p, q);
        }
    }
    for (int e = 0; e < 8; ++e) {
        out[2 * e] = _mm_unpacklo_epi64(a[2 * e], a[2 * e + 1]);
        out[2 * e + 1] = _mm_unpackhi_epi64(a[2 * e], a[2 * e + 1]);
    }
}

void scalarRow(const ResampleKernel& k, const std::uint8_t* in, std::uint8_t* out) {
    for (int o = 0; o < k.m; ++o) {
        const std::int32_t begin = k.Offset[o];
        const std::int32_t end = begin + k.Count[o];
        for (int c = 0; c < 3; ++c) {
            std::int64_t sum = 0;
            for (std::int32_t t = begin; t < end; ++t)
                sum += (static_cast<std::int64_t>(in[3 * k.Positions[t] + c]) * k.Weights[t]) >> 8;
            out[3 * o + c] = static_cast<std::uint8_t>(FinishSum(k, sum));
        }
    }
}

// Rows to columns: columns + 16 * b holds byte b of each row.
SKALOMI_INLINE void turnIn(const std::uint8_t* const* rowsIn, int rows, std::size_t bytes,
                           std::uint8_t* columns) {
    // Rows past `rows` repeat row 0; their lanes are computed and dropped.
    const std::uint8_t* in[16];
    for (int i = 0; i < 16; ++i) in[i] = i < rows ? rowsIn[i] : rowsIn[0];
    std::size_t b0 = 0;
    for (; b0 + 16 <= bytes; b0 += 16) {
        __m128i r[16], c[16];
        for (int i = 0; i < 16; ++i)
            r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[i] + b0));
        Transpose16(r, c);
        for (int i = 0; i < 16; ++i)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(columns + 16 * (b0 + i)), c[i]);
    }
    for (; b0 < bytes; ++b0)
        for (int i = 0; i < 16; ++i) columns[16 * b0 + i] = in[i][b0];
}

// Columns back to rows.
SKALOMI_INLINE void turnOut(const std::uint8_t* columns, std::size_t bytes,
                            std::uint8_t* const* out, int rows) {
    std::size_t b0 = 0;
    for (; b0 + 16 <= bytes; b0 += 16) {
        __m128i c[16], r[16];
        for (int i = 0; i < 16; ++i)
            c[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + 16 * (b0 + i)));
        Transpose16(c, r);
        for (int i = 0; i < rows; ++i)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[i] + b0), r[i]);
    }
    for (; b0 < bytes; ++b0)
        for (int i = 0; i < rows; ++i) out[i][b0] = columns[16 * b0 + i];
}

void vectorBlock(const ResampleKernel& k, const std::uint8_t* const* in, std::uint8_t* const* out,
                 int rows, HorizontalScratch& scratch) {
    const std::size_t inBytes = 3 * static_cast<std::size_t>(k.n);
    const std::size_t outBytes = 3 * static_cast<std::size_t>(k.m);
    scratch.Columns.resize(16 * inBytes);
    scratch.OutColumns.resize(16 * outBytes);
    std::uint8_t* const columns = scratch.Columns.data();
    std::uint8_t* const outColumns = scratch.OutColumns.data();
    turnIn(in, rows, inBytes, columns);

    const std::int32_t* first = k.First.data();
    const std::int32_t* count = k.Count.data();
    const std::int32_t* offset = k.Offset.data();
    const std::uint16_t* weights = k.Weights.data();
    for (int o = 0; o < k.m; ++o) {
        simd::u16x16 s0 = {}, s1 = {}, s2 = {};
        const std::uint8_t* pixel = columns + 48 * static_cast<std::size_t>(first[o]);
        const std::uint16_t* w = weights + offset[o];
        for (int t = 0; t < count[o]; ++t, pixel += 48) {
            simd::u16x16 v0, v1, v2;
            simd::Load(pixel, v0);
            simd::Load(pixel + 16, v1);
            simd::Load(pixel + 32, v2);
            simd::AddTerm(s0, v0, w[t]);
            simd::AddTerm(s1, v1, w[t]);
            simd::AddTerm(s2, v2, w[t]);
        }
        if (k.area) {
            simd::Divide(s0, k.shift, k.reciprocal);
            simd::Divide(s1, k.shift, k.reciprocal);
            simd::Divide(s2, k.shift, k.reciprocal);
        }
        std::uint8_t* dst = outColumns + 48 * static_cast<std::size_t>(o);
        simd::Store(dst, s0);
        simd::Store(dst + 16, s1);
        simd::Store(dst + 32, s2);
    }
    turnOut(outColumns, outBytes, out, rows);
}

}  // namespace

void HorizontalBlock(const ResampleKernel& kernel, const std::uint8_t* const* in,
                     std::uint8_t* const* out, int rows, HorizontalScratch& scratch) {
    if (kernel.identity) {
        for (int r = 0; r < rows; ++r)
            std::memcpy(out[r], in[r], 3 * static_cast<std::size_t>(kernel.n));
    } else if (kernel.halving && ActiveSimdLevel() == SimdLevel::Avx2) {
        // Each output is the average of two whole neighbours: done along the
        // rows, without turning the block.
        for (int r = 0; r < rows; ++r) HalveRowAvx2(in[r], out[r], kernel.m);
    } else if (kernel.vectorizable && ActiveSimdLevel() == SimdLevel::Avx2) {
        scratch.Columns.resize(16 * 3 * static_cast<std::size_t>(kernel.n));
        scratch.OutColumns.resize(16 * 3 * static_cast<std::size_t>(kernel.m));
        HorizontalBlockAvx2(ViewOf(kernel), in, out, rows, scratch.Columns.data(),
                            scratch.OutColumns.data());
    } else if (kernel.vectorizable) {
        vectorBlock(kernel, in, out, rows, scratch);
    } else {
        for (int r = 0; r < rows; ++r) scalarRow(kernel, in[r], out[r]);
    }
}
