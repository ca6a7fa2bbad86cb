#pragma once

// One resampling pass turned from its position tables into taps: output k is
// the sum over its taps of (sample * weight) >> 8, each term truncated on its
// own, then (for area averaging) times 256 divided by the divisor. A tap of
// weight 256 adds the full sample. Taps of one output lie at consecutive
// sample positions starting at First[k]; this is what lets the loops run
// over rows and columns without looking at the tables again.

#include <cstdint>
#include <vector>

struct ResampleKernel {
    int n = 0;              // input samples per line
    int m = 0;              // output samples per line
    bool area = false;      // area averaging (else linear interpolation)
    bool identity = false;  // n == m: every output is its input sample
    bool halving = false;   // n == 2m: every output is (sample 2k + sample 2k+1) / 2, truncated
    std::int64_t divisor = 256;

    std::vector<std::int32_t> First;      // first tap position of output k
    std::vector<std::int32_t> Count;      // taps of output k
    std::vector<std::int32_t> Offset;     // where output k's taps start below
    std::vector<std::int32_t> Positions;  // sample position of each tap
    std::vector<std::uint16_t> Weights;   // 1..256
    int maxTaps = 0;
    int maxSpan = 1;  // the most samples, first to last tap, one output reaches
    bool consecutive = true;
    std::int64_t maxSum = 0;  // the largest weighted sum any output can reach

    // The SIMD loops need consecutive taps, keep sums in 16 bits and divide by multiplying with a
    // float reciprocal; they run only where that was checked to give the
    // exact quotient for every reachable sum.
    bool vectorizable = false;
    int shift = -1;           // divisor == 256 << shift: the quotient is a shift
    float reciprocal = 1.0f;  // else 256 / divisor, rounded up
};

// The kernel as plain pointers, for the loops compiled for one instruction
// set (they use no library templates).
struct KernelView {
    int n, m;
    bool area;
    int shift;
    float reciprocal;
    const std::int32_t* first;
    const std::int32_t* count;
    const std::int32_t* offset;
    const std::uint16_t* weights;
};

inline KernelView ViewOf(const ResampleKernel& k) {
    return KernelView{k.n,
                      k.m,
                      k.area,
                      k.shift,
                      k.reciprocal,
                      k.First.data(),
                      k.Count.data(),
                      k.Offset.data(),
                      k.Weights.data()};
}

// Builds the kernel of a pass from its position tables as they stand after
// BuildAreaTables (area) or BuildLinearTables (interpolation).
void BuildKernel(int n, int m, bool area, const std::vector<std::int32_t>& indexTable,
                 const std::vector<std::int32_t>& fracTable, ResampleKernel& kernel);

// The exact result of one output from its weighted sum.
inline int FinishSum(const ResampleKernel& kernel, std::int64_t sum) {
    return static_cast<int>(kernel.area ? sum * 256 / kernel.divisor : sum);
}
