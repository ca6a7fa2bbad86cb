#include "picture/picture_row_writer.h"

#include <algorithm>
#include <stdexcept>

#include "picture/bmp/bmp_format.h"
#include "picture/jpeg/jpeg_row_encoder.h"
#include "picture/png/png_row_writer.h"
#include "picture/size_limits.h"

namespace {

constexpr std::size_t kBmpWriteBytes = 1 << 18;

int heightOf(const BitmapInfoHeader& header) {
    return header.biHeight < 0 ? -header.biHeight : header.biHeight;
}

class JpegRows : public PictureRowWriter {
public:
    JpegRows(const BitmapInfoHeader& header, std::ostream& out)
        : encoder_(header.biWidth, heightOf(header), out) {}
    void WriteRow(const std::uint8_t* row) override { encoder_.WriteRows(&row, 1); }
    void Finish() override { encoder_.Finish(); }

private:
    JpegRowEncoder encoder_;
};

class PngRows : public PictureRowWriter {
public:
    PngRows(const BitmapInfoHeader& header, const RGBQuad* colorTable, std::ostream& out)
        : writer_(out, header.biWidth, heightOf(header), 24, colorTable,
                  static_cast<int>(std::min<std::uint32_t>(header.biClrUsed, 256))) {}
    void WriteRow(const std::uint8_t* row) override { writer_.WriteRow(row); }
    void Finish() override { writer_.Finish(); }

private:
    PngRowWriter writer_;
};

class BmpRows : public PictureRowWriter {
public:
    BmpRows(const BitmapInfoHeader& header, const RGBQuad* colorTable, bool rowsTopFirst,
            std::ostream& out, int rowsPerWrite)
        : writer_(out, header, colorTable, rowsTopFirst, rowsPerWrite) {}
    void WriteRow(const std::uint8_t* row) override { writer_.WriteRow(row); }
    void Finish() override { writer_.Finish(); }

private:
    BmpRowWriter writer_;
};

}  // namespace

bool CanWriteRows(PictureFileType type, bool rowsTopFirst) {
    switch (type) {
        case PictureFileType::JPEG:
        case PictureFileType::PNG:
            return rowsTopFirst;
        case PictureFileType::BMP:
            return true;
        case PictureFileType::GIF:
            return false;
    }
    return false;
}

std::unique_ptr<PictureRowWriter> OpenPictureRowWriter(PictureFileType type,
                                                       const BitmapInfoHeader& header,
                                                       const RGBQuad* colorTable, bool rowsTopFirst,
                                                       std::ostream& out, int rowsPerWrite) {
    if (!CanWriteRows(type, rowsTopFirst))
        throw std::invalid_argument("OpenPictureRowWriter: this type cannot be written row by row");
    if (header.biBitCount != 24 || header.biCompression != 0)
        throw std::invalid_argument("OpenPictureRowWriter: rows of 24 bits only");
    switch (type) {
        case PictureFileType::JPEG:
            return std::make_unique<JpegRows>(header, out);
        case PictureFileType::PNG:
            return std::make_unique<PngRows>(header, colorTable, out);
        default: {
            if (rowsPerWrite <= 0) {
                const std::size_t stride = std::max<std::size_t>(dibStride(header.biWidth, 24), 1);
                rowsPerWrite =
                    static_cast<int>(std::clamp<std::size_t>(kBmpWriteBytes / stride, 1, 4096));
            }
            return std::make_unique<BmpRows>(header, colorTable, rowsTopFirst, out, rowsPerWrite);
        }
    }
}
