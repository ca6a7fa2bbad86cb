#include "scale/result_store.h"

#include <memory>

namespace {

// SetWidth followed by SetHeight: each setter gives a blank store of the old
// bit count and colours-used count when its side changes.
void resizeAsTheSettersDo(ResultStoreFacts& facts, int width, int height) {
    const BitmapInfoHeader& h = facts.Header;
    const int oldHeight = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    if (width == h.biWidth && height == oldHeight) return;
    facts.Header = TInternalDIB::BlankHeader(width, height, h.biBitCount, h.biClrUsed);
    facts.ColorTable = {};
}

}  // namespace

ResultStoreFacts FactsOfResultStore(const TDIB& result, int targetWidth, int targetHeight,
                                    int finishedWidth, int finishedHeight) {
    ResultStoreFacts facts{result.Header(), result.Store().ColorTable};
    resizeAsTheSettersDo(facts, targetWidth, targetHeight);
    // Converting to 24 bits keeps the header and colour table but for these.
    BitmapInfoHeader& h = facts.Header;
    if (h.biBitCount != 24 || h.biCompression != 0) {
        h.biBitCount = 24;
        h.biCompression = 0;
        h.biSizeImage = 0;
    }
    resizeAsTheSettersDo(facts, finishedWidth, finishedHeight);
    // A store still shared with another handle is copied before the first
    // write, header and all.
    return facts;
}

void PrepareResultStore(TDIB& result, int targetWidth, int targetHeight, int finishedWidth,
                        int finishedHeight) {
    // The store survives every step only when no step changes it; a shared
    // store gets a private one with its header, without a copy of pixels
    // that are all written next.
    const bool kept = result.Width() == targetWidth && result.Height() == targetHeight &&
                      targetWidth == finishedWidth && targetHeight == finishedHeight &&
                      result.Header().biBitCount == 24 && result.Header().biCompression == 0 &&
                      result.RefCount() == 1;
    if (kept) return;
    // Going straight to the final store also skips the one in between (new
    // width x old height), which can be far larger than either: a 1 x 40000
    // picture turned a quarter would pass through 40000 x 40000.
    const ResultStoreFacts facts =
        FactsOfResultStore(result, targetWidth, targetHeight, finishedWidth, finishedHeight);
    auto store = TInternalDIB::CreateDIB(facts.Header.biWidth, facts.Header.biHeight, 24,
                                         facts.Header.biClrUsed);
    store->Header = facts.Header;
    store->ColorTable = facts.ColorTable;
    store->UpdateLayout();
    result.ReplaceStore(store);
}
