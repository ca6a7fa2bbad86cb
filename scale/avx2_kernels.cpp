#include "scale/avx2_kernels.h"

#include <immintrin.h>

// Every function here carries the AVX2 target itself; nothing else in this
// file is built for AVX2.
#define SKALOMI_AVX2 __attribute__((target("avx2")))
#define SKALOMI_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace {

// Four rounds of interleaving transpose a 16 x 16 block of bytes within
// each 128-bit half: x[r] holds row r, then x[c] holds column c.
template <class V, V (*Lo8)(V, V), V (*Hi8)(V, V), V (*Lo16)(V, V), V (*Hi16)(V, V),
          V (*Lo32)(V, V), V (*Hi32)(V, V), V (*Lo64)(V, V), V (*Hi64)(V, V)>
SKALOMI_AVX2_INLINE void transpose16(V* x) {
    V a[16], b[16];
    for (int i = 0; i < 8; ++i) {
        a[i] = Lo8(x[2 * i], x[2 * i + 1]);
        a[i + 8] = Hi8(x[2 * i], x[2 * i + 1]);
    }
    for (int g = 0; g < 4; ++g) {
        for (int half = 0; half < 2; ++half) {
            b[(2 * half) * 4 + g] = Lo16(a[half * 8 + 2 * g], a[half * 8 + 2 * g + 1]);
            b[(2 * half + 1) * 4 + g] = Hi16(a[half * 8 + 2 * g], a[half * 8 + 2 * g + 1]);
        }
    }
    for (int q = 0; q < 4; ++q) {
        for (int g = 0; g < 2; ++g) {
            a[(2 * q) * 2 + g] = Lo32(b[q * 4 + 2 * g], b[q * 4 + 2 * g + 1]);
            a[(2 * q + 1) * 2 + g] = Hi32(b[q * 4 + 2 * g], b[q * 4 + 2 * g + 1]);
        }
    }
    for (int e = 0; e < 8; ++e) {
        x[2 * e] = Lo64(a[2 * e], a[2 * e + 1]);
        x[2 * e + 1] = Hi64(a[2 * e], a[2 * e + 1]);
    }
}

// The intrinsics as plain functions, so the network above can take them.
#define SKALOMI_WRAP(name, type, intrinsic)         \
    SKALOMI_AVX2_INLINE type name(type a, type b) { \
        return intrinsic(a, b);                     \
    }
SKALOMI_WRAP(lo8y, __m256i, _mm256_unpacklo_epi8)
SKALOMI_WRAP(hi8y, __m256i, _mm256_unpackhi_epi8)
SKALOMI_WRAP(lo16y, __m256i, _mm256_unpacklo_epi16)
SKALOMI_WRAP(hi16y, __m256i, _mm256_unpackhi_epi16)
SKALOMI_WRAP(lo32y, __m256i, _mm256_unpacklo_epi32)
SKALOMI_WRAP(hi32y, __m256i, _mm256_unpackhi_epi32)
SKALOMI_WRAP(lo64y, __m256i, _mm256_unpacklo_epi64)
SKALOMI_WRAP(hi64y, __m256i, _mm256_unpackhi_epi64)
SKALOMI_WRAP(lo8x, __m128i, _mm_unpacklo_epi8)
SKALOMI_WRAP(hi8x, __m128i, _mm_unpackhi_epi8)
SKALOMI_WRAP(lo16x, __m128i, _mm_unpacklo_epi16)
SKALOMI_WRAP(hi16x, __m128i, _mm_unpackhi_epi16)
SKALOMI_WRAP(lo32x, __m128i, _mm_unpacklo_epi32)
SKALOMI_WRAP(hi32x, __m128i, _mm_unpackhi_epi32)
SKALOMI_WRAP(lo64x, __m128i, _mm_unpacklo_epi64)
SKALOMI_WRAP(hi64x, __m128i, _mm_unpackhi_epi64)
#undef SKALOMI_WRAP

// Two blocks side by side, one in each half of the registers.
SKALOMI_AVX2_INLINE void transposeTwo(__m256i* x) {
    transpose16<__m256i, lo8y, hi8y, lo16y, hi16y, lo32y, hi32y, lo64y, hi64y>(x);
}
SKALOMI_AVX2_INLINE void transposeOne(__m128i* x) {
    transpose16<__m128i, lo8x, hi8x, lo16x, hi16x, lo32x, hi32x, lo64x, hi64x>(x);
}

SKALOMI_AVX2_INLINE __m128i load16(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
SKALOMI_AVX2_INLINE void store16(std::uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
SKALOMI_AVX2_INLINE void store32(std::uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Rows to columns: columns + 16 * b holds byte b of the 16 rows.
SKALOMI_AVX2_INLINE void turnIn(const std::uint8_t* const* in, std::size_t bytes,
                                std::uint8_t* columns) {
    std::size_t b0 = 0;
    for (; b0 + 32 <= bytes; b0 += 32) {
        __m256i x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in[i] + b0));
        transposeTwo(x);
        for (int i = 0; i < 16; ++i) {
            store16(columns + 16 * (b0 + i), _mm256_castsi256_si128(x[i]));
            store16(columns + 16 * (b0 + 16 + i), _mm256_extracti128_si256(x[i], 1));
        }
    }
    if (b0 + 16 <= bytes) {
        __m128i x[16];
        for (int i = 0; i < 16; ++i) x[i] = load16(in[i] + b0);
        transposeOne(x);
        for (int i = 0; i < 16; ++i) store16(columns + 16 * (b0 + i), x[i]);
        b0 += 16;
    }
    for (; b0 < bytes; ++b0)
        for (int i = 0; i < 16; ++i) columns[16 * b0 + i] = in[i][b0];
}

// Columns back to rows.
SKALOMI_AVX2_INLINE void turnOut(const std::uint8_t* columns, std::size_t bytes,
                                 std::uint8_t* const* out, int rows) {
    std::size_t b0 = 0;
    for (; b0 + 32 <= bytes; b0 += 32) {
        __m256i x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = _mm256_inserti128_si256(_mm256_castsi128_si256(load16(columns + 16 * (b0 + i))),
                                           load16(columns + 16 * (b0 + 16 + i)), 1);
        transposeTwo(x);
        for (int r = 0; r < rows; ++r) store32(out[r] + b0, x[r]);
    }
    if (b0 + 16 <= bytes) {
        __m128i x[16];
        for (int i = 0; i < 16; ++i) x[i] = load16(columns + 16 * (b0 + i));
        transposeOne(x);
        for (int r = 0; r < rows; ++r) store16(out[r] + b0, x[r]);
        b0 += 16;
    }
    for (; b0 < bytes; ++b0)
        for (int r = 0; r < rows; ++r) out[r][b0] = columns[16 * b0 + r];
}

// sum += (sample * weight) >> 8; a whole sample is added as it is.
SKALOMI_AVX2_INLINE void addTerm(__m256i& sum, __m256i sample, std::uint16_t weight) {
    if (weight == 256) {
        sum = _mm256_add_epi16(sum, sample);
    } else {
        const __m256i w = _mm256_set1_epi16(static_cast<short>(weight));
        sum = _mm256_add_epi16(sum, _mm256_srli_epi16(_mm256_mullo_epi16(sample, w), 8));
    }
}

SKALOMI_AVX2_INLINE __m256i widen(const std::uint8_t* p) {
    return _mm256_cvtepu8_epi16(load16(p));
}

// sum * 256 / divisor: a shift, or the checked float reciprocal.
SKALOMI_AVX2_INLINE __m256i divide(__m256i sum, const KernelView& k) {
    if (k.shift >= 0) return _mm256_srl_epi16(sum, _mm_cvtsi32_si128(k.shift));
    const __m256 r = _mm256_set1_ps(k.reciprocal);
    const __m256i lo = _mm256_cvtepu16_epi32(_mm256_castsi256_si128(sum));
    const __m256i hi = _mm256_cvtepu16_epi32(_mm256_extracti128_si256(sum, 1));
    const __m256i qlo = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(lo), r));
    const __m256i qhi = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(hi), r));
    return _mm256_permute4x64_epi64(_mm256_packus_epi32(qlo, qhi), 0xD8);
}

// Two vectors of 16 lanes (each 0..255) as 32 bytes, a's first.
SKALOMI_AVX2_INLINE __m256i narrowPair(__m256i a, __m256i b) {
    return _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8);
}

}  // namespace

SKALOMI_AVX2
void HorizontalBlockAvx2(const KernelView& k, const std::uint8_t* const* rowsIn,
                         std::uint8_t* const* out, int rows, std::uint8_t* columns,
                         std::uint8_t* outColumns) {
    const std::uint8_t* in[16];
    for (int i = 0; i < 16; ++i) in[i] = i < rows ? rowsIn[i] : rowsIn[0];
    const std::size_t inBytes = 3 * static_cast<std::size_t>(k.n);
    const std::size_t outBytes = 3 * static_cast<std::size_t>(k.m);
    turnIn(in, inBytes, columns);
    for (int o = 0; o < k.m; ++o) {
        __m256i s0 = _mm256_setzero_si256(), s1 = s0, s2 = s0;
        const std::uint8_t* p = columns + 48 * static_cast<std::size_t>(k.first[o]);
        const std::uint16_t* w = k.weights + k.offset[o];
        for (int t = 0; t < k.count[o]; ++t, p += 48) {
            addTerm(s0, widen(p), w[t]);
            addTerm(s1, widen(p + 16), w[t]);
            addTerm(s2, widen(p + 32), w[t]);
        }
        if (k.area) {
            s0 = divide(s0, k);
            s1 = divide(s1, k);
            s2 = divide(s2, k);
        }
        std::uint8_t* dst = outColumns + 48 * static_cast<std::size_t>(o);
        store32(dst, narrowPair(s0, s1));
        store16(dst + 32, _mm256_castsi256_si128(narrowPair(s2, s2)));
    }
    turnOut(outColumns, outBytes, out, rows);
}

namespace {

// (a + b) >> 1 per byte: the rounding-up average, less one where a + b is odd.
SKALOMI_AVX2_INLINE __m128i floorAverage(__m128i a, __m128i b) {
    const __m128i odd = _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1));
    return _mm_sub_epi8(_mm_avg_epu8(a, b), odd);
}

// Byte shuffles picking the even and the odd pixels of 16 pixels (48 bytes
// in three vectors) apart; -1 leaves a zero for another vector to fill.
constexpr std::int8_t kEvenLow[3][16] = {
    {0, 1, 2, 6, 7, 8, 12, 13, 14, -1, -1, -1, -1, -1, -1, -1},
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 3, 4, 8, 9, 10, 14},
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}};
constexpr std::int8_t kEvenHigh[3][16] = {
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {-1, 0, 4, 5, 6, 10, 11, 12, -1, -1, -1, -1, -1, -1, -1, -1}};
constexpr std::int8_t kOddLow[3][16] = {
    {3, 4, 5, 9, 10, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {-1, -1, -1, -1, -1, -1, -1, 0, 1, 5, 6, 7, 11, 12, 13, -1},
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1}};
constexpr std::int8_t kOddHigh[3][16] = {
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {2, 3, 7, 8, 9, 13, 14, 15, -1, -1, -1, -1, -1, -1, -1, -1}};

SKALOMI_AVX2_INLINE __m128i mask(const std::int8_t* m) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(m));
}

// The bytes of three vectors that a table of three shuffles picks.
SKALOMI_AVX2_INLINE __m128i pick(const __m128i* v, const __m128i* m) {
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v[0], m[0]), _mm_shuffle_epi8(v[1], m[1])),
                        _mm_shuffle_epi8(v[2], m[2]));
}

}  // namespace

SKALOMI_AVX2
void HalveRowAvx2(const std::uint8_t* in, std::uint8_t* out, int outPixels) {
    __m128i evenLow[3], evenHigh[3], oddLow[3], oddHigh[3];
    for (int i = 0; i < 3; ++i) {
        evenLow[i] = mask(kEvenLow[i]);
        evenHigh[i] = mask(kEvenHigh[i]);
        oddLow[i] = mask(kOddLow[i]);
        oddHigh[i] = mask(kOddHigh[i]);
    }
    int done = 0;
    // Eight output pixels (24 bytes) from sixteen input pixels (48 bytes).
    for (; done + 8 <= outPixels; done += 8, in += 48, out += 24) {
        const __m128i v[3] = {load16(in), load16(in + 16), load16(in + 32)};
        store16(out, floorAverage(pick(v, evenLow), pick(v, oddLow)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16),
                         floorAverage(pick(v, evenHigh), pick(v, oddHigh)));
    }
    for (; done < outPixels; ++done, in += 6, out += 3)
        for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((in[c] + in[3 + c]) >> 1);
}

SKALOMI_AVX2
void AverageRowsAvx2(const std::uint8_t* a, const std::uint8_t* b, std::size_t bytes,
                     std::uint8_t* out) {
    std::size_t i = 0;
    for (; i + 16 <= bytes; i += 16) store16(out + i, floorAverage(load16(a + i), load16(b + i)));
    for (; i < bytes; ++i) out[i] = static_cast<std::uint8_t>((a[i] + b[i]) >> 1);
}

SKALOMI_AVX2
void VerticalRowAvx2(const KernelView& k, const std::uint16_t* w, int taps,
                     const std::uint8_t* const* rows, std::size_t bytes, std::uint8_t* out) {
    for (std::size_t b = 0; b + 32 <= bytes; b += 32) {
        __m256i s0 = _mm256_setzero_si256(), s1 = s0;
        for (int t = 0; t < taps; ++t) {
            addTerm(s0, widen(rows[t] + b), w[t]);
            addTerm(s1, widen(rows[t] + b + 16), w[t]);
        }
        if (k.area) {
            s0 = divide(s0, k);
            s1 = divide(s1, k);
        }
        store32(out + b, narrowPair(s0, s1));
    }
}
