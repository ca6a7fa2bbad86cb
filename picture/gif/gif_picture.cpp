#include "picture/gif/gif_picture.h"

#include <utility>

#include "picture/errors.h"
#include "picture/system/budgeted_bytes.h"
#include "picture/system/file_io.h"

void TGIFPicture::LoadFromFile(const std::string& fileName) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(fileName);
    LoadFromBytes(bytes.data(), bytes.size());
}

void TGIFPicture::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
    GIFReadResult read = ReadGIF(data, size, limits_);
    bitmap_ = std::move(read.firstFrame);
    frameCount_ = read.frameCount;
}

void TGIFPicture::LoadFromStream(std::istream& stream) {
    const std::vector<std::uint8_t> bytes = ReadWholeStream(stream);
    LoadFromBytes(bytes.data(), bytes.size());
}

DecodedPicture TGIFPicture::TakeBitmap() {
    frameCount_ = 0;
    return std::move(bitmap_);
}

void TGIFPicture::Assign(const TDIB& picture) {
    TDIB copy(picture);
    if (copy.PixelFormat() != PixelFormat8Bit) {
        copy.SetPixelFormat(PixelFormat24Bit);
        copy.SetPixelFormat(PixelFormat8Bit);
    }
    toWrite_ = std::move(copy);
    hasPictureToWrite_ = true;
}

void TGIFPicture::write(BudgetedBytes& file) const {
    if (!hasPictureToWrite_) throw EInvalidGraphic("GIF: no picture to write");
    WriteGIF(toWrite_, file);
}

std::vector<std::uint8_t> TGIFPicture::SaveToBytes() const {
    BudgetedBytes file(kGifFile);
    write(file);
    return file.take();
}

void TGIFPicture::SaveToStream(std::ostream& stream) const {
    WriteBytesToStream(stream, SaveToBytes());
}

// The bytes stay counted until they are written.
void TGIFPicture::SaveToFile(const std::string& fileName, SaveMode mode) const {
    BudgetedBytes file(kGifFile);
    write(file);
    WriteFileAtomically(fileName, file.bytes(), mode);
}
