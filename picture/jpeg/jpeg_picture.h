#pragma once

// JPEG pictures over libjpeg. A TJPEGPicture holds a file's bytes and decodes
// them once, when its bitmap is first asked for: float DCT, block smoothing,
// full size, 24-bit pixels; a greyscale JPEG goes through libjpeg's own
// quantizer (236 colours, its default dithering) into an 8-bit picture.
// CMYK and YCCK files, which libjpeg does not turn into RGB, are converted
// here (Adobe's files store the inks inverted). Writing takes a picture to
// encode and produces a baseline JPEG of quality 90 with the float DCT.
//
// libjpeg's fatal errors become EJPEG "JPEG エラー #n" with libjpeg's message
// code n; its warnings are ignored, so a damaged file that libjpeg can finish
// still loads. Only garbage is refused although libjpeg would go on: a file
// with more than a few hundred scans, or whose scans keep being corrupt
// (jpeg_row_decoder.h).

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "picture/decoded_picture.h"
#include "picture/dib.h"
#include "picture/jpeg/jpeg_errors.h"
#include "picture/reader_limits.h"

class BudgetedBytes;

class TJPEGPicture {
public:
    TJPEGPicture() = default;

    // Keeps the file's bytes; nothing is decoded yet. A file that cannot be
    // read fails with EFOpenError or EReadError.
    void LoadFromFile(const std::string& fileName);
    // The same from bytes already in memory, shared rather than copied.
    void LoadFromBytes(std::shared_ptr<const std::vector<std::uint8_t>> bytes);
    void LoadFromStream(std::istream& stream);

    // Limits for the picture a header may declare (reader_limits.h).
    void SetLimits(const ReaderLimits& limits) { limits_ = limits; }

    // Decodes the held bytes if that has not happened yet. Fails with EJPEG
    // for data that is not a readable JPEG, EOutOfMemory for a picture too
    // large to hold; the picture then stays undecoded.
    void DIBNeeded();
    // The decoded picture (decoding first if needed).
    const DecodedPicture& Bitmap();
    // Hands the decoded rows over without a copy; the picture is empty
    // afterwards and would decode again if asked.
    DecodedPicture TakeBitmap();

    // The picture to encode (shared with `picture`, not copied). Pictures of
    // fewer than 24 bits per pixel are widened when encoded.
    void Assign(const TDIB& picture);
    // Encodes the assigned picture. The file is written beside the target
    // and renamed over it only when complete.
    void SaveToFile(const std::string& fileName, SaveMode mode = SaveMode::Replace) const;
    void SaveToStream(std::ostream& stream) const;
    std::vector<std::uint8_t> SaveToBytes() const;

private:
    void encode(BudgetedBytes& bytes) const;

    std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
    DecodedPicture decoded_;
    bool isDecoded_ = false;
    ReaderLimits limits_;
    TDIB toEncode_;
    bool hasPictureToEncode_ = false;
};

// True when the file starts with the start-of-image marker: libjpeg refuses
// anything else before reading further.
bool JPEGHasSignature(const std::uint8_t* data, std::size_t size);

// The decoder and encoder behind TJPEGPicture.
DecodedPicture DecodeJPEG(const std::uint8_t* data, std::size_t size, const ReaderLimits& limits);
// Encodes a 24-bit picture (rows as the pixel buffer holds them).
std::vector<std::uint8_t> EncodeJPEG(const TDIB& picture24);
// The same into bytes held against the memory budget while they grow and
// for as long as the caller keeps them; EOutOfMemory (or EMemoryBusy) when
// the budget cannot let them grow.
void EncodeJPEG(const TDIB& picture24, BudgetedBytes& bytes);
// What the encoder's output is called in a refusal.
constexpr const char* kJpegEncoderOutput = "The JPEG encoder's output";
