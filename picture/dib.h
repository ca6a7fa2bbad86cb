#pragma once

// TDIB, the pixel buffer that holds every picture of the program: the source
// image, the scaled image, the scale run's work buffer and the copy made for
// saving. Handles share a reference-counted store (TInternalDIB) and copy it
// only when one of them writes (copy on write).
//
// Colours cross this interface as a colour integer R + G * 256 + B * 65536.
// On 1-, 4- and 8-bit pictures GetPixels and SetPixels deal in indices.
//
// GetPixels and SetPixels are called once per pixel by the slow paths and the
// tests: they stay inline and allocation-free. Fast loops use ScanLine.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "picture/decoded_picture.h"
#include "picture/errors.h"
#include "picture/internal_dib.h"
#include "picture/reader_limits.h"
#include "picture/system/save_mode.h"

enum TDIBPixelFormat {
    PixelFormat1Bit = 0,
    PixelFormat4Bit = 1,
    PixelFormat4BitRLE = 2,
    PixelFormat8Bit = 3,
    PixelFormat8BitRLE = 4,
    PixelFormat24Bit = 5,
};

// The packed-DIB clipboard format (a header, the colour table and the pixels
// in one block).
constexpr int kClipboardFormatDIB = 8;

class TDIB {
public:
    TDIB();  // a 1 x 1, 8-bit store with a black 256-colour table
    ~TDIB() = default;
    // Copying a handle shares its store, as Assign does.
    TDIB(const TDIB& other);
    TDIB& operator=(const TDIB& other);
    TDIB(TDIB&& other) noexcept;
    TDIB& operator=(TDIB&& other) noexcept;

    int Width() const { return store_->Width; }
    int Height() const { return store_->Height; }
    // A new blank store of the new width (old absolute height, so rows become
    // bottom-up; old bit count and colours-used count).
    void SetWidth(int width);
    // A new blank store of the new height; a negative height gives top-down rows.
    void SetHeight(int height);

    TDIBPixelFormat PixelFormat() const;
    // Converts the pixels in place: 1, 4, 8 bits and RLE to 24 bits; 24 bits
    // to 8 bits by the colour reduction. The same format does nothing.
    void SetPixelFormat(TDIBPixelFormat format);

    int GetPixels(int x, int y) const;
    void SetPixels(int x, int y, int value);

    void Assign(const TDIB& source);
    // Takes a decoded picture at its own depth (16 and 32 bits become 24).
    void Assign(const DecodedPicture& bitmap);
    // As above, taking over the picture's pixel block where its layout allows.
    void Assign(DecodedPicture&& bitmap);
    // Assign from nothing: a fresh store as after construction.
    void AssignNothing();
    // Fills `bitmap` with this picture at its own depth (RLE decoded), with a
    // colour table of the first colours-used entries.
    void AssignTo(DecodedPicture& bitmap) const;
    void AssignTo(TDIB& other) const { other.Assign(*this); }

    // BMP reading and writing. Reading replaces the store only on success.
    void LoadFromFile(const std::string& fileName);
    // `limits` bound the picture a stream may declare (a few bytes of RLE
    // can stand for gigabytes of pixels).
    void LoadFromStream(std::istream& stream, const ReaderLimits& limits = ReaderLimits());
    // Writing a file goes through a temporary beside it, renamed over the
    // target only when complete, so a failure never leaves a half file.
    void SaveToFile(const std::string& fileName, SaveMode mode = SaveMode::Replace) const;
    void SaveToStream(std::ostream& stream) const;

    // The packed DIB of the clipboard (format 8).
    std::vector<std::uint8_t> SaveToClipboardFormat() const;
    void LoadFromClipboardFormat(int format, const std::vector<std::uint8_t>* block);

    // Direct access for fast loops and writers.
    const BitmapInfoHeader& Header() const { return store_->Header; }
    const RGBQuad* ColorTable() const { return store_->ColorTable.data(); }
    int ColorsUsed() const { return static_cast<int>(store_->Header.biClrUsed); }
    std::size_t Stride() const { return store_->Stride; }
    bool IsTopDown() const { return store_->Header.biHeight < 0; }
    const std::uint8_t* ScanLine(int y) const { return store_->Row(y); }
    // Makes the store private first, so the row may be written.
    std::uint8_t* ScanLineForWrite(int y) {
        UniqueDIB();
        return store_->Row(y);
    }
    const std::uint8_t* Bits() const { return store_->Bits.data(); }
    std::size_t BitsSize() const { return store_->Bits.size(); }

    // How many handles share this store, and whether two handles share one.
    long RefCount() const { return store_.use_count(); }
    bool SharesStoreWith(const TDIB& other) const { return store_ == other.store_; }

    // The store itself, for the format code in picture/.
    const TInternalDIB& Store() const { return *store_; }
    // Replaces the store with one built elsewhere (a reader's result).
    void ReplaceStore(std::shared_ptr<TInternalDIB> store);

    // Makes the store private to this handle before a write (copy on write).
    void UniqueDIB() {
        if (store_.use_count() != 1) store_ = store_->Clone();
    }

private:
    [[noreturn]] static void ThrowBadType(bool forSet);
    [[noreturn]] static void ThrowOutOfRange(bool forSet);

    std::shared_ptr<TInternalDIB> store_;
    std::uint8_t conversionMode_ = 0;  // 0: the colour reduction of color_reduction.h
};

// ------------------------------------------------------------- pixel access

inline int TDIB::GetPixels(int x, int y) const {
    const TInternalDIB& s = *store_;
    if (s.Header.biCompression != 0) ThrowBadType(false);
    if (x < 0 || x >= s.Width || y < 0 || y >= s.Height) ThrowOutOfRange(false);
    const std::uint8_t* row = s.Row(y);
    switch (s.Header.biBitCount) {
        case 24: {
            const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
            return p[2] | (p[1] << 8) | (p[0] << 16);
        }
        case 8:
            return row[x];
        case 4:
            return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
        default:  // 1 bit
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
}

inline void TDIB::SetPixels(int x, int y, int value) {
    {
        const TInternalDIB& s = *store_;
        if (s.Header.biCompression != 0) ThrowBadType(true);
        if (x < 0 || x >= s.Width || y < 0 || y >= s.Height) ThrowOutOfRange(true);
    }
    UniqueDIB();
    TInternalDIB& s = *store_;
    std::uint8_t* row = s.Row(y);
    switch (s.Header.biBitCount) {
        case 24: {
            if (value < 0) throw ERangeError();
            std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
            p[0] = static_cast<std::uint8_t>(value >> 16);
            p[1] = static_cast<std::uint8_t>(value >> 8);
            p[2] = static_cast<std::uint8_t>(value);
            break;
        }
        case 8:
            if (value < 0 || value > 255) throw ERangeError();
            row[x] = static_cast<std::uint8_t>(value);
            break;
        case 4: {
            std::uint8_t& b = row[x >> 1];
            const std::uint8_t nibble = static_cast<std::uint8_t>(value & 0x0F);
            b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | nibble)
                        : static_cast<std::uint8_t>((b & 0x0F) | (nibble << 4));
            break;
        }
        default: {  // 1 bit
            std::uint8_t& b = row[x >> 3];
            const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (x & 7));
            b = value ? static_cast<std::uint8_t>(b | mask) : static_cast<std::uint8_t>(b & ~mask);
            break;
        }
    }
}
