#include "picture/jpeg/jpeg_header.h"

#include <cstring>
#include <istream>
#include <vector>

#include "picture/system/byte_reader.h"
#include "picture/system/file_io.h"

namespace {

constexpr int kOrientationTag = 0x0112;
constexpr int kTypeShort = 3;
constexpr int kTypeLong = 4;
constexpr std::size_t kEntrySize = 12;

// Start-of-frame markers: C0 to CF but DHT (C4), JPG (C8) and DAC (CC).
bool isFrameHeader(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, without a length: TEM, RST0 to RST7 and SOI.
bool standsAlone(int marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

bool readExactly(std::istream& in, std::uint8_t* to, std::size_t count) {
    in.read(reinterpret_cast<char*>(to), static_cast<std::streamsize>(count));
    return static_cast<std::size_t>(in.gcount()) == count;
}

// A TIFF block's numbers in the byte order its header names.
class TiffReader {
public:
    TiffReader(const std::uint8_t* data, std::size_t size, bool littleEndian)
        : bytes_(data, size), little_(littleEndian) {}

    // Callers check that the bytes are there.
    unsigned u16(std::size_t at) const { return little_ ? bytes_.u16(at) : bytes_.u16be(at); }
    std::uint32_t u32(std::size_t at) const { return little_ ? bytes_.u32(at) : bytes_.u32be(at); }
    bool has(std::size_t at, std::size_t count) const { return bytes_.has(at, count); }

private:
    ByteReader bytes_;
    bool little_;
};

}  // namespace

int ExifOrientation(const std::uint8_t* tiff, std::size_t size) {
    if (size < 8) return 1;
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        little = false;
    else
        return 1;
    const TiffReader r(tiff, size, little);
    if (r.u16(2) != 42) return 1;
    const std::size_t directory = r.u32(4);
    if (directory < 8 || !r.has(directory, 2)) return 1;
    const unsigned entries = r.u16(directory);
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + kEntrySize * i;
        if (!r.has(entry, kEntrySize)) return 1;
        if (r.u16(entry) != kOrientationTag) continue;
        // One value, held in the entry itself: a SHORT as the tag's type
        // demands, or a LONG as a few writers store it.
        const unsigned type = r.u16(entry + 2);
        if (r.u32(entry + 4) != 1) return 1;
        std::uint32_t value = 0;
        if (type == kTypeShort)
            value = r.u16(entry + 8);
        else if (type == kTypeLong)
            value = r.u32(entry + 8);
        else
            return 1;
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

std::optional<JpegHeader> ReadJpegHeader(std::istream& in) {
    std::uint8_t start[2];
    if (!readExactly(in, start, 2) || start[0] != 0xFF || start[1] != 0xD8) return std::nullopt;
    JpegHeader header;
    bool exifSeen = false;
    // Every turn consumes bytes, so the walk ends with the stream at the latest.
    while (in.get() == 0xFF) {
        int marker = in.get();
        while (marker == 0xFF) marker = in.get();  // fill bytes
        if (marker == std::char_traits<char>::eof() || marker == 0xD9 || marker == 0xDA) break;
        if (standsAlone(marker)) continue;
        std::uint8_t lengthBytes[2];
        if (!readExactly(in, lengthBytes, 2)) break;
        const std::size_t length = LoadU16BE(lengthBytes);
        if (length < 2) break;
        std::size_t rest = length - 2;
        if (marker == 0xE1 && !exifSeen && rest >= 6) {
            std::vector<std::uint8_t> body(rest);
            if (!readExactly(in, body.data(), rest)) break;
            if (std::memcmp(body.data(), "Exif\0\0", 6) == 0) {
                header.Orientation = ExifOrientation(body.data() + 6, rest - 6);
                exifSeen = true;
            }
            continue;
        }
        if (isFrameHeader(marker) && header.Width == 0) {
            std::uint8_t frame[5];  // sample precision, height, width
            if (rest < sizeof frame || !readExactly(in, frame, sizeof frame)) break;
            header.Height = LoadU16BE(frame + 1);
            header.Width = LoadU16BE(frame + 3);
            if (header.Height == 0) header.Width = 0;  // height given later: not ours to read
            rest -= sizeof frame;
        }
        in.seekg(static_cast<std::streamoff>(rest), std::ios::cur);
        if (!in) break;
    }
    return header;
}

std::optional<JpegHeader> ReadJpegHeaderOfFile(const std::string& fileName) {
    try {
        std::ifstream in = OpenForReading(fileName);
        return ReadJpegHeader(in);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
