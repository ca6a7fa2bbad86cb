#include "picture/metafile/logical_objects.h"

#include <algorithm>

namespace {

std::int32_t signedField(const ByteReader& r, std::size_t offset, std::size_t field) {
    return field == 2 ? r.i16(offset) : r.i32(offset);
}

std::uint32_t unsignedField(const ByteReader& r, std::size_t offset, std::size_t field) {
    return field == 2 ? r.u16(offset) : r.u32(offset);
}

Colour paletteEntry(const ByteReader& r, std::size_t offset) {
    return makeColour(r.u8(offset), r.u8(offset + 1), r.u8(offset + 2));
}

}  // namespace

std::shared_ptr<PenObject> ReadLogPen(const ByteReader& r, std::size_t offset, std::size_t field) {
    auto pen = std::make_shared<PenObject>();
    pen->style = static_cast<int>(unsignedField(r, offset, field));
    pen->width = signedField(r, offset + field, field);
    pen->color = r.u32(offset + 3 * field);
    return pen;
}

std::shared_ptr<FontObject> ReadLogFont(const ByteReader& r, std::size_t offset,
                                        std::size_t field) {
    auto font = std::make_shared<FontObject>();
    font->height = signedField(r, offset, field);
    font->width = signedField(r, offset + field, field);
    font->escapement = signedField(r, offset + 2 * field, field);
    font->orientation = signedField(r, offset + 3 * field, field);
    font->weight = signedField(r, offset + 4 * field, field);
    const std::size_t flags = offset + 5 * field;
    font->italic = r.u8(flags) != 0;
    font->underline = r.u8(flags + 1) != 0;
    font->strikeOut = r.u8(flags + 2) != 0;
    font->charset = r.u8(flags + 3);
    return font;
}

std::vector<Colour> ReadPaletteEntries(const ByteReader& r, std::size_t offset, std::size_t count) {
    r.requireItems(offset, count, 4);
    std::vector<Colour> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) entries.push_back(paletteEntry(r, offset + 4 * i));
    return entries;
}

void SetPaletteEntries(PaletteObject& palette, std::size_t start, const ByteReader& r,
                       std::size_t offset, std::size_t count) {
    r.requireItems(offset, count, 4);
    const std::size_t size = palette.entries.size();
    for (std::size_t i = 0; i < count; ++i)
        if (start < size && i < size - start)
            palette.entries[start + i] = paletteEntry(r, offset + 4 * i);
}

void ResizePalette(PaletteObject& palette, std::size_t count) {
    palette.entries.resize(std::min<std::size_t>(count, 1024), kBlack);
}

RectI WithinDrawingRange(const RectI& rect) {
    return {std::max(rect.left, -1), std::max(rect.top, -1), std::min(rect.right, 1 << 20),
            std::min(rect.bottom, 1 << 20)};
}
