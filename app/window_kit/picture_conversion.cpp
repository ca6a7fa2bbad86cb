#include "app/window_kit/picture_conversion.h"

#include <algorithm>
#include <cstring>

#include "picture/size_limits.h"

QImage ImageFromDIB(const TDIB& dib, MemoryReservation* keep) {
    // RLE rows have no fixed place: they are decoded first. Every other
    // picture is read where it lies, without a copy.
    TDIB plain(dib);
    const TDIBPixelFormat format = dib.PixelFormat();
    if (format == PixelFormat4BitRLE || format == PixelFormat8BitRLE) {
        DecodedPicture decoded;
        dib.AssignTo(decoded);
        plain.Assign(std::move(decoded));
    }
    const int width = plain.Width();
    const int height = plain.Height();
    if (plain.BitsSize() / plain.Stride() < static_cast<std::size_t>(height))
        throw EDIBInvalidDIB("TInternalDIB.LoadFromStream: Pixel data is shorter than the image");

    MemoryReservation memory =
        ReserveMemory(4 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                      DescribePicture(width, height, "View of a picture"));
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) throw EOutOfMemory();
    memory.markTaken();

    const RGBQuad* table = plain.ColorTable();
    const int colors = std::clamp(plain.ColorsUsed(), 0, 256);
    // Entries beyond the colours used were never filled: black.
    const auto colorAt = [table, colors](int index) -> QRgb {
        if (index >= colors) return qRgb(0, 0, 0);
        const RGBQuad& c = table[index];
        return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
    };
    const int depth = plain.Header().biBitCount;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = plain.ScanLine(y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        switch (depth) {
            case 24:
                for (int x = 0; x < width; ++x, in += 3) out[x] = qRgb(in[2], in[1], in[0]);
                break;
            case 8:
                for (int x = 0; x < width; ++x) out[x] = colorAt(in[x]);
                break;
            case 4:
                for (int x = 0; x < width; ++x)
                    out[x] = colorAt((x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4));
                break;
            default:  // 1 bit
                for (int x = 0; x < width; ++x) out[x] = colorAt((in[x >> 3] >> (7 - (x & 7))) & 1);
                break;
        }
    }
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
