// The whole loader chain on any bytes, named as a metafile or not by the
// first byte. Whatever it takes must come out as a 24-bit picture; whatever
// it refuses must leave the target alone.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "picture/picture_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* name = size > 0 && (data[0] & 1) ? "fuzz.wmf" : "fuzz.bin";
    auto bytes = std::make_shared<const std::vector<std::uint8_t>>(data, data + size);
    TDIB before;
    TDIB target(before);
    if (LoadPictureBytes(bytes, name, target, FuzzLimits())) {
        FUZZ_CHECK(target.PixelFormat() == PixelFormat24Bit);
        FUZZ_CHECK(target.Width() > 0 && target.Height() > 0);
    } else {
        FUZZ_CHECK(target.SharesStoreWith(before));
    }
    return 0;
}

// Metafiles go through the renderer's text, and fontconfig keeps its
// configuration for the life of the process; that is not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
