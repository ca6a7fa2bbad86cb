#include "picture/jpeg/jpeg_picture.h"

#include <utility>

#include "picture/errors.h"
#include "picture/system/budgeted_bytes.h"
#include "picture/system/file_io.h"

EJPEG::EJPEG(int code) : std::runtime_error("JPEG エラー #" + std::to_string(code)), code_(code) {}

void TJPEGPicture::LoadFromFile(const std::string& fileName) {
    LoadFromBytes(std::make_shared<const std::vector<std::uint8_t>>(ReadWholeFile(fileName)));
}

void TJPEGPicture::LoadFromBytes(std::shared_ptr<const std::vector<std::uint8_t>> bytes) {
    bytes_ = std::move(bytes);
    decoded_ = DecodedPicture();
    isDecoded_ = false;
}

void TJPEGPicture::LoadFromStream(std::istream& stream) {
    LoadFromBytes(std::make_shared<const std::vector<std::uint8_t>>(ReadWholeStream(stream)));
}

void TJPEGPicture::DIBNeeded() {
    if (isDecoded_) return;
    static const std::vector<std::uint8_t> none;
    const std::vector<std::uint8_t>& bytes = bytes_ ? *bytes_ : none;
    decoded_ = DecodeJPEG(bytes.data(), bytes.size(), limits_);
    isDecoded_ = true;
}

const DecodedPicture& TJPEGPicture::Bitmap() {
    DIBNeeded();
    return decoded_;
}

DecodedPicture TJPEGPicture::TakeBitmap() {
    DIBNeeded();
    isDecoded_ = false;
    return std::move(decoded_);
}

void TJPEGPicture::Assign(const TDIB& picture) {
    toEncode_.Assign(picture);
    hasPictureToEncode_ = true;
}

void TJPEGPicture::encode(BudgetedBytes& bytes) const {
    if (!hasPictureToEncode_) throw EInvalidGraphic("JPEG: no picture to write");
    if (toEncode_.PixelFormat() == PixelFormat24Bit) {
        EncodeJPEG(toEncode_, bytes);
        return;
    }
    TDIB widened(toEncode_);
    widened.SetPixelFormat(PixelFormat24Bit);
    EncodeJPEG(widened, bytes);
}

std::vector<std::uint8_t> TJPEGPicture::SaveToBytes() const {
    BudgetedBytes bytes(kJpegEncoderOutput);
    encode(bytes);
    return bytes.take();
}

void TJPEGPicture::SaveToStream(std::ostream& stream) const {
    WriteBytesToStream(stream, SaveToBytes());
}

// Encoded first: a failing encoder then never touches the file system.
// The bytes stay counted until they are written.
void TJPEGPicture::SaveToFile(const std::string& fileName, SaveMode mode) const {
    BudgetedBytes bytes(kJpegEncoderOutput);
    encode(bytes);
    WriteFileAtomically(fileName, bytes.bytes(), mode);
}
