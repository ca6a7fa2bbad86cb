#pragma once

// Windows metafiles (WMF, with or without the placeable header, and EMF)
// drawn at the metafile's own size onto a 32-bit picture.

#include <cstddef>
#include <cstdint>

#include "picture/decoded_picture.h"
#include "picture/reader_limits.h"

enum class MetafileKind { WMF, EMF };

struct MetafileSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// The size in pixels RenderMetafile draws the metafile at, read from its
// headers (and, for a WMF without the placeable header, its records)
// without drawing: a placeable WMF's bounds in its units per inch at 96 dpi;
// a WMF without that header the window it sets, in twips unless its
// mapping mode says otherwise, or else the box its drawing spans, in
// pixels; an EMF its frame (hundredths of a millimetre) at 96 dpi. Throws
// as RenderMetafile does for a damaged header.
MetafileSize MeasureMetafile(const std::uint8_t* bytes, std::size_t size, MetafileKind kind);

// Renders the metafile held in `bytes` into `picture` (32 bits per pixel,
// the metafile's own size, white where it draws nothing). Throws
// EInvalidGraphic with a message naming the fault for a damaged or
// unreadable metafile, EOutOfMemory for one too large to hold or beyond
// `limits`.
void RenderMetafile(const std::uint8_t* bytes, std::size_t size, MetafileKind kind,
                    DecodedPicture& picture, const ReaderLimits& limits = ReaderLimits());
