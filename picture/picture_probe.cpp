#include "picture/picture_probe.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "picture/dib.h"
#include "picture/gif/gif_picture.h"
#include "picture/jpeg/jpeg_header.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/picture_loader.h"
#include "picture/png/png_picture.h"
#include "picture/system/byte_reader.h"
#include "picture/system/file_io.h"

namespace {

// Enough for every signature and for the size fields of the GIF, PNG and
// BMP headers.
constexpr std::size_t kHeadSize = 32;

struct Head {
    std::uint8_t bytes[kHeadSize] = {};
    std::size_t size = 0;

    ByteReader reader() const { return ByteReader(bytes, size); }
};

bool readHead(std::ifstream& in, Head& head) {
    in.read(reinterpret_cast<char*>(head.bytes), kHeadSize);
    head.size = static_cast<std::size_t>(in.gcount());
    in.clear();
    return head.size > 0;
}

bool isBmp(const Head& h) {
    return h.size >= 2 && h.bytes[0] == 'B' && h.bytes[1] == 'M';
}

std::optional<PictureSize> sized(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX) return std::nullopt;
    return PictureSize{static_cast<int>(width), static_cast<int>(height)};
}

// The size fields of the headers the readers check first.
std::optional<PictureSize> gifSize(const Head& h) {
    // The signature stands at the start or after four leading bytes; the
    // logical screen's width and height follow it, and the picture has
    // the screen's size.
    const std::size_t start = GIFHasSignature(h.bytes, std::min<std::size_t>(h.size, 6)) ? 0 : 4;
    if (h.size < start + 10) return std::nullopt;
    return sized(h.reader().u16(start + 6), h.reader().u16(start + 8));
}

std::optional<PictureSize> pngSize(const Head& h) {
    if (h.size < 24 || std::memcmp(h.bytes + 12, "IHDR", 4) != 0) return std::nullopt;
    return sized(h.reader().u32be(16), h.reader().u32be(20));
}

std::optional<PictureSize> bmpSize(const Head& h) {
    if (h.size < 26) return std::nullopt;
    const ByteReader r = h.reader();
    const std::uint32_t headerSize = r.u32(14);
    if (headerSize == 12) return sized(r.u16(18), r.u16(20));
    if (headerSize != 40) return std::nullopt;
    const std::int64_t height = r.i32(22);
    return sized(r.i32(18), std::llabs(height));
}

std::optional<PictureSize> loadedSize(const std::string& fileName, std::string* whyRefused) {
    TDIB picture;
    if (!LoadPictureFile(fileName, picture, whyRefused)) return std::nullopt;
    return PictureSize{picture.Width(), picture.Height()};
}

}  // namespace

bool MayBeAPicture(const std::string& fileName) {
    if (HasMetafileExtension(fileName)) return true;
    Head h;
    try {
        std::ifstream in = OpenForReading(fileName);
        if (!readHead(in, h)) return false;
    } catch (const std::exception&) {
        return false;
    }
    return JPEGHasSignature(h.bytes, h.size) || GIFHasSignature(h.bytes, h.size) ||
           PNGHasSignature(h.bytes, h.size) || isBmp(h);
}

std::optional<PictureSize> ProbePictureSize(const std::string& fileName, std::string* whyRefused) {
    Head h;
    std::optional<PictureSize> size;
    try {
        std::ifstream in = OpenForReading(fileName);
        // An empty file is refused by the loader, which says so.
        if (!readHead(in, h)) return loadedSize(fileName, whyRefused);
        if (JPEGHasSignature(h.bytes, h.size)) {
            in.seekg(0);
            const std::optional<JpegHeader> jpeg = ReadJpegHeader(in);
            if (jpeg) size = sized(jpeg->Width, jpeg->Height);
        } else if (GIFHasSignature(h.bytes, h.size)) {
            size = gifSize(h);
        } else if (HasMetafileExtension(fileName)) {
            // Its size comes from its records; drawing it is the way to know.
        } else if (PNGHasSignature(h.bytes, h.size)) {
            size = pngSize(h);
        } else if (isBmp(h)) {
            size = bmpSize(h);
        }
    } catch (const std::exception&) {
        if (whyRefused) *whyRefused = UnreadableReason(fileName);
        return std::nullopt;
    }
    return size ? size : loadedSize(fileName, whyRefused);
}
