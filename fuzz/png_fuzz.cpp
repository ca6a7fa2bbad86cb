// The PNG reader on any bytes; a picture it reads is written and read again
// and must come back with the same pixels.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <sstream>

#include "fuzz/fuzz_support.h"
#include "picture/dib.h"
#include "picture/png/png_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DecodedPicture picture;
    try {
        picture = ReadPNG(data, size, FuzzLimits());
    } catch (const std::exception&) {
        return 0;
    }
    FUZZ_CHECK(picture.width > 0 && picture.height > 0);
    FUZZ_CHECK(picture.depth == 1 || picture.depth == 4 || picture.depth == 8 ||
               picture.depth == 24);
    if (TooLargeToRoundTrip(picture.width, picture.height)) return 0;
    TDIB dib;
    dib.Assign(picture);
    std::ostringstream out;
    WritePNG(dib, out);
    const std::string written = out.str();
    const DecodedPicture back = ReadPNG(reinterpret_cast<const std::uint8_t*>(written.data()),
                                        written.size(), FuzzLimits());
    FUZZ_CHECK(back.width == picture.width && back.height == picture.height &&
               back.depth == picture.depth);
    // Bits after the last pixel of a row are padding and may differ.
    const std::size_t bits =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.depth);
    const std::size_t whole = bits / 8;
    const unsigned rest = static_cast<unsigned>(bits % 8);
    for (int y = 0; y < picture.height; ++y) {
        FUZZ_CHECK(std::memcmp(back.row(y), picture.row(y), whole) == 0);
        if (rest) {
            const unsigned mask = 0xFFu << (8 - rest) & 0xFFu;
            FUZZ_CHECK((back.row(y)[whole] & mask) == (picture.row(y)[whole] & mask));
        }
    }
    dib.SetPixelFormat(PixelFormat24Bit);
    return 0;
}
