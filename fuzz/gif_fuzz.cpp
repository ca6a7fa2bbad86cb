// The GIF reader on any bytes; a picture it reads is written and read again
// and must come back with the same indices and colours.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>

#include "fuzz/fuzz_support.h"
#include "picture/dib.h"
#include "picture/gif/gif_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    GIFReadResult read;
    try {
        read = ReadGIF(data, size, FuzzLimits());
    } catch (const std::exception&) {
        return 0;
    }
    const DecodedPicture& first = read.firstFrame;
    FUZZ_CHECK(read.frameCount > 0);
    FUZZ_CHECK(first.depth == 8 && first.width > 0 && first.height > 0);
    if (TooLargeToRoundTrip(first.width, first.height)) return 0;
    TDIB dib;
    dib.Assign(first);
    const std::vector<std::uint8_t> written = WriteGIF(dib);
    const GIFReadResult back = ReadGIF(written.data(), written.size(), FuzzLimits());
    FUZZ_CHECK(back.frameCount == 1);
    FUZZ_CHECK(back.firstFrame.width == first.width && back.firstFrame.height == first.height);
    for (int y = 0; y < first.height; ++y)
        FUZZ_CHECK(std::memcmp(back.firstFrame.row(y), first.row(y),
                               static_cast<std::size_t>(first.width)) == 0);
    const std::size_t colours = std::min<std::size_t>(first.colors.size(), 256);
    for (std::size_t i = 0; i < colours; ++i)
        FUZZ_CHECK(back.firstFrame.colors[i] == first.colors[i]);
    dib.SetPixelFormat(PixelFormat24Bit);
    return 0;
}
