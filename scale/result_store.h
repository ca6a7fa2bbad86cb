#pragma once

// The store a scale run leaves in its result. The command sizes the result
// with SetWidth/SetHeight, gives it the source's 24-bit format, and after the
// rotation sizes it again to the finished picture; the header facts
// (colours-used count, colour table, resolution, row order) are whatever
// those steps give. This prepares that final store before the passes write
// into it, without converting pixels the passes overwrite anyway.

#include <array>

#include "picture/dib.h"

// The header and colour table of the store a run leaves in a result buffer.
struct ResultStoreFacts {
    BitmapInfoHeader Header;
    std::array<RGBQuad, 256> ColorTable{};
};

// What the steps above make of `result`'s header and colour table, worked
// out without touching it: a streamed job writes its file with these, so the
// file is the one the result buffer would have been saved as.
ResultStoreFacts FactsOfResultStore(const TDIB& result, int targetWidth, int targetHeight,
                                    int finishedWidth, int finishedHeight);

// Leaves `result` with a store private to it, 24 bits per pixel,
// finishedWidth x finishedHeight, with the facts above, every pixel about to
// be written.
void PrepareResultStore(TDIB& result, int targetWidth, int targetHeight, int finishedWidth,
                        int finishedHeight);
