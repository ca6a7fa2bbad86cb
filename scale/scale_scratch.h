#pragma once

// Buffers a scale run reuses from one run to the next: the pass kernels, the
// block buffers of the horizontal pass and the ring of work rows the
// vertical pass reads. Fresh memory pages cost more than the arithmetic that
// fills them, so a caller that keeps its ResampleTables keeps these too.

#include <cstdint>
#include <vector>

#include "scale/horizontal_pass.h"
#include "scale/resample_kernel.h"
#include "scale/tone_row.h"

struct ScaleScratch {
    ResampleKernel Horizontal;
    ResampleKernel Vertical;
    HorizontalScratch Block;
    std::vector<std::uint8_t> Ring;  // work rows, a few more than one output row spans
    std::vector<std::uint8_t> Rows;  // output rows waiting to be turned into place
    ToneMap Tone;
};
