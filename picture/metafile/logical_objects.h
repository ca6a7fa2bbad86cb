#pragma once

// The logical pens, fonts and palettes as the records of both metafile kinds
// carry them. The 16-bit kind (WMF) and the enhanced kind (EMF) lay their
// fields out in the same order; WMF's integers are 2 bytes wide where EMF's
// are 4, which `field` gives. Colours and palette entries are the same in
// both. Every read is bounds-checked by the ByteReader.

#include <cstddef>
#include <memory>
#include <vector>

#include "picture/metafile/gdi_objects.h"
#include "picture/system/byte_reader.h"

// A logical pen at `offset`: style, width (the x of a point; its y is
// unused), colour.
std::shared_ptr<PenObject> ReadLogPen(const ByteReader& r, std::size_t offset, std::size_t field);

// A logical font at `offset`: height, width, escapement, orientation and
// weight, then the italic, underline, strike-out and character set bytes.
// The face name after them is left to the caller, which knows its encoding.
std::shared_ptr<FontObject> ReadLogFont(const ByteReader& r, std::size_t offset, std::size_t field);

// `count` palette entries (red, green, blue, flags) from `offset`.
std::vector<Colour> ReadPaletteEntries(const ByteReader& r, std::size_t offset, std::size_t count);

// Replaces the entries from `start` on with `count` entries read from
// `offset`; those that would fall past the palette's end are dropped.
void SetPaletteEntries(PaletteObject& palette, std::size_t start, const ByteReader& r,
                       std::size_t offset, std::size_t count);

// A palette's new entry count, at most 1024; new entries are black.
void ResizePalette(PaletteObject& palette, std::size_t count);

// A region's rectangle in picture pixels, cut to the range drawing can
// reach (a pixel beyond the top-left corner, 2^20 to the bottom right), so
// a damaged rectangle cannot make a region of absurd size.
RectI WithinDrawingRange(const RectI& rect);
