#pragma once

// Windows metafiles (WMF, with or without the placeable header, and EMF)
// drawn at the metafile's own size onto a 32-bit picture.

#include <cstddef>
#include <cstdint>

#include "picture/decoded_picture.h"

enum class MetafileKind { WMF, EMF };

// Renders the metafile held in `bytes` into `picture` (32 bits per pixel,
// the metafile's own size, white where it draws nothing). Throws
// EInvalidGraphic with a message naming the fault for a damaged or
// unreadable metafile, EOutOfMemory for one too large to hold.
void RenderMetafile(const std::uint8_t* bytes, std::size_t size, MetafileKind kind,
                    DecodedPicture& picture);
