// The pixel buffer's own readers on any bytes: a BMP file and a packed DIB
// of the clipboard. What they read is widened to 24 bits and written again.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "picture/dib.h"
#include "picture/system/memory_stream.h"

namespace {

void widenAndWrite(TDIB& dib) {
    if (TooLargeToRoundTrip(dib.Width(), dib.Height())) return;
    dib.SetPixelFormat(PixelFormat24Bit);
    std::ostringstream out;
    dib.SaveToStream(out);
    (void)dib.SaveToClipboardFormat();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        TDIB dib;
        MemoryInputStream in(data, size);
        dib.LoadFromStream(in, FuzzLimits());
        widenAndWrite(dib);
    } catch (const std::exception&) {
    }
    try {
        TDIB dib;
        const std::vector<std::uint8_t> block(data, data + size);
        dib.LoadFromClipboardFormat(kClipboardFormatDIB, &block);
        widenAndWrite(dib);
    } catch (const std::exception&) {
    }
    return 0;
}
