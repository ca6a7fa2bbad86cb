// The JPEG header reader on any bytes: it reads nothing outside them, its
// orientation is always one of the eight, and a size it reads is the size
// libjpeg decodes.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>

#include "fuzz/fuzz_support.h"
#include "picture/jpeg/jpeg_header.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/system/memory_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int bare = ExifOrientation(data, size);
    FUZZ_CHECK(bare >= 1 && bare <= 8);
    MemoryInputStream in(data, size);
    const std::optional<JpegHeader> header = ReadJpegHeader(in);
    FUZZ_CHECK(header.has_value() == JPEGHasSignature(data, size));
    if (!header) return 0;
    FUZZ_CHECK(header->Orientation >= 1 && header->Orientation <= 8);
    FUZZ_CHECK(header->Width >= 0 && header->Height >= 0);
    if (header->Width == 0) return 0;
    DecodedPicture picture;
    try {
        picture = DecodeJPEG(data, size, FuzzLimits());
    } catch (const std::exception&) {
        return 0;
    }
    FUZZ_CHECK(picture.width == header->Width && picture.height == header->Height);
    return 0;
}
