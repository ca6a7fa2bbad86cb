#include <zlib.h>

#include <fstream>

#include "tests/picture/metafile_builder.h"

namespace metafile_test {

static void putBig32(Bytes& b, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

static void writeChunk(std::ofstream& out, const char* type, const Bytes& data) {
    Bytes chunk;
    putBig32(chunk, static_cast<std::uint32_t>(data.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    // crc32 over the type and the data; an empty buffer must not be passed
    // as a null pointer, which zlib takes as a request for the start value.
    const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(4 + data.size()));
    putBig32(chunk, static_cast<std::uint32_t>(crc));
    out.write(reinterpret_cast<const char*>(chunk.data()),
              static_cast<std::streamsize>(chunk.size()));
}

void WritePng(const DecodedPicture& picture, const std::string& path) {
    Bytes raw;
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0);
        const std::uint8_t* row = picture.row(y);
        for (int x = 0; x < picture.width; ++x) {
            raw.push_back(row[4 * x + 2]);
            raw.push_back(row[4 * x + 1]);
            raw.push_back(row[4 * x]);
        }
    }
    uLongf length = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(length);
    compress2(packed.data(), &length, raw.data(), static_cast<uLong>(raw.size()), 6);
    packed.resize(length);
    std::ofstream out(path, std::ios::binary);
    out.write("\x89PNG\r\n\x1a\n", 8);
    Bytes header;
    putBig32(header, static_cast<std::uint32_t>(picture.width));
    putBig32(header, static_cast<std::uint32_t>(picture.height));
    for (int v : {8, 2, 0, 0, 0}) header.push_back(static_cast<std::uint8_t>(v));
    writeChunk(out, "IHDR", header);
    writeChunk(out, "IDAT", packed);
    writeChunk(out, "IEND", {});
}

}  // namespace metafile_test
