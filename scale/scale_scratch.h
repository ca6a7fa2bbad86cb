#pragma once

// Buffers a scale run reuses from one run to the next: the pass kernels, the
// block buffers of the horizontal pass and the ring of work rows the
// vertical pass reads. Fresh memory pages cost more than the arithmetic that
// fills them, so a caller that keeps its ResampleTables keeps these too; the
// memory they may take is held against the budget as long as they are kept.

#include <cstdint>
#include <vector>

#include "picture/system/memory_budget.h"
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
    MemoryReservation Memory;  // covers Block, Ring and Rows
};
