#pragma once

// The store a scale run leaves in its result. The command sizes the result
// with SetWidth/SetHeight, gives it the source's 24-bit format, and after the
// rotation sizes it again to the finished picture; the header facts
// (colours-used count, colour table, resolution, row order) are whatever
// those steps give. This prepares that final store before the passes write
// into it, without converting pixels the passes overwrite anyway.

#include "picture/dib.h"

// Leaves `result` with a store private to it, 24 bits per pixel,
// finishedWidth x finishedHeight, every pixel about to be written.
void PrepareResultStore(TDIB& result, int targetWidth, int targetHeight, int finishedWidth,
                        int finishedHeight);
