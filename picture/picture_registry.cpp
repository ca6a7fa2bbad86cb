#include "picture/picture_registry.h"

#include <cctype>

namespace {

const PictureRegistration kRegistrations[] = {
    {"jpeg", PictureClass::JPEG, "JPEG イメージファイル"},
    {"jpg", PictureClass::JPEG, "JPEG イメージファイル"},
    {"dib", PictureClass::DIB, "Device Independent Bitmap"},
    {"PNG", PictureClass::PNG, "Portable Network Graphics"},
    {"GIF", PictureClass::GIF, "GIF Image"},
    // Added by the platform itself.
    {"bmp", PictureClass::Bitmap, "Bitmaps"},
    {"ico", PictureClass::Icon, "Icons"},
    {"emf", PictureClass::Metafile, "Enhanced Metafiles"},
    {"wmf", PictureClass::Metafile, "Metafiles"},
};

bool sameIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

}  // namespace

const PictureRegistration* RegistrationForName(const std::string& fileName) {
    const auto slash = fileName.find_last_of('/');
    const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return nullptr;
    const std::string extension = name.substr(dot + 1);
    for (const PictureRegistration& r : kRegistrations)
        if (sameIgnoringCase(extension, r.extension)) return &r;
    return nullptr;
}
