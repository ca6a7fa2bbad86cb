#include <algorithm>
#include <vector>

#include "picture/gif/gif_lzw.h"
#include "picture/gif/gif_picture.h"

namespace {

constexpr int kMaxSide = 65535;  // the format's 16-bit width and height
constexpr int kTableEntries = 256;
constexpr std::uint8_t kScreenFlags = 0x77;  // no global table, colour resolution 7, size field 7
constexpr std::uint8_t kImageFlags =
    0x87;  // local table of 2^8 entries, not interlaced, not sorted
constexpr int kMinCodeSize = 8;
constexpr std::size_t kMaxSubBlock = 255;

void put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

void CheckGIFSize(int width, int height) {
    if (width > kMaxSide || height > kMaxSide) {
        throw EGIFError("GIF cannot hold a picture of " + std::to_string(width) + " x " +
                        std::to_string(height) + " pixels: at most 65535 pixels a side");
    }
}

std::vector<std::uint8_t> WriteGIF(const TDIB& picture8) {
    BudgetedBytes file(kGifFile);
    WriteGIF(picture8, file);
    return file.take();
}

void WriteGIF(const TDIB& picture8, BudgetedBytes& file) {
    if (picture8.PixelFormat() != PixelFormat8Bit)
        throw EGIFError("GIF: the picture to write must have 8 bits per pixel");
    const int width = picture8.Width();
    const int height = picture8.Height();
    CheckGIFSize(width, height);

    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows[static_cast<std::size_t>(y)] = picture8.ScanLine(y);
    BudgetedBytes codeStream(kGifCodeStream);
    EncodeGifLzw(rows.data(), width, height, codeStream);
    const std::vector<std::uint8_t>& codes = codeStream.bytes();

    // Every byte's room is reserved here; the pushes below stay within it.
    file.reserve(13 + 10 + 3 * kTableEntries + 1 + codes.size() + codes.size() / kMaxSubBlock + 3);
    std::vector<std::uint8_t>& out = file.bytes();
    for (const char c : {'G', 'I', 'F', '8', '7', 'a'}) out.push_back(static_cast<std::uint8_t>(c));
    put16(out, width);
    put16(out, height);
    out.push_back(kScreenFlags);
    out.push_back(0);  // background index
    out.push_back(0);  // aspect ratio

    out.push_back(0x2C);
    put16(out, 0);
    put16(out, 0);
    put16(out, width);
    put16(out, height);
    out.push_back(kImageFlags);

    // The picture's colours, then black up to 256 entries.
    const int used = std::clamp(picture8.ColorsUsed(), 0, kTableEntries);
    const RGBQuad* table = picture8.ColorTable();
    for (int i = 0; i < kTableEntries; ++i) {
        const RGBQuad c = i < used ? table[i] : RGBQuad{};
        out.push_back(c.rgbRed);
        out.push_back(c.rgbGreen);
        out.push_back(c.rgbBlue);
    }

    out.push_back(kMinCodeSize);
    for (std::size_t at = 0; at < codes.size(); at += kMaxSubBlock) {
        const std::size_t length = std::min(kMaxSubBlock, codes.size() - at);
        out.push_back(static_cast<std::uint8_t>(length));
        out.insert(out.end(), codes.begin() + static_cast<std::ptrdiff_t>(at),
                   codes.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    out.push_back(0);
    out.push_back(0x3B);
}
