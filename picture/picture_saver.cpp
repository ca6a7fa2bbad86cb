#include "picture/picture_saver.h"

#include "picture/bmp/bmp_format.h"
#include "picture/gif/gif_picture.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/png/png_picture.h"
#include "picture/size_limits.h"

PictureFileType FileTypeForName(const std::string& fileName) {
    const auto slash = fileName.find_last_of('/');
    const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    if (ext == ".gif" || ext == ".GIF") return PictureFileType::GIF;
    if (ext == ".jpg" || ext == ".JPG") return PictureFileType::JPEG;
    if (ext == ".png" || ext == ".PNG") return PictureFileType::PNG;
    return PictureFileType::BMP;
}

namespace {

// The writers get a working copy that shares the picture's pixels until it
// is converted, so the picture handed in never changes.
TDIB widenedTo24Bits(const TDIB& picture) {
    TDIB working(picture);
    working.SetPixelFormat(PixelFormat24Bit);
    return working;
}

}  // namespace

void CheckFileTypeCanHold(PictureFileType type, int width, int height, int colorsUsed) {
    if (type == PictureFileType::BMP) {
        const std::uint64_t pixelBytes =
            static_cast<std::uint64_t>(dibStride(width, 24)) * static_cast<std::uint64_t>(height);
        CheckBMPFileSize(width, height, static_cast<std::uint64_t>(colorsUsed), pixelBytes);
    } else if (type == PictureFileType::GIF) {
        CheckGIFSize(width, height);
    }
}

void SavePictureToFile(const TDIB& picture, const std::string& fileName, SaveMode mode) {
    SavePictureToFile(picture, fileName, FileTypeForName(fileName), mode);
}

void SavePictureToFile(const TDIB& picture, const std::string& fileName, PictureFileType type,
                       SaveMode mode) {
    // Before the colour reduction; a BMP file is checked by SaveToFile, as
    // the store stands.
    if (type == PictureFileType::GIF) CheckGIFSize(picture.Width(), picture.Height());
    switch (type) {
        case PictureFileType::GIF: {
            TGIFPicture gif;
            gif.Assign(picture);  // reduces a copy to 256 colours
            gif.SaveToFile(fileName, mode);
            return;
        }
        case PictureFileType::JPEG: {
            TJPEGPicture jpeg;
            jpeg.Assign(widenedTo24Bits(picture));
            jpeg.SaveToFile(fileName, mode);
            return;
        }
        case PictureFileType::PNG: {
            TPNGPicture png;
            png.Assign(widenedTo24Bits(picture));
            png.SaveToFile(fileName, mode);
            return;
        }
        case PictureFileType::BMP:
            picture.SaveToFile(fileName, mode);
            return;
    }
}
