#pragma once

// The lane arithmetic of the portable loops of the two passes, on the vector
// extensions of GCC and clang: 16 samples at a time in 16-bit lanes. Every
// function here is inlined, so vectors never cross a call by value.

#include <cstdint>
#include <cstring>

#define SKALOMI_INLINE inline __attribute__((always_inline))

namespace simd {

typedef std::uint8_t u8x16 __attribute__((vector_size(16)));
typedef std::uint16_t u16x8 __attribute__((vector_size(16)));
typedef std::uint16_t u16x16 __attribute__((vector_size(32)));
typedef std::int32_t i32x8 __attribute__((vector_size(32)));
typedef float f32x8 __attribute__((vector_size(32)));

// 16 bytes widened to 16 lanes.
SKALOMI_INLINE void Load(const std::uint8_t* p, u16x16& out) {
    u8x16 bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    out = __builtin_convertvector(bytes, u16x16);
}

// The low byte of each lane (every lane holds 0..255 here).
SKALOMI_INLINE void Store(std::uint8_t* p, const u16x16& lanes) {
    const u8x16 bytes = __builtin_convertvector(lanes, u8x16);
    std::memcpy(p, &bytes, sizeof bytes);
}

// sum += (sample * weight) >> 8, the term truncated on its own; a whole
// sample (weight 256) is added as it is.
SKALOMI_INLINE void AddTerm(u16x16& sum, const u16x16& sample, std::uint16_t weight) {
    if (weight == 256)
        sum += sample;
    else
        sum += static_cast<u16x16>((sample * weight) >> 8);
}

// sum * 256 / divisor, truncated: a shift where the divisor is 256 times a
// power of two, else sum * reciprocal in float, which the kernel has checked
// gives the integer quotient for every reachable sum.
SKALOMI_INLINE void Divide(u16x16& sum, int shift, float reciprocal) {
    if (shift >= 0) {
        sum >>= shift;
        return;
    }
    const u16x8 lo = __builtin_shufflevector(sum, sum, 0, 1, 2, 3, 4, 5, 6, 7);
    const u16x8 hi = __builtin_shufflevector(sum, sum, 8, 9, 10, 11, 12, 13, 14, 15);
    const f32x8 flo =
        __builtin_convertvector(__builtin_convertvector(lo, i32x8), f32x8) * reciprocal;
    const f32x8 fhi =
        __builtin_convertvector(__builtin_convertvector(hi, i32x8), f32x8) * reciprocal;
    const u16x8 qlo = __builtin_convertvector(__builtin_convertvector(flo, i32x8), u16x8);
    const u16x8 qhi = __builtin_convertvector(__builtin_convertvector(fhi, i32x8), u16x8);
    sum = __builtin_shufflevector(qlo, qhi, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
}

}  // namespace simd
