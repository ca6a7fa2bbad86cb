#include "app/window_kit/picture_conversion.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "picture/size_limits.h"

TDIB PlainDIB(const TDIB& dib) {
    // RLE rows have no fixed place: they are decoded first. Every other
    // picture is read where it lies, without a copy.
    TDIB plain(dib);
    const TDIBPixelFormat format = dib.PixelFormat();
    if (format == PixelFormat4BitRLE || format == PixelFormat8BitRLE) {
        DecodedPicture decoded;
        dib.AssignTo(decoded);
        plain.Assign(std::move(decoded));
    }
    if (plain.BitsSize() / plain.Stride() < static_cast<std::size_t>(plain.Height()))
        throw EDIBInvalidDIB("TInternalDIB.LoadFromStream: Pixel data is shorter than the image");
    return plain;
}

void DrawDIBArea(const TDIB& plain, const QRect& area, QImage& out) {
    const RGBQuad* table = plain.ColorTable();
    const int colors = std::clamp(plain.ColorsUsed(), 0, 256);
    // Entries beyond the colours used were never filled: black.
    const auto colorAt = [table, colors](int index) -> QRgb {
        if (index >= colors) return qRgb(0, 0, 0);
        const RGBQuad& c = table[index];
        return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
    };
    const int depth = plain.Header().biBitCount;
    const int left = area.left(), width = area.width();
    for (int row = 0; row < area.height(); ++row) {
        const std::uint8_t* in = plain.ScanLine(area.top() + row);
        auto* px = reinterpret_cast<QRgb*>(out.scanLine(row));
        switch (depth) {
            case 24:
                for (int i = 0; i < width; ++i) {
                    const std::uint8_t* p = in + 3 * static_cast<std::size_t>(left + i);
                    px[i] = qRgb(p[2], p[1], p[0]);
                }
                break;
            case 8:
                for (int i = 0; i < width; ++i) px[i] = colorAt(in[left + i]);
                break;
            case 4:
                for (int i = 0, x = left; i < width; ++i, ++x)
                    px[i] = colorAt((x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4));
                break;
            default:  // 1 bit
                for (int i = 0, x = left; i < width; ++i, ++x)
                    px[i] = colorAt((in[x >> 3] >> (7 - (x & 7))) & 1);
                break;
        }
    }
}

QImage ImageFromDIB(const TDIB& dib, MemoryReservation* keep) {
    const TDIB plain = PlainDIB(dib);
    const int width = plain.Width();
    const int height = plain.Height();
    MemoryReservation memory =
        ReserveMemory(4 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                      DescribePicture(width, height, "View of a picture"));
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) throw EOutOfMemory();
    memory.markTaken();
    DrawDIBArea(plain, QRect(0, 0, width, height), image);
    if (keep) *keep = std::move(memory);
    return image;
}

DecodedPicture DecodedFromImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    DecodedPicture picture;
    picture.allocate(rgb.width(), rgb.height(), 24);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        std::uint8_t* out = picture.row(y);
        for (int x = 0; x < rgb.width(); ++x, out += 3) {
            out[0] = static_cast<std::uint8_t>(qBlue(in[x]));
            out[1] = static_cast<std::uint8_t>(qGreen(in[x]));
            out[2] = static_cast<std::uint8_t>(qRed(in[x]));
        }
    }
    return picture;
}

std::vector<std::uint8_t> PackedDIBFromImage(const QImage& image) {
    TDIB dib;
    dib.Assign(DecodedFromImage(image));
    return dib.SaveToClipboardFormat();
}
