#include <zlib.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <vector>

#include "picture/errors.h"
#include "picture/png/png_picture.h"
#include "picture/png/png_row_writer.h"

namespace {

const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::size_t kIdatSize = 32768;
constexpr int kLevel = 6;
constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;

void put32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

void writeBytes(std::ostream& out, const std::uint8_t* data, std::size_t size) {
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) throw EWriteError();
}

// Length, type, data, and the CRC-32 of type and data.
void writeChunk(std::ostream& out, const char* type, const std::uint8_t* data, std::size_t size) {
    std::uint8_t head[8];
    put32(head, static_cast<std::uint32_t>(size));
    std::copy(type, type + 4, head + 4);
    uLong crc = crc32(0L, head + 4, 4);
    if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
    std::uint8_t tail[4];
    put32(tail, static_cast<std::uint32_t>(crc));
    writeBytes(out, head, 8);
    if (size > 0) writeBytes(out, data, size);
    writeBytes(out, tail, 4);
}

// A deflate stream with the PNG settings, ended with the object.
class Deflater {
public:
    Deflater() {
        const int rc =
            deflateInit2(&z_, kLevel, Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
        if (rc == Z_MEM_ERROR) throw EOutOfMemory();
        if (rc != Z_OK) throw EPNGError("Zlib error");
    }
    ~Deflater() { deflateEnd(&z_); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    z_stream& stream() { return z_; }

private:
    z_stream z_{};
};

// Compresses rows into a 32768-byte buffer and writes an IDAT chunk each
// time it fills, so the compressed picture is never held whole.
class IdatWriter {
public:
    explicit IdatWriter(std::ostream& out) : out_(out) { resetOutput(); }

    void row(const std::uint8_t* data, std::size_t size) {
        z_stream& z = deflater_.stream();
        z.next_in = const_cast<Bytef*>(data);
        z.avail_in = static_cast<uInt>(size);
        while (z.avail_in > 0) {
            if (deflate(&z, Z_NO_FLUSH) == Z_STREAM_ERROR) throw EPNGError("ZLIB Error");
            if (z.avail_out == 0) emitFull();
        }
    }

    void finish() {
        z_stream& z = deflater_.stream();
        for (;;) {
            const int rc = deflate(&z, Z_FINISH);
            if (rc == Z_STREAM_END) break;
            if (rc != Z_OK && rc != Z_BUF_ERROR) throw EPNGError("ZLIB error");
            if (z.avail_out == 0) emitFull();
        }
        const std::size_t pending = kIdatSize - z.avail_out;
        if (pending > 0 || !wroteAny_) writeChunk(out_, "IDAT", buffer_.data(), pending);
    }

private:
    void emitFull() {
        writeChunk(out_, "IDAT", buffer_.data(), kIdatSize);
        wroteAny_ = true;
        resetOutput();
    }
    void resetOutput() {
        deflater_.stream().next_out = buffer_.data();
        deflater_.stream().avail_out = static_cast<uInt>(kIdatSize);
    }

    std::ostream& out_;
    Deflater deflater_;
    std::array<std::uint8_t, kIdatSize> buffer_{};
    bool wroteAny_ = false;
};

}  // namespace

class PngRowWriter::Idat : public IdatWriter {
public:
    using IdatWriter::IdatWriter;
};

PngRowWriter::PngRowWriter(std::ostream& out, int width, int height, int bitCount,
                           const RGBQuad* colors, int colorCount)
    : out_(out), width_(width), height_(height), bitCount_(bitCount) {
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)
        throw EPNGError("not support BitCount");
    const bool truecolour = bitCount == 24;
    colorCount = std::clamp(colorCount, 0, 256);
    if (!truecolour && colorCount == 0) throw EPNGError("no colortable");

    writeBytes(out, kSignature, sizeof kSignature);
    std::uint8_t ihdr[13];
    put32(ihdr, static_cast<std::uint32_t>(width));
    put32(ihdr + 4, static_cast<std::uint32_t>(height));
    ihdr[8] = static_cast<std::uint8_t>(truecolour ? 8 : bitCount);
    ihdr[9] = truecolour ? 2 : 3;
    ihdr[10] = ihdr[11] = ihdr[12] = 0;
    writeChunk(out, "IHDR", ihdr, sizeof ihdr);

    if (colorCount > 0) {
        std::vector<std::uint8_t> plte(static_cast<std::size_t>(colorCount) * 3);
        for (int i = 0; i < colorCount; ++i) {
            plte[3 * i] = colors[i].rgbRed;
            plte[3 * i + 1] = colors[i].rgbGreen;
            plte[3 * i + 2] = colors[i].rgbBlue;
        }
        writeChunk(out, "PLTE", plte.data(), plte.size());
    }
    idat_ = std::make_unique<Idat>(out);
    row_ = std::make_unique<std::uint8_t[]>(rowBytes() + 1);
    row_[0] = 0;  // filter type None on every row
}

PngRowWriter::~PngRowWriter() = default;

std::size_t PngRowWriter::rowBytes() const {
    return (static_cast<std::size_t>(width_) * static_cast<std::size_t>(bitCount_) + 7) / 8;
}

void PngRowWriter::WriteRow(const std::uint8_t* src) {
    if (rowsWritten_ >= height_) throw EPNGError("PNG: rows past the picture");
    const std::size_t bytes = rowBytes();
    std::uint8_t* dst = row_.get() + 1;
    if (bitCount_ == 24) {
        for (int x = 0; x < width_; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    } else {
        std::copy(src, src + bytes, dst);
        // The bits after the last pixel are the row's padding: write zeros.
        const unsigned spareBits = static_cast<unsigned>(
            bytes * 8 - static_cast<std::size_t>(width_) * static_cast<std::size_t>(bitCount_));
        if (spareBits)
            dst[bytes - 1] = static_cast<std::uint8_t>(dst[bytes - 1] & (0xFF << spareBits));
    }
    idat_->row(row_.get(), bytes + 1);
    ++rowsWritten_;
}

void PngRowWriter::Finish() {
    if (rowsWritten_ != height_) throw EPNGError("PNG: finished before the last row");
    idat_->finish();
    writeChunk(out_, "IEND", nullptr, 0);
}

void WritePNG(const TDIB& picture, std::ostream& out) {
    const BitmapInfoHeader& info = picture.Header();
    if (info.biCompression != 0) throw EPNGError("not support BitCount");
    PngRowWriter writer(out, picture.Width(), picture.Height(), info.biBitCount,
                        picture.ColorTable(), picture.ColorsUsed());
    for (int y = 0; y < picture.Height(); ++y) writer.WriteRow(picture.ScanLine(y));
    writer.Finish();
}
