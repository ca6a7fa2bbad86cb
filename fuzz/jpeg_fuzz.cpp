// The JPEG decoder on any bytes; what it decodes is encoded again.

#include <cstddef>
#include <cstdint>
#include <exception>

#include "fuzz/fuzz_support.h"
#include "picture/dib.h"
#include "picture/jpeg/jpeg_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DecodedPicture picture;
    try {
        picture = DecodeJPEG(data, size, FuzzLimits());
    } catch (const std::exception&) {
        return 0;
    }
    FUZZ_CHECK(picture.depth == 24 || picture.depth == 8);
    FUZZ_CHECK(picture.width > 0 && picture.height > 0);
    if (TooLargeToRoundTrip(picture.width, picture.height)) return 0;
    TDIB dib;
    dib.Assign(std::move(picture));
    dib.SetPixelFormat(PixelFormat24Bit);
    const std::vector<std::uint8_t> again = EncodeJPEG(dib);
    FUZZ_CHECK(again.size() > 2 && again[0] == 0xFF && again[1] == 0xD8);
    return 0;
}
