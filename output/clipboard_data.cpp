#include "output/clipboard_data.h"

#include "app/window_kit/picture_conversion.h"

namespace {

std::uint32_t readLE32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t readLE16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

void putLE32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> BmpFileFromPackedDIB(const std::vector<std::uint8_t>& packed) {
    if (packed.size() < 40) throw EDIBInvalidDIB("Invalid packed DIB");
    const std::uint32_t headerSize = readLE32(packed, 0);
    const std::uint16_t bitCount = readLE16(packed, 14);
    const std::uint32_t compression = readLE32(packed, 16);
    std::uint32_t colors = readLE32(packed, 32);
    if (colors == 0 && bitCount <= 8) colors = 1u << bitCount;
    std::uint64_t offset = 14ull + headerSize + 4ull * colors;
    if (headerSize == 40 && compression == 3) offset += 12;  // the three masks
    if (offset > 0xFFFFFFFFull || packed.size() > 0xFFFFFFFFull - 14)
        throw EDIBInvalidDIB("Invalid packed DIB");

    std::vector<std::uint8_t> file(14 + packed.size());
    file[0] = 'B';
    file[1] = 'M';
    putLE32(file, 2, static_cast<std::uint32_t>(file.size()));
    putLE32(file, 6, 0);
    putLE32(file, 10, static_cast<std::uint32_t>(offset));
    std::copy(packed.begin(), packed.end(), file.begin() + 14);
    return file;
}

ClipboardPicture ClipboardPictureOf(const TDIB& dib) {
    ClipboardPicture picture;
    picture.BmpFile = BmpFileFromPackedDIB(dib.SaveToClipboardFormat());
    picture.Image = ImageFromDIB(dib);
    return picture;
}
