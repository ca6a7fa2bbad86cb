#include "picture/dib.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <utility>

#include "picture/bmp/bitfields.h"
#include "picture/bmp/bmp_format.h"
#include "picture/color_reduction.h"
#include "picture/dib_conversions.h"
#include "picture/file_fault.h"
#include "picture/size_limits.h"
#include "picture/system/file_io.h"

namespace {

std::shared_ptr<TInternalDIB> newDefaultStore() {
    return TInternalDIB::CreateDIB(1, 1, 8, 256);
}

// A blank store of the given size with the old store's bit count and
// colours-used count.
std::shared_ptr<TInternalDIB> blankResized(const TInternalDIB& old, int width, int height) {
    return TInternalDIB::CreateDIB(width, height, old.Header.biBitCount, old.Header.biClrUsed);
}

int depthOfFormat(TDIBPixelFormat format) {
    switch (format) {
        case PixelFormat1Bit:
            return 1;
        case PixelFormat4Bit:
        case PixelFormat4BitRLE:
            return 4;
        case PixelFormat8Bit:
        case PixelFormat8BitRLE:
            return 8;
        default:
            return 24;
    }
}

// A store for a decoded picture: its size (bottom-up), its depth with 16 and
// 32 bits widened to 24, its colour table, a resolution of 0 made 96 dpi.
std::shared_ptr<TInternalDIB> storeHeaderFor(const DecodedPicture& bitmap, int bitCount) {
    if (bitmap.empty()) throw EInvalidGraphic("Invalid picture size");
    const int tableSize = bitCount <= 8 ? (1 << bitCount) : 0;
    int colorsUsed = 0;
    if (bitCount <= 8) {
        colorsUsed = bitmap.colors.empty() || static_cast<int>(bitmap.colors.size()) > tableSize
                         ? tableSize
                         : static_cast<int>(bitmap.colors.size());
    }
    auto store = std::make_shared<TInternalDIB>();
    store->Header.biWidth = bitmap.width;
    store->Header.biHeight = bitmap.height;
    store->Header.biBitCount = static_cast<std::uint16_t>(bitCount);
    store->Header.biClrUsed = static_cast<std::uint32_t>(colorsUsed);
    store->Header.biXPelsPerMeter =
        bitmap.xPelsPerMeter ? bitmap.xPelsPerMeter : kDefaultPelsPerMeter;
    store->Header.biYPelsPerMeter =
        bitmap.yPelsPerMeter ? bitmap.yPelsPerMeter : kDefaultPelsPerMeter;
    const std::size_t kept =
        std::min<std::size_t>(bitmap.colors.size(), static_cast<std::size_t>(tableSize));
    for (std::size_t i = 0; i < kept; ++i) store->ColorTable[i] = bitmap.colors[i];
    return store;
}

void checkDecodedBlock(const DecodedPicture& bitmap) {
    const std::size_t stride = dibStride(bitmap.width, bitmap.depth);
    if (stride == 0 || bitmap.stride != stride ||
        !mulSizesValid(stride, static_cast<std::size_t>(bitmap.height)) ||
        bitmap.bits.size() < stride * static_cast<std::size_t>(bitmap.height))
        throw EInvalidGraphic("Invalid picture data");
}

// "compression 4 (JPEG)": a header's compression value as the format names it.
std::string describeCompression(std::uint32_t compression) {
    static const char* const kNames[] = {
        "none", "RLE8", "RLE4", "bit fields", "JPEG", "PNG", "alpha bit fields"};
    return "compression " + std::to_string(compression) +
           (compression < 7 ? std::string(" (") + kNames[compression] + ")" : std::string());
}

bool keepsItsDepth(int depth) {
    return depth == 1 || depth == 4 || depth == 8 || depth == 24;
}

}  // namespace

TDIB::TDIB() : store_(newDefaultStore()) {}

TDIB::TDIB(const TDIB& other) : store_(other.store_), conversionMode_(other.conversionMode_) {}

TDIB& TDIB::operator=(const TDIB& other) {
    Assign(other);
    return *this;
}

TDIB::TDIB(TDIB&& other) noexcept
    : store_(std::exchange(other.store_, nullptr)), conversionMode_(other.conversionMode_) {
    // A moved-from handle still holds a valid picture.
    try {
        other.store_ = newDefaultStore();
    } catch (...) {
        other.store_ = store_;
    }
}

TDIB& TDIB::operator=(TDIB&& other) noexcept {
    if (this != &other) {
        std::swap(store_, other.store_);
        conversionMode_ = other.conversionMode_;
    }
    return *this;
}

void TDIB::ThrowBadType(bool forSet) {
    throw EDIBBadDIBType(forSet ? "TDIB.SetPixels: Bad DIB Type" : "TDIB.GetPixels: Bad DIB Type");
}

void TDIB::ThrowOutOfRange(bool forSet) {
    throw EDIBPixelPositionRange(forSet ? "TDIB.SetPixels: Pixel Position is Out of Range"
                                        : "TDIB.GetPixels: Pixel Position is Out of Range");
}

void TDIB::SetWidth(int width) {
    if (width <= 0) throw EDIBInvalidDIBPara("TDIB.SetWidth: Invalid Width");
    if (width == store_->Width) return;
    store_ = blankResized(*store_, width, store_->Height);
}

void TDIB::SetHeight(int height) {
    if (height == 0) throw EDIBInvalidDIBPara("TDIB.SetHeight: Invalid Height");
    if (height == store_->Height) return;
    store_ = blankResized(*store_, store_->Width, height);
}

TDIBPixelFormat TDIB::PixelFormat() const {
    const BitmapInfoHeader& h = store_->Header;
    const char* invalid = nullptr;
    switch (h.biBitCount) {
        case 1:
            if (h.biCompression == 0) return PixelFormat1Bit;
            invalid = "TInternalDIB.GetPixelFormat: Invalid DIB(1Bit)";
            break;
        case 4:
            if (h.biCompression == 0) return PixelFormat4Bit;
            if (h.biCompression == 2) return PixelFormat4BitRLE;
            invalid = "TInternalDIB.GetPixelFormat: Invalid DIB(4Bit)";
            break;
        case 8:
            if (h.biCompression == 0) return PixelFormat8Bit;
            if (h.biCompression == 1) return PixelFormat8BitRLE;
            invalid = "TInternalDIB.GetPixelFormat: Invalid DIB(8Bit)";
            break;
        default:
            if (h.biBitCount == 24 && h.biCompression == 0) return PixelFormat24Bit;
            invalid = "TInternalDIB.GetPixelFormat: Invalid DIB(24Bit)";
            break;
    }
    throw WithFault(EDIBInvalidDIB(invalid), "BMP: " + describeCompression(h.biCompression) +
                                                 " is not supported with " +
                                                 std::to_string(h.biBitCount) + " bits per pixel");
}

void TDIB::SetPixelFormat(TDIBPixelFormat format) {
    const TDIBPixelFormat current = PixelFormat();
    if (current == format) return;
    const TInternalDIB& s = *store_;
    std::shared_ptr<TInternalDIB> converted;
    if (format == PixelFormat24Bit) {
        switch (current) {
            case PixelFormat1Bit:
                converted = Convert1BitRGBToTrueColor(s);
                break;
            case PixelFormat4Bit:
                converted = Convert4BitRGBToTrueColor(s);
                break;
            case PixelFormat8Bit:
                converted = Convert8BitRGBToTrueColor(s);
                break;
            case PixelFormat4BitRLE:
                converted = Convert4BitRGBToTrueColor(*Convert4BitRLETo4BitRGB(s));
                break;
            case PixelFormat8BitRLE:
                converted = Convert8BitRGBToTrueColor(*Convert8BitRLETo8BitRGB(s));
                break;
            default:
                break;
        }
    } else if (format == PixelFormat8Bit && current == PixelFormat24Bit && conversionMode_ == 0) {
        converted = ConvertTrueColorTo8BitRGBLow(s);
    }
    if (!converted) throw EDIBBadDIBType("TDIB.SetPixelFormat: Conversion not supported");
    converted->PaletteModified = true;
    store_ = std::move(converted);
}

void TDIB::Assign(const TDIB& source) {
    if (&source == this) return;
    store_ = source.store_;
    conversionMode_ = source.conversionMode_;
    store_->PaletteModified = true;
}

void TDIB::Assign(const DecodedPicture& bitmap) {
    checkDecodedBlock(bitmap);
    const int bitCount = keepsItsDepth(bitmap.depth) ? bitmap.depth : 24;
    auto store = storeHeaderFor(bitmap, bitCount);
    const std::size_t rows = static_cast<std::size_t>(bitmap.height);
    if (bitCount == bitmap.depth) {
        store->Bits = PixelBlock::copyOf(bitmap.bits.data(), bitmap.stride * rows);
    } else if (bitmap.depth == 16 || bitmap.depth == 32) {
        store->Bits = PixelBlock(checkedPictureBytes(bitmap.width, bitmap.height, 24));
        ConvertBitFieldRows(bitmap.bits.data(), bitmap.stride, bitmap.width, bitmap.height,
                            bitmap.depth, DefaultBitFieldMasks(bitmap.depth), store->Bits.data(),
                            dibStride(bitmap.width, 24));
    } else {
        throw EInvalidGraphic("Invalid picture depth");
    }
    store->UpdateLayout();
    store_ = std::move(store);
}

void TDIB::Assign(DecodedPicture&& bitmap) {
    if (!keepsItsDepth(bitmap.depth)) {
        Assign(static_cast<const DecodedPicture&>(bitmap));
        return;
    }
    checkDecodedBlock(bitmap);
    auto store = storeHeaderFor(bitmap, bitmap.depth);
    store->Bits = std::move(bitmap.bits);
    store->UpdateLayout();
    store_ = std::move(store);
}

void TDIB::AssignNothing() {
    store_ = newDefaultStore();
}

void TDIB::AssignTo(DecodedPicture& bitmap) const {
    std::shared_ptr<TInternalDIB> plain = store_;
    const TDIBPixelFormat format = PixelFormat();
    if (format == PixelFormat4BitRLE) plain = Convert4BitRLETo4BitRGB(*store_);
    if (format == PixelFormat8BitRLE) plain = Convert8BitRLETo8BitRGB(*store_);
    const TInternalDIB& s = *plain;
    if (s.Stride == 0 || s.Bits.size() / s.Stride < static_cast<std::size_t>(s.Height))
        throw EDIBInvalidDIB("TInternalDIB.LoadFromStream: Pixel data is shorter than the image");

    DecodedPicture result;
    result.allocate(s.Width, s.Height, depthOfFormat(format));
    result.xPelsPerMeter = s.Header.biXPelsPerMeter;
    result.yPelsPerMeter = s.Header.biYPelsPerMeter;
    result.colors.assign(s.ColorTable.begin(),
                         s.ColorTable.begin() + std::min<std::uint32_t>(s.Header.biClrUsed, 256));
    if (s.Header.biHeight > 0) {
        std::memcpy(result.bits.data(), s.Bits.data(),
                    result.stride * static_cast<std::size_t>(s.Height));
    } else {
        for (int y = 0; y < s.Height; ++y) std::memcpy(result.row(y), s.Row(y), result.stride);
    }
    bitmap = std::move(result);
}

void TDIB::LoadFromFile(const std::string& fileName) {
    std::ifstream in = OpenForReading(fileName);
    LoadFromStream(in);
}

void TDIB::LoadFromStream(std::istream& stream, const ReaderLimits& limits) {
    ReplaceStore(ReadBMP(stream, limits));
}

void TDIB::SaveToFile(const std::string& fileName, SaveMode mode) const {
    // Refused before the file system is touched.
    CheckBMPFileSize(store_->Width, store_->Height, store_->Header.biClrUsed, store_->Bits.size());
    WriteFileAtomically(
        fileName, [this](std::ostream& out) { SaveToStream(out); }, mode);
}

void TDIB::SaveToStream(std::ostream& stream) const {
    WriteBMP(*store_, stream);
}

std::vector<std::uint8_t> TDIB::SaveToClipboardFormat() const {
    return WritePackedDIB(*store_);
}

void TDIB::LoadFromClipboardFormat(int format, const std::vector<std::uint8_t>* block) {
    if (format != kClipboardFormatDIB || block == nullptr)
        throw EInvalidGraphic("TDIB.LoadFromClipboardFormat: Invalid Clipboard Format or No Data");
    ReplaceStore(ReadPackedDIB(block->data(), block->size()));
}

void TDIB::ReplaceStore(std::shared_ptr<TInternalDIB> store) {
    if (!store) throw EInvalidGraphic("Invalid picture");
    store->UpdateLayout();
    store->PaletteModified = true;
    store_ = std::move(store);
}
