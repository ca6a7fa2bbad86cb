#pragma once

// The position tables of the resampling passes. For output position i,
// IndexTable[i] is the integer part of the matching source position and
// FracTable[i] its fractional part in 1/256. Positions are computed in long
// double and stored as double; the tables keep floating point out of the
// per-pixel loops.

#include <cstdint>

#include "scale/scale_run.h"

// Area averaging (n >= m) reduces, linear interpolation (n < m) enlarges;
// each pass chooses by itself.
inline bool UsesAreaAveraging(std::int64_t n, std::int64_t m) {
    return n >= m;
}

// Fills entries 0..m with p = n / m * i. The fractions are truncated in the
// horizontal pass and rounded to even in the vertical pass (where an entry
// can then be 256).
void BuildAreaTables(int n, int m, bool roundFractions, ResampleTables& tables);

// The area divisor: n / m * 256, truncated. Kept 64 bits wide: a reduction of
// a very long line to a few samples needs more than 31 bits.
std::int64_t AreaDivisor(int n, int m);

// Fills entries 0..m-1 with p = (n - 1) / (m - 1) * i, fractions truncated.
// Needs m >= 2.
void BuildLinearTables(int n, int m, ResampleTables& tables);

// Sizes both tables to ResampleTableLength + 1 entries for a run whose
// target is targetWidth x targetHeight.
void SizeTablesForRun(int targetWidth, int targetHeight, ResampleTables& tables);
