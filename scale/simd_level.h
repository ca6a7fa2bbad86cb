#pragma once

// Which SIMD loops the passes run: the AVX2 ones where the processor has
// AVX2, else the portable ones (SSE2, part of every x86-64). Both give the
// same bytes; tests and benchmarks may pick one to check or time it.

enum class SimdLevel { Portable, Avx2 };

SimdLevel ActiveSimdLevel();

// The best level the processor supports.
SimdLevel DetectedSimdLevel();

// Runs the passes at `level` from now on (never above the detected one).
void ForceSimdLevel(SimdLevel level);
