#include "scale/resample_kernel.h"

#include <cmath>

#include "scale/resample_tables.h"
#include "scale/scale_errors.h"

namespace {

// Sums up to this bound fit the 16-bit lanes of the SIMD loops.
constexpr std::int64_t kMaxLaneSum = 65535;

void addTap(ResampleKernel& k, std::int32_t position, int weight) {
    // A rounded fraction of 256 leaves the sample it starts on a weight of
    // 0; such a term adds nothing and is left out.
    if (weight == 0) return;
    if (k.Count.back() > 0 && position != k.Positions.back() + 1) k.consecutive = false;
    k.Positions.push_back(position);
    k.Weights.push_back(static_cast<std::uint16_t>(weight));
    ++k.Count.back();
}

// The float reciprocal, rounded up so that an exact quotient is never
// rounded below its integer; checked against integer division for every sum
// the pass can produce.
bool findReciprocal(ResampleKernel& k) {
    if (!k.area) return true;
    for (int shift = 0; shift < 16; ++shift) {
        if (k.divisor == (std::int64_t{256} << shift)) {
            k.shift = shift;
            return true;
        }
    }
    if (k.maxSum * 256 + k.divisor >= (std::int64_t{1} << 24)) return false;
    float r = static_cast<float>(256.0 / static_cast<double>(k.divisor));
    if (static_cast<double>(r) < 256.0 / static_cast<double>(k.divisor))
        r = std::nextafter(r, 1e9f);
    for (std::int64_t sum = 0; sum <= k.maxSum; ++sum) {
        const auto fast = static_cast<std::int64_t>(static_cast<float>(sum) * r);
        if (fast != sum * 256 / k.divisor) return false;
    }
    k.reciprocal = r;
    return true;
}

}  // namespace

void BuildKernel(int n, int m, bool area, const std::vector<std::int32_t>& index,
                 const std::vector<std::int32_t>& frac, ResampleKernel& k) {
    k.n = n;
    k.m = m;
    k.area = area;
    k.identity = n == m;
    k.halving = false;
    k.divisor = area ? AreaDivisor(n, m) : 256;
    k.First.clear();
    k.Count.clear();
    k.Offset.clear();
    k.Positions.clear();
    k.Weights.clear();
    k.maxTaps = 0;
    k.maxSpan = 1;
    k.maxSum = 0;
    k.consecutive = true;
    k.shift = -1;
    if (index.size() < static_cast<std::size_t>(m) + (area ? 1 : 0) || frac.size() < index.size())
        throw EScaleError("Resample tables are too short for this pass");
    for (int out = 0; out < m; ++out) {
        k.Count.push_back(0);
        k.Offset.push_back(static_cast<std::int32_t>(k.Positions.size()));
        if (area) {
            addTap(k, index[out], 256 - frac[out]);
            for (std::int32_t j = index[out] + 1; j <= index[out + 1] - 1; ++j) addTap(k, j, 256);
            if (frac[out + 1] != 0) addTap(k, index[out + 1], frac[out + 1]);
        } else {
            addTap(k, index[out], 256 - frac[out]);
            if (frac[out] > 0) addTap(k, index[out] + 1, frac[out]);
        }
        const std::int32_t offset = k.Offset.back();
        const std::int32_t count = k.Count.back();
        k.First.push_back(count ? k.Positions[offset] : index[out]);
        std::int64_t sum = 0;
        for (std::int32_t i = offset; i < offset + count; ++i) {
            if (k.Positions[i] < 0 || k.Positions[i] >= n)
                throw EScaleError("Resampling tap outside the line");
            sum += (255 * k.Weights[i]) >> 8;
        }
        if (count) {
            const int span = k.Positions[offset + count - 1] - k.Positions[offset] + 1;
            if (span > k.maxSpan) k.maxSpan = span;
        }
        if (sum > k.maxSum) k.maxSum = sum;
        if (count > k.maxTaps) k.maxTaps = count;
    }
    k.vectorizable = k.consecutive && k.maxSum <= kMaxLaneSum && findReciprocal(k);
    k.halving = area && n == 2 * m && k.divisor == 512;
    for (int out = 0; k.halving && out < m; ++out) {
        const std::int32_t at = k.Offset[out];
        k.halving = k.Count[out] == 2 && k.Positions[at] == 2 * out && k.Weights[at] == 256 &&
                    k.Weights[at + 1] == 256;
    }
}
