#include "picture/png/png_picture.h"

#include <utility>

#include "picture/errors.h"
#include "picture/system/file_io.h"

void TPNGPicture::LoadFromFile(const std::string& fileName) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(fileName);
    LoadFromBytes(bytes.data(), bytes.size());
}

void TPNGPicture::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
    bitmap_ = ReadPNG(data, size, limits_);
}

void TPNGPicture::LoadFromStream(std::istream& stream) {
    const std::vector<std::uint8_t> bytes = ReadWholeStream(stream);
    LoadFromBytes(bytes.data(), bytes.size());
}

void TPNGPicture::Assign(const TDIB& picture) {
    const TDIBPixelFormat format = picture.PixelFormat();
    if (format == PixelFormat4BitRLE || format == PixelFormat8BitRLE) {
        DecodedPicture plain;
        picture.AssignTo(plain);
        toWrite_.Assign(std::move(plain));
    } else {
        toWrite_.Assign(picture);
    }
    hasPictureToWrite_ = true;
}

void TPNGPicture::SaveToStream(std::ostream& stream) const {
    if (!hasPictureToWrite_) throw EInvalidGraphic("PNG: no picture to write");
    WritePNG(toWrite_, stream);
}

void TPNGPicture::SaveToFile(const std::string& fileName, SaveMode mode) const {
    if (!hasPictureToWrite_) throw EInvalidGraphic("PNG: no picture to write");
    WriteFileAtomically(
        fileName, [this](std::ostream& out) { WritePNG(toWrite_, out); }, mode);
}
