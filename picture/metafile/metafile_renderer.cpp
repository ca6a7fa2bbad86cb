#include "picture/metafile/metafile_renderer.h"

#include "picture/errors.h"

// Placeholder until the renderer lands: every metafile is refused, so the
// loader chain goes on to the next reader.
void RenderMetafile(const std::uint8_t*, std::size_t, MetafileKind, DecodedPicture&) {
    throw EInvalidGraphic("Metafile rendering is not available");
}
