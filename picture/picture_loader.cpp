#include "picture/picture_loader.h"

#include <cctype>
#include <utility>

#include "picture/file_io.h"
#include "picture/gif_picture.h"
#include "picture/jpeg_picture.h"
#include "picture/memory_stream.h"
#include "picture/metafile/metafile_renderer.h"
#include "picture/png_picture.h"

namespace {

using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;

// One attempt: the reader fills a buffer of its own, which is widened to 24
// bits before it replaces the target, so a failure at any step leaves the
// target as it was. Whatever the reader made is released on leaving.
template <typename Read>
bool attempt(TDIB& target, Read read) {
    try {
        TDIB loaded;
        read(loaded);
        loaded.SetPixelFormat(PixelFormat24Bit);
        target.Assign(loaded);
        return true;
    } catch (...) {
        return false;
    }
}

// An EMF starts with its header record (type 1) carrying " EMF" at offset
// 40; anything else is taken for a WMF, with or without the placeable header.
MetafileKind metafileKindOf(const std::vector<std::uint8_t>& b) {
    auto u32 = [&b](std::size_t at) {
        return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) |
               (std::uint32_t{b[at + 2]} << 16) | (std::uint32_t{b[at + 3]} << 24);
    };
    if (b.size() >= 44 && u32(0) == 1 && u32(40) == 0x464D4520u) return MetafileKind::EMF;
    return MetafileKind::WMF;
}

// The readers that work on the bytes in memory, in their order.
bool loadFromBytes(const Bytes& bytes, const std::string& fileName, TDIB& target,
                   const ReaderLimits& limits) {
    const std::uint8_t* data = bytes->data();
    const std::size_t size = bytes->size();
    if (attempt(target, [&](TDIB& loaded) {
            TJPEGPicture jpeg;
            jpeg.SetLimits(limits);
            jpeg.LoadFromBytes(bytes);
            loaded.Assign(jpeg.TakeBitmap());
        }))
        return true;
    if (attempt(target, [&](TDIB& loaded) {
            TGIFPicture gif;
            gif.SetLimits(limits);
            gif.LoadFromBytes(data, size);
            loaded.Assign(gif.TakeBitmap());
        }))
        return true;
    if (HasMetafileExtension(fileName) && attempt(target, [&](TDIB& loaded) {
            DecodedPicture drawn;
            RenderMetafile(data, size, metafileKindOf(*bytes), drawn);
            loaded.Assign(std::move(drawn));
        }))
        return true;
    return attempt(target, [&](TDIB& loaded) {
        TPNGPicture png;
        png.SetLimits(limits);
        png.LoadFromBytes(data, size);
        loaded.Assign(png.TakeBitmap());
    });
}

}  // namespace

bool HasMetafileExtension(const std::string& fileName) {
    const auto slash = fileName.find_last_of('/');
    const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "wmf" || ext == "emf";
}

bool LoadPictureBytes(Bytes bytes, const std::string& fileName, TDIB& target,
                      const ReaderLimits& limits) {
    if (!bytes) return false;
    if (loadFromBytes(bytes, fileName, target, limits)) return true;
    return attempt(target, [&](TDIB& loaded) {
        MemoryInputStream in(bytes->data(), bytes->size());
        loaded.LoadFromStream(in);
    });
}

bool LoadPictureFile(const std::string& fileName, TDIB& target) {
    const ReaderLimits limits;
    {
        Bytes bytes;
        try {
            bytes = std::make_shared<const std::vector<std::uint8_t>>(ReadWholeFile(fileName));
        } catch (...) {
            // Missing, a folder, unreadable: every reader would refuse it.
            return false;
        }
        if (loadFromBytes(bytes, fileName, target, limits)) return true;
    }
    // The file's bytes are gone before the BMP reader streams the pixels in
    // itself, so a large BMP is never held twice.
    return attempt(target, [&](TDIB& loaded) { loaded.LoadFromFile(fileName); });
}
