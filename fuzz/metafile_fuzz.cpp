// libFuzzer harness for the metafile renderer: every input is offered as a
// WMF and, when it carries the EMF signature, as an EMF. Pictures the
// renderer would draw larger than a few million pixels are measured but not
// drawn, so the fuzzer spends its time in the records, not in filling white.
// Seed it with shared/testdata/metafile.

#include <cstddef>
#include <cstdint>
#include <exception>

#include "picture/metafile/metafile_renderer.h"

static void tryKind(const std::uint8_t* data, std::size_t size, MetafileKind kind) {
    try {
        const MetafileSize measured = MeasureMetafile(data, size, kind);
        if (measured.width * measured.height > 4'000'000) return;
        DecodedPicture picture;
        RenderMetafile(data, size, kind, picture);
    } catch (const std::exception&) {
        // Refusals are the expected outcome for most inputs.
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool emf =
        size >= 44 && data[40] == ' ' && data[41] == 'E' && data[42] == 'M' && data[43] == 'F';
    tryKind(data, size, emf ? MetafileKind::EMF : MetafileKind::WMF);
    return 0;
}

// fontconfig keeps its configuration for the life of the process; that is
// not a leak of the renderer.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
