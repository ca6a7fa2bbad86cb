#include "picture/refusal_reason.h"

#include <cstdio>

#include "picture/file_fault.h"
#include "picture/gif/gif_picture.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/picture_loader.h"
#include "picture/png/png_picture.h"
#include "picture/system/system_errors.h"

namespace {

bool startsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

}  // namespace

std::string FormatKnowing(const std::uint8_t* head, std::size_t size, const std::string& fileName) {
    if (JPEGHasSignature(head, size)) return "JPEG";
    if (GIFHasSignature(head, size)) return "GIF";
    if (PNGHasSignature(head, size)) return "PNG";
    if (size >= 2 && head[0] == 'B' && head[1] == 'M') return "BMP";
    if (!HasMetafileExtension(fileName)) return {};
    std::string kind = fileName.substr(fileName.size() - 3);
    for (char& c : kind) c = static_cast<char>(c & ~0x20);  // ASCII letters to upper case
    return kind;
}

std::string RefusalReason(const std::exception& error, const std::string& format) {
    const std::string fault = FaultOf(error);
    if (!fault.empty()) return fault;
    if (dynamic_cast<const EReadError*>(&error)) return format + ": the file ends too early";
    const std::string message = error.what();
    // The metafile player's messages name what they read already.
    if (startsWith(message, format) || startsWith(message, "Metafile")) return message;
    return format + ": " + message;
}

std::string UnknownFormatReason(const std::uint8_t* head, std::size_t size) {
    if (size == 0) return "the file is empty";
    std::string start;
    for (std::size_t i = 0; i < size && i < 8; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", head[i]);
        start += hex;
    }
    return "not a picture file of a kind read here (BMP, JPEG, GIF, PNG, and WMF and EMF "
           "under their own extensions); it starts with" +
           start;
}
