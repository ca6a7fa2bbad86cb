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

}  // namespace

void PrepareResultStore(TDIB& result, int targetWidth, int targetHeight, int finishedWidth,
                        int finishedHeight) {
    result.SetWidth(targetWidth);
    result.SetHeight(targetHeight);
    if (result.Header().biBitCount != 24 || result.Header().biCompression != 0)
        result.ReplaceStore(blankWithHeaderOf(result.Store(), 24));
    result.SetWidth(finishedWidth);
    result.SetHeight(finishedHeight);
    // Every pixel is written next: a shared store needs no copy of its pixels.
    if (result.RefCount() > 1) result.ReplaceStore(blankWithHeaderOf(result.Store(), 24));
}
