#include "picture/internal_dib.h"

#include <cstring>

#include "picture/errors.h"
#include "picture/size_limits.h"

std::shared_ptr<TInternalDIB> TInternalDIB::CreateDIB(std::int32_t width, std::int32_t height,
                                                      int bitCount, std::int64_t colorsUsed) {
    const bool valid = width > 0 && height != 0 && height != INT32_MIN && colorsUsed >= 0 &&
                       colorsUsed <= 256 &&
                       (bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24);
    if (!valid) throw EDIBInvalidDIBPara("TInternalDIB.CreateDIB: Invalid Parameters");
    const std::int32_t rows = height < 0 ? -height : height;
    const std::size_t bytes = checkedPictureBytes(width, rows, bitCount);

    auto store = std::make_shared<TInternalDIB>();
    store->Header = BlankHeader(width, height, bitCount, colorsUsed);
    store->Bits = PixelBlock(bytes, DescribePicture(width, rows));
    store->UpdateLayout();
    return store;
}

BitmapInfoHeader TInternalDIB::BlankHeader(std::int32_t width, std::int32_t height, int bitCount,
                                           std::int64_t colorsUsed) {
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = static_cast<std::uint16_t>(bitCount);
    header.biClrUsed = static_cast<std::uint32_t>(colorsUsed);
    return header;
}

std::shared_ptr<TInternalDIB> TInternalDIB::Clone() const {
    auto copy = std::make_shared<TInternalDIB>();
    copy->Header = Header;
    copy->ColorTable = ColorTable;
    copy->Bits = PixelBlock::copyOf(Bits.data(), Bits.size());
    copy->UpdateLayout();
    return copy;
}

void TInternalDIB::UpdateLayout() {
    Width = Header.biWidth;
    Height = Header.biHeight < 0 ? -Header.biHeight : Header.biHeight;
    Stride = dibStride(Width, Header.biBitCount);
    if (Header.biCompression != 0 || Bits.empty()) {
        // Compressed rows have no fixed address.
        rowBase_ = nullptr;
        rowStep_ = 0;
    } else if (Header.biHeight < 0) {
        rowBase_ = Bits.data();
        rowStep_ = static_cast<std::ptrdiff_t>(Stride);
    } else {
        rowBase_ = Bits.data() +
                   static_cast<std::ptrdiff_t>(Height - 1) * static_cast<std::ptrdiff_t>(Stride);
        rowStep_ = -static_cast<std::ptrdiff_t>(Stride);
    }
}
