#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "picture/errors.h"
#include "picture/file_fault.h"
#include "picture/gif/gif_lzw.h"
#include "picture/gif/gif_picture.h"
#include "picture/system/budgeted_bytes.h"
#include "picture/system/byte_reader.h"

namespace {

constexpr std::uint8_t kImageBlock = 0x2C;
constexpr std::uint8_t kExtensionBlock = 0x21;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kGraphicControl = 0xF9;

bool signatureAt(const std::uint8_t* data, std::size_t size, std::size_t at) {
    if (size < at + 3) return false;
    return std::tolower(data[at]) == 'g' && std::tolower(data[at + 1]) == 'i' &&
           std::tolower(data[at + 2]) == 'f';
}

std::vector<RGBQuad> readColorTable(ByteReader& in, int sizeField) {
    const std::size_t count = std::size_t{1} << (sizeField + 1);
    const std::uint8_t* rgb = in.take(count * 3);
    std::vector<RGBQuad> table(count);
    for (std::size_t i = 0; i < count; ++i)
        table[i] = RGBQuad{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i], 0};
    return table;
}

// Data sub-blocks up to the terminating empty block, joined when `into` is
// given, skipped otherwise.
void readSubBlocks(ByteReader& in, std::vector<std::uint8_t>* into) {
    for (;;) {
        const std::uint8_t length = in.u8();
        if (length == 0) return;
        const std::uint8_t* block = in.take(length);
        if (into) into->insert(into->end(), block, block + length);
    }
}

// The bytes of the data sub-blocks that start at `in`'s cursor (a copy:
// the caller's reader does not move). Fails as reading them would.
std::size_t subBlocksLength(ByteReader in) {
    std::size_t total = 0;
    for (;;) {
        const std::uint8_t length = in.u8();
        if (length == 0) return total;
        in.skip(length);
        total += length;
    }
}

// A frame's row index in file order to its row in the picture: interlaced
// frames store every 8th row from 0, every 8th from 4, every 4th from 2,
// then every 2nd from 1.
class InterlacedRows {
public:
    explicit InterlacedRows(int height) {
        static const int kStart[4] = {0, 4, 2, 1};
        static const int kStep[4] = {8, 8, 4, 2};
        order_.reserve(static_cast<std::size_t>(height));
        for (int pass = 0; pass < 4; ++pass)
            for (int y = kStart[pass]; y < height; y += kStep[pass]) order_.push_back(y);
    }
    int operator[](int i) const { return order_[static_cast<std::size_t>(i)]; }

private:
    std::vector<int> order_;
};

struct ImageDescriptor {
    int left, top, width, height;
    bool interlaced;
};

struct Transparency {
    bool set = false;
    std::uint8_t index = 0;
};

// Draws the first frame into a new picture, as the file header describes.
DecodedPicture decodeFirstFrame(const std::vector<std::uint8_t>& codes, int minCodeSize,
                                const ImageDescriptor& image, int screenWidth, int screenHeight,
                                std::vector<RGBQuad> colors, Transparency transparency,
                                const ReaderLimits& limits) {
    const bool wholeScreen = image.width == screenWidth && image.height == screenHeight;
    const int width = wholeScreen ? image.width : screenWidth;
    const int height = wholeScreen ? image.height : screenHeight;
    if (width <= 0 || height <= 0) {
        throw WithFault(EGIFError("Invalid GIF image size"),
                        "GIF: a picture of " + std::to_string(width) + " x " +
                            std::to_string(height) + " pixels");
    }
    checkDeclaredPictureSize(width, height, limits, 8);

    DecodedPicture picture;
    picture.allocate(width, height, 8);
    picture.colors = std::move(colors);

    const bool interlaced = image.interlaced && image.height > 1;
    const InterlacedRows interlace(interlaced ? image.height : 0);
    const int left = wholeScreen ? 0 : image.left;
    const int top = wholeScreen ? 0 : image.top;
    // The part of each frame row that lands on the picture.
    const int firstX = std::max(0, -left);
    const int endX = std::min(image.width, width - left);
    const bool skipTransparent = !wholeScreen && transparency.set;

    auto placeRow = [&](int fileRow, const std::uint8_t* pixels, int count) {
        const int y = top + (interlaced ? interlace[fileRow] : fileRow);
        const int end = std::min(endX, count);
        if (y < 0 || y >= height || firstX >= end) return;
        std::uint8_t* out = picture.row(y);
        if (!skipTransparent) {
            std::memcpy(out + (left + firstX), pixels + firstX,
                        static_cast<std::size_t>(end - firstX));
            return;
        }
        for (int x = firstX; x < end; ++x)
            if (pixels[x] != transparency.index) out[left + x] = pixels[x];
    };
    DecodeGifLzw(codes.data(), codes.size(), minCodeSize, image.width, image.height, placeRow);
    return picture;
}

// Frames without a colour table of their own or a global one are shown in
// greys, index i as grey level i.
std::vector<RGBQuad> greyRamp() {
    std::vector<RGBQuad> table(256);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        table[static_cast<std::size_t>(i)] = RGBQuad{v, v, v, 0};
    }
    return table;
}

}  // namespace

bool GIFHasSignature(const std::uint8_t* data, std::size_t size) {
    return signatureAt(data, size, 0) || signatureAt(data, size, 4);
}

namespace {

// The blocks after the signature; `reading` tells the caller which block a
// short read fell into.
GIFReadResult readBlocks(const std::uint8_t* data, std::size_t size, const ReaderLimits& limits,
                         const char*& reading) {
    const std::size_t start = signatureAt(data, size, 0) ? 0 : 4;
    ByteReader in(data + start, size - start);
    reading = "its logical screen descriptor";
    in.skip(6);  // signature and version
    const int screenWidth = in.u16le();
    const int screenHeight = in.u16le();
    const std::uint8_t screenFlags = in.u8();
    in.skip(2);  // background index, aspect ratio
    std::vector<RGBQuad> globalTable;
    reading = "its global colour table";
    if (screenFlags & 0x80) globalTable = readColorTable(in, screenFlags & 0x07);

    GIFReadResult result;
    Transparency pending;
    while (!in.atEnd()) {
        const std::uint8_t block = in.u8();
        if (block == 0) continue;
        if (block == kTrailer) break;
        if (block == kExtensionBlock) {
            reading = "an extension block";
            const std::uint8_t label = in.u8();
            if (label == kGraphicControl) {
                // Only the first sub-block carries the fields; it applies to
                // the next image.
                const std::uint8_t length = in.u8();
                if (length == 0) continue;
                const std::uint8_t* fields = in.take(length);
                if (length >= 4) {
                    pending.set = (fields[0] & 0x01) != 0;
                    pending.index = fields[3];
                }
            }
            readSubBlocks(in, nullptr);
            continue;
        }
        if (block != kImageBlock) break;  // not a block we know: keep what was read

        reading = "an image descriptor";
        ImageDescriptor image;
        image.left = in.u16le();
        image.top = in.u16le();
        image.width = in.u16le();
        image.height = in.u16le();
        const std::uint8_t flags = in.u8();
        image.interlaced = (flags & 0x40) != 0;
        std::vector<RGBQuad> localTable;
        reading = "a local colour table";
        if (flags & 0x80) localTable = readColorTable(in, flags & 0x07);
        reading = "the image data";
        const int minCodeSize = in.u8();
        if (result.frameCount == 0) {
            BudgetedBytes data("The GIF image data");
            data.reserve(subBlocksLength(in));
            readSubBlocks(in, &data.bytes());
            const std::vector<std::uint8_t>& codes = data.bytes();
            std::vector<RGBQuad> colors = !localTable.empty()    ? std::move(localTable)
                                          : !globalTable.empty() ? globalTable
                                                                 : greyRamp();
            result.firstFrame = decodeFirstFrame(codes, minCodeSize, image, screenWidth,
                                                 screenHeight, std::move(colors), pending, limits);
        } else {
            readSubBlocks(in, nullptr);
        }
        ++result.frameCount;
        pending = Transparency();
    }
    if (result.frameCount == 0)
        throw WithFault(EGIFError("GIF file holds no image"), "GIF: the file holds no image");
    return result;
}

}  // namespace

GIFReadResult ReadGIF(const std::uint8_t* data, std::size_t size, const ReaderLimits& limits) {
    if (!GIFHasSignature(data, size))
        throw WithFault(EGIFError("Invalid GIF signature"), "GIF: no GIF signature");
    const char* reading = "its header";
    try {
        return readBlocks(data, size, limits, reading);
    } catch (const EReadError&) {
        throw WithFault(EReadError(), std::string("GIF: the file ends inside ") + reading);
    }
}
