#pragma once

// Tiny files whose headers declare pictures of any size: what a damaged or
// hostile file looks like to a reader. Each is a well-formed file of its
// format, so a reader that has the memory loads it (black, or white for the
// metafiles) and one that has not must refuse it.

#include <cstdint>
#include <vector>

using FileBytes = std::vector<std::uint8_t>;

// A GIF whose logical screen is width x height, holding one 1 x 1 frame.
FileBytes GifDeclaring(int width, int height);

// An 8-bit RLE BMP of width x height whose pixel data is only the
// end-of-bitmap escape.
FileBytes RleBmpDeclaring(int width, int height);

// A placeable WMF of width x height pixels (at 96 units per inch, so at
// most 32767 each way) drawing one rectangle.
FileBytes WmfDeclaring(int width, int height);

// An EMF whose frame is width x height pixels at 96 dpi, drawing one rectangle.
FileBytes EmfDeclaring(int width, int height);

// A greyscale PNG of width x height whose image data stops after a few rows.
FileBytes PngDeclaring(int width, int height);
