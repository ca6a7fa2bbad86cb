#include "app/picture_conversion.h"

#include <cstring>

QImage ImageFromDIB(const TDIB& dib) {
    DecodedPicture picture;
    dib.AssignTo(picture);
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    if (image.isNull()) throw EOutOfMemory();
    const auto colorAt = [&picture](int index) -> QRgb {
        if (index < 0 || index >= static_cast<int>(picture.colors.size())) return qRgb(0, 0, 0);
        const RGBQuad& c = picture.colors[static_cast<std::size_t>(index)];
        return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
    };
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* in = picture.row(y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        switch (picture.depth) {
            case 24:
                for (int x = 0; x < picture.width; ++x, in += 3) out[x] = qRgb(in[2], in[1], in[0]);
                break;
            case 32:
                for (int x = 0; x < picture.width; ++x, in += 4) out[x] = qRgb(in[2], in[1], in[0]);
                break;
            case 8:
                for (int x = 0; x < picture.width; ++x) out[x] = colorAt(in[x]);
                break;
            case 4:
                for (int x = 0; x < picture.width; ++x)
                    out[x] = colorAt((x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4));
                break;
            case 1:
                for (int x = 0; x < picture.width; ++x)
                    out[x] = colorAt((in[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            default: {  // 16 bits, 5-5-5
                const auto* in16 = reinterpret_cast<const std::uint16_t*>(in);
                for (int x = 0; x < picture.width; ++x) {
                    const int v = in16[x];
                    out[x] = qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31,
                                  (v & 31) * 255 / 31);
                }
            }
        }
    }
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
