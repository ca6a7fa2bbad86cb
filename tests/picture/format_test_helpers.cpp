#include "tests/picture/format_test_helpers.h"

#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

#include "picture/jpeg/jpeg_glue.h"
#include "picture/system/file_io.h"

TDIB MakePhotoLike(int width, int height, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    return MakePicture24(width, height, [&](int x, int y) {
        const double fx = static_cast<double>(x) / width, fy = static_cast<double>(y) / height;
        auto channel = [&](double v) {
            const int c = static_cast<int>(v * 255.0) + noise(random);
            return c < 0 ? 0 : c > 255 ? 255 : c;
        };
        const int r = channel(0.5 + 0.5 * std::sin(6.0 * fx + 2.0 * fy));
        const int g = channel(0.5 + 0.5 * std::cos(4.0 * fy - 3.0 * fx * fy));
        const int b = channel(fx * fy);
        return r | (g << 8) | (b << 16);
    });
}

RgbImage ToRgb(const TDIB& dib) {
    TDIB wide(dib);
    wide.SetPixelFormat(PixelFormat24Bit);
    RgbImage image;
    image.width = wide.Width();
    image.height = wide.Height();
    image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    std::uint8_t* out = image.rgb.data();
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = wide.ScanLine(y);
        for (int x = 0; x < image.width; ++x, out += 3) {
            out[0] = row[3 * x + 2];
            out[1] = row[3 * x + 1];
            out[2] = row[3 * x];
        }
    }
    return image;
}

RgbImage ToRgb(const DecodedPicture& picture) {
    TDIB dib;
    dib.Assign(picture);
    return ToRgb(dib);
}

long CountDifferences(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return -1;
    long differences = 0;
    const std::uint8_t* pa = a.rgb.data();
    const std::uint8_t* pb = b.rgb.data();
    for (std::size_t i = 0, n = a.rgb.size(); i < n; ++i) differences += pa[i] != pb[i];
    return differences;
}

std::shared_ptr<const std::vector<std::uint8_t>> SharedBytes(std::vector<std::uint8_t> bytes) {
    return std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
}

std::vector<std::optional<std::vector<std::uint8_t>>> RunPillowScript(
    const std::string& script, const std::vector<std::string>& inputs) {
    TempDir dir;
    std::string command = PillowScriptCommand(script);
    for (std::size_t i = 0; i < inputs.size(); ++i)
        command += " " + ShellQuote(inputs[i]) + " " + ShellQuote(dir.file(std::to_string(i)));
    RunCommand(command);
    std::vector<std::optional<std::vector<std::uint8_t>>> outputs(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (std::ifstream(dir.file(std::to_string(i))).good())
            outputs[i] = ReadWholeFile(dir.file(std::to_string(i)));
    }
    return outputs;
}

std::vector<std::optional<RgbImage>> PillowPngReference(const std::vector<std::string>& paths) {
    std::vector<std::optional<RgbImage>> images;
    for (const auto& bytes : RunPillowScript("pil_png_reference.py", paths))
        images.push_back(bytes ? ParsePillowRecord(*bytes) : std::nullopt);
    return images;
}

std::optional<RgbImage> PillowPngReference(const std::string& path) {
    return PillowPngReference(std::vector<std::string>{path}).front();
}

namespace {
std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}
void putBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}
}  // namespace

std::vector<PngChunk> ParsePngChunks(const std::vector<std::uint8_t>& file) {
    std::vector<PngChunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= file.size()) {
        PngChunk chunk;
        const std::uint32_t length = be32(&file[at]);
        if (at + 12 + length > file.size()) throw std::runtime_error("chunk runs past the file");
        chunk.type.assign(reinterpret_cast<const char*>(&file[at + 4]), 4);
        chunk.data.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                          file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        chunk.crc = be32(&file[at + 8 + length]);
        chunks.push_back(std::move(chunk));
        at += 12 + length;
    }
    if (at != file.size()) throw std::runtime_error("bytes after the last chunk");
    return chunks;
}

PngChunk MakeChunk(const std::string& type, const std::vector<std::uint8_t>& data) {
    PngChunk chunk;
    chunk.type = type;
    chunk.data = data;
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type.data()), 4);
    if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    chunk.crc = static_cast<std::uint32_t>(crc);
    return chunk;
}

std::vector<std::uint8_t> BuildPng(const std::vector<PngChunk>& chunks) {
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    for (const PngChunk& chunk : chunks) {
        putBe32(file, static_cast<std::uint32_t>(chunk.data.size()));
        file.insert(file.end(), chunk.type.begin(), chunk.type.end());
        file.insert(file.end(), chunk.data.begin(), chunk.data.end());
        putBe32(file, chunk.crc);
    }
    return file;
}

std::vector<std::uint8_t> IhdrData(std::uint32_t width, std::uint32_t height, int depth,
                                   int colorType, int interlace) {
    std::vector<std::uint8_t> data;
    putBe32(data, width);
    putBe32(data, height);
    data.push_back(static_cast<std::uint8_t>(depth));
    data.push_back(static_cast<std::uint8_t>(colorType));
    data.push_back(0);
    data.push_back(0);
    data.push_back(static_cast<std::uint8_t>(interlace));
    return data;
}

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& raw, int level) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> out(size);
    if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t>& compressed) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) throw std::runtime_error("inflateInit failed");
    std::vector<std::uint8_t> out;
    std::uint8_t buffer[65536];
    z.next_in = const_cast<Bytef*>(compressed.data());
    z.avail_in = static_cast<uInt>(compressed.size());
    int rc;
    do {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
    } while (rc == Z_OK);
    inflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("inflate failed");
    return out;
}

std::vector<std::uint8_t> EncodeWithLibjpeg(EncodeRequest request) {
    JpegCompressor compressor;
    jpeg_compress_struct& cinfo = compressor.cinfo;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    struct Step {
        jpeg_compress_struct* cinfo;
        EncodeRequest* request;
        unsigned char** buffer;
        unsigned long* size;
    } step{&cinfo, &request, &buffer, &size};
    RunJpegSteps(
        compressor.errors,
        [](void* context) {
            auto* s = static_cast<Step*>(context);
            jpeg_compress_struct* c = s->cinfo;
            EncodeRequest& r = *s->request;
            jpeg_mem_dest(c, s->buffer, s->size);
            c->image_width = static_cast<JDIMENSION>(r.width);
            c->image_height = static_cast<JDIMENSION>(r.height);
            c->input_components = r.components;
            c->in_color_space = r.space;
            jpeg_set_defaults(c);
            jpeg_set_quality(c, r.quality, TRUE);
            if (r.space == JCS_CMYK) jpeg_set_colorspace(c, JCS_CMYK);
            c->write_Adobe_marker = r.adobeMarker ? TRUE : FALSE;
            if (r.progressive) jpeg_simple_progression(c);
            jpeg_start_compress(c, TRUE);
            while (c->next_scanline < c->image_height) {
                JSAMPROW row =
                    &r.samples[static_cast<std::size_t>(c->next_scanline) * r.width * r.components];
                jpeg_write_scanlines(c, &row, 1);
            }
            jpeg_finish_compress(c);
        },
        &step);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    free(buffer);
    return bytes;
}

std::vector<std::uint8_t> SmallProgressiveJpeg() {
    EncodeRequest request;
    request.samples.assign(16 * 16 * 3, 120);
    request.progressive = true;
    return EncodeWithLibjpeg(request);
}

std::vector<std::uint8_t> WithDeclaredSize(std::vector<std::uint8_t> jpeg, int width, int height) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<std::uint8_t>(height);
            jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<std::uint8_t>(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no SOF marker";
    return jpeg;
}

std::vector<std::size_t> ScanStarts(const std::vector<std::uint8_t>& jpeg) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) starts.push_back(i);
    return starts;
}

std::vector<std::uint8_t> WithGarbageScans(std::vector<std::uint8_t> jpeg, int count) {
    const std::vector<std::size_t> scans = ScanStarts(jpeg);
    if (scans.empty() || jpeg.size() < 4) {
        ADD_FAILURE() << "no scan";
        return jpeg;
    }
    const std::size_t headerEnd = scans[0] + 2 + ((jpeg[scans[0] + 2] << 8) | jpeg[scans[0] + 3]);
    std::vector<std::uint8_t> scan(jpeg.begin() + static_cast<std::ptrdiff_t>(scans[0]),
                                   jpeg.begin() + static_cast<std::ptrdiff_t>(headerEnd));
    scan.insert(scan.end(), 32, 0xFE);
    jpeg.resize(jpeg.size() - 2);  // the end-of-image marker, put back below
    for (int i = 0; i < count; ++i) jpeg.insert(jpeg.end(), scan.begin(), scan.end());
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

std::vector<std::uint8_t> WithSegmentBeforeSecondScan(std::vector<std::uint8_t> jpeg,
                                                      const std::vector<std::uint8_t>& segment) {
    const std::vector<std::size_t> scans = ScanStarts(jpeg);
    if (scans.size() < 2) {
        ADD_FAILURE() << "fewer than two scans";
        return jpeg;
    }
    jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(scans[1]), segment.begin(),
                segment.end());
    return jpeg;
}
