#pragma once

// What a copy puts on the clipboard for a pixel buffer: its packed DIB as a
// BMP file (the packed DIB behind a 14-byte file header), so that programs
// that read "image/bmp" get the pixels as they are, and the picture as an
// image for the others.

#include <cstdint>
#include <vector>

#include "app/window_kit/platform.h"
#include "picture/dib.h"

// The 14-byte file header put in front of a packed DIB; the offset of the
// pixels follows from the DIB's header, masks and colour table.
std::vector<std::uint8_t> BmpFileFromPackedDIB(const std::vector<std::uint8_t>& packed);

ClipboardPicture ClipboardPictureOf(const TDIB& dib);
