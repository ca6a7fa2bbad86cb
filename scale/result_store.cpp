#include "scale/result_store.h"

#include <memory>

namespace {

// A blank store with `from`'s header and colour table, at `bitCount`: what
// converting a store to 24 bits keeps of it, and what a private copy of a
// shared store keeps, minus the pixels.
std::shared_ptr<TInternalDIB> blankWithHeaderOf(const TInternalDIB& from, int bitCount) {
    auto store = TInternalDIB::CreateDIB(from.Width, from.Header.biHeight, bitCount,
                                         from.Header.biClrUsed);
    store->Header = from.Header;
    store->Header.biBitCount = static_cast<std::uint16_t>(bitCount);
    if (bitCount == 24) {
        store->Header.biCompression = 0;
        store->Header.biSizeImage = 0;
    }
    store->ColorTable = from.ColorTable;
    store->UpdateLayout();
    return store;
}

// SetWidth followed by SetHeight, in one step. Each setter builds a blank
// store of the old bit count and colours-used count when its side changes,
// so going straight to the final size gives the same store, without the one
// in between (new width x old height), which can be far larger than either:
// a 1 x 40000 picture turned a quarter would pass through 40000 x 40000.
void resizeAsTheSettersDo(TDIB& dib, int width, int height) {
    if (width == dib.Width() && height == dib.Height()) return;
    const TInternalDIB& old = dib.Store();
    dib.ReplaceStore(
        TInternalDIB::CreateDIB(width, height, old.Header.biBitCount, old.Header.biClrUsed));
}

}  // namespace

void PrepareResultStore(TDIB& result, int targetWidth, int targetHeight, int finishedWidth,
                        int finishedHeight) {
    resizeAsTheSettersDo(result, targetWidth, targetHeight);
    if (result.Header().biBitCount != 24 || result.Header().biCompression != 0)
        result.ReplaceStore(blankWithHeaderOf(result.Store(), 24));
    resizeAsTheSettersDo(result, finishedWidth, finishedHeight);
    // Every pixel is written next: a shared store needs no copy of its pixels.
    if (result.RefCount() > 1) result.ReplaceStore(blankWithHeaderOf(result.Store(), 24));
}
