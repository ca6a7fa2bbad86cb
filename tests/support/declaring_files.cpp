#include "tests/support/declaring_files.h"

#include <zlib.h>

#include <initializer_list>

#include "tests/picture/metafile_builder.h"

namespace {

void put16(FileBytes& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(FileBytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void put32be(FileBytes& b, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void append(FileBytes& b, std::initializer_list<int> bytes) {
    for (int v : bytes) b.push_back(static_cast<std::uint8_t>(v));
}

void pngChunk(FileBytes& b, const char* type, const FileBytes& data) {
    put32be(b, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = b.size();
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), data.begin(), data.end());
    put32be(b, static_cast<std::uint32_t>(
                   crc32(0, b.data() + start, static_cast<uInt>(b.size() - start))));
}

}  // namespace

FileBytes GifDeclaring(int width, int height) {
    FileBytes b;
    append(b, {'G', 'I', 'F', '8', '9', 'a'});
    put16(b, width);
    put16(b, height);
    append(b, {0x80, 0, 0});              // a global table of two entries
    append(b, {0, 0, 0, 255, 255, 255});  // black, white
    append(b, {0x2C});
    put16(b, 0), put16(b, 0), put16(b, 1), put16(b, 1);
    append(b, {0});
    // Code size 2: clear, index 0, end, three bits each.
    append(b, {2, 2, 0x44, 0x01, 0, 0x3B});
    return b;
}

FileBytes RleBmpDeclaring(int width, int height) {
    FileBytes b;
    append(b, {'B', 'M'});
    put32(b, 14 + 40 + 8 + 2);
    put32(b, 0);
    put32(b, 14 + 40 + 8);
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(width));
    put32(b, static_cast<std::uint32_t>(height));
    put16(b, 1);
    put16(b, 8);
    put32(b, 1);  // 8-bit RLE
    put32(b, 2);
    put32(b, 3780), put32(b, 3780);
    put32(b, 2), put32(b, 0);
    append(b, {0, 0, 0, 0, 255, 255, 255, 0});
    append(b, {0, 1});  // end of bitmap
    return b;
}

FileBytes WmfDeclaring(int width, int height) {
    return metafile_test::WmfBuilder(0, 0, width, height, 96)
        .brush(0, metafile_test::rgb(200, 0, 0))
        .select(0)
        .rectangle(0, 0, width / 2, height / 2)
        .build();
}

FileBytes EmfDeclaring(int width, int height) {
    return metafile_test::EmfBuilder(width, height)
        .brush(1, 0, metafile_test::rgb(0, 0, 200))
        .select(1)
        .rectangle(0, 0, width / 2, height / 2)
        .build();
}

FileBytes PngDeclaring(int width, int height) {
    FileBytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    FileBytes header;
    put32be(header, static_cast<std::uint32_t>(width));
    put32be(header, static_cast<std::uint32_t>(height));
    append(header, {8, 0, 0, 0, 0});  // 8-bit grey
    pngChunk(b, "IHDR", header);
    // Four rows of zeros, compressed; the rest of the picture is missing.
    const FileBytes rows(4 * (static_cast<std::size_t>(width) + 1), 0);
    uLongf size = compressBound(static_cast<uLong>(rows.size()));
    FileBytes packed(size);
    compress(packed.data(), &size, rows.data(), static_cast<uLong>(rows.size()));
    packed.resize(size);
    pngChunk(b, "IDAT", packed);
    pngChunk(b, "IEND", {});
    return b;
}
