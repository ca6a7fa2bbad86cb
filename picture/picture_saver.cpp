#include "picture/picture_saver.h"

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

// Only BMP so far; the other writers join as they land.
void SavePictureToFile(const TDIB& picture, const std::string& fileName) {
    if (FileTypeForName(fileName) != PictureFileType::BMP)
        throw EInvalidGraphic("This picture format cannot be written yet");
    picture.SaveToFile(fileName);
}
