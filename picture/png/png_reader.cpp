#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "picture/errors.h"
#include "picture/file_fault.h"
#include "picture/png/png_picture.h"
#include "picture/system/byte_reader.h"
#include "picture/system/memory_budget.h"

namespace {

const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool isType(const std::uint8_t* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

enum ColorBase { kGrey = 0, kTruecolour = 2, kIndexed = 3 };

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int depth = 0;
    int base = kGrey;  // colour type without its alpha bit
    bool alpha = false;
    bool interlaced = false;

    int channels() const {
        const int colour = base == kTruecolour ? 3 : 1;
        return colour + (alpha ? 1 : 0);
    }
    // Depth of the picture handed to the pixel buffer.
    int pictureDepth() const {
        if (base == kTruecolour || alpha) return 24;
        if (depth == 16) return 8;
        if (depth == 2) return 4;
        return depth;
    }
};

// "chunk IDAT", or a chunk whose type is no name at all.
std::string chunkName(const std::uint8_t* type) {
    for (int i = 0; i < 4; ++i)
        if (!std::isalpha(type[i])) return "a chunk of no known type";
    return "chunk " + std::string(reinterpret_cast<const char*>(type), 4);
}

// The reader's error with the program's message and what is wrong in the file.
[[noreturn]] void refuse(const char* message, const std::string& fault) {
    throw WithFault(EPNGError(message), "PNG: " + fault);
}

Header parseHeader(const std::uint8_t* d, std::uint32_t length) {
    if (length < 13)
        refuse("IHDR size error",
               "the IHDR chunk has " + std::to_string(length) + " bytes, not 13");
    Header h;
    h.width = LoadU32BE(d);
    h.height = LoadU32BE(d + 4);
    h.depth = d[8];
    const int type = d[9];
    const int low = type & 7;
    if (low == 1 || low == 5 || low == 7)
        refuse("Error ColorType", "colour type " + std::to_string(type) + " is not defined");
    h.alpha = (type & 4) != 0;
    h.base = type & 3;
    const int depth = h.depth;
    const std::string badDepth = "bit depth " + std::to_string(depth) +
                                 " is not allowed with colour type " + std::to_string(type);
    if (h.base == kGrey) {
        if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16)
            refuse("Error Bitdepth", badDepth);
        if (h.alpha && depth != 8 && depth != 16) refuse("not Use AlphaChannel", badDepth);
    } else if (h.base == kTruecolour) {
        if (depth != 8 && depth != 16) refuse("Error BitDepth", badDepth);
    } else {
        if (depth != 1 && depth != 2 && depth != 4 && depth != 8)
            refuse("Error BitDepth", badDepth);
    }
    if (d[10] > 1)
        refuse("not support Compression",
               "compression method " + std::to_string(d[10]) + " is not defined");
    if (d[11] > 1)
        refuse("not supprt Filter", "filter method " + std::to_string(d[11]) + " is not defined");
    if (d[12] > 1)
        refuse("not interlace type",
               "interlace method " + std::to_string(d[12]) + " is not defined");
    h.interlaced = d[12] == 1;
    if (h.width == 0 || h.height == 0) {
        refuse("Invalid PNG image size", "a picture of " + std::to_string(h.width) + " x " +
                                             std::to_string(h.height) + " pixels");
    }
    return h;
}

// The compressed bytes of one run of consecutive IDAT chunks, handed out
// chunk by chunk. CRCs are skipped unread.
class IdatRun {
public:
    IdatRun(ByteReader& in, std::uint32_t firstLength) : in_(in), left_(firstLength) {}

    // The next piece of compressed data; false when the run has ended (the
    // next chunk is not an IDAT, and is left for the caller to read).
    bool next(const std::uint8_t*& data, std::size_t& size) {
        while (left_ == 0) {
            if (ended_) return false;
            in_.skip(4);  // CRC of the chunk just read
            ByteReader peek = in_;
            const std::uint32_t length = peek.u32be();
            const std::uint8_t* type = peek.take(4);
            if (!isType(type, "IDAT")) {
                ended_ = true;
                return false;
            }
            in_ = peek;
            left_ = length;
        }
        data = in_.take(left_);
        size = left_;
        left_ = 0;
        return true;
    }

    // Skips what is left of the run once the picture is complete.
    void finish() {
        const std::uint8_t* data;
        std::size_t size;
        while (next(data, size)) {
        }
    }

private:
    ByteReader& in_;
    std::uint32_t left_;
    bool ended_ = false;
};

// An inflate stream, ended with the object.
class Inflater {
public:
    Inflater() {
        const int rc = inflateInit(&z_);
        if (rc == Z_MEM_ERROR) throw EOutOfMemory();
        if (rc != Z_OK) throw EPNGError("zlib error");
    }
    ~Inflater() { inflateEnd(&z_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Fills `out` completely from the run.
    void fill(std::uint8_t* out, std::size_t size, IdatRun& run) {
        z_.next_out = out;
        z_.avail_out = static_cast<uInt>(size);
        while (z_.avail_out > 0) {
            if (ended_)
                refuse("zlib error", "the compressed image data ends before the picture does");
            if (z_.avail_in == 0) {
                const std::uint8_t* data;
                std::size_t length;
                if (!run.next(data, length))
                    refuse("not next IDAT Chunk", "the IDAT chunks end before the picture does");
                z_.next_in = const_cast<Bytef*>(data);
                z_.avail_in = static_cast<uInt>(length);
                continue;
            }
            const int rc = inflate(&z_, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) ended_ = true;
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
                if (rc == Z_MEM_ERROR) throw EOutOfMemory();
                refuse("zlib error", std::string("the compressed image data is damaged (zlib: ") +
                                         (z_.msg ? z_.msg : "error " + std::to_string(rc)) + ")");
            }
        }
    }

private:
    z_stream z_{};
    bool ended_ = false;
};

inline int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Undoes the row filter in place; `previous` is the row above in the same
// pass (zeros for the first row).
void unfilter(int filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
              std::size_t bpp) {
    switch (filter) {
        case 0:
            return;
        case 1:
            for (std::size_t i = bpp; i < length; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
            return;
        case 2:
            for (std::size_t i = 0; i < length; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
            return;
        case 3:
            for (std::size_t i = 0; i < length; ++i) {
                const int left = i >= bpp ? row[i - bpp] : 0;
                row[i] = static_cast<std::uint8_t>(row[i] + ((left + previous[i]) >> 1));
            }
            return;
        case 4:
            for (std::size_t i = 0; i < length; ++i) {
                const int left = i >= bpp ? row[i - bpp] : 0;
                const int upLeft = i >= bpp ? previous[i - bpp] : 0;
                row[i] = static_cast<std::uint8_t>(row[i] + paeth(left, previous[i], upLeft));
            }
            return;
        default:
            refuse("not support Filter",
                   "row filter " + std::to_string(filter) + " is not defined");
    }
}

// Sample k of a row of packed samples at `depth` bits (1, 2, 4, 8; 16 gives
// the high byte).
inline unsigned sampleAt(const std::uint8_t* row, std::size_t k, int depth) {
    switch (depth) {
        case 1:
            return (row[k >> 3] >> (7 - (k & 7))) & 1u;
        case 2:
            return (row[k >> 2] >> (6 - 2 * (k & 3))) & 3u;
        case 4:
            return (row[k >> 1] >> (4 - 4 * (k & 1))) & 15u;
        case 8:
            return row[k];
        default:
            return row[2 * k];
    }
}

inline void putIndex(std::uint8_t* row, int x, unsigned value, int pictureDepth) {
    switch (pictureDepth) {
        case 1:
            if (value) row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
            return;
        case 4:
            row[x >> 1] = static_cast<std::uint8_t>((x & 1) ? (row[x >> 1] & 0xF0) | value
                                                            : (row[x >> 1] & 0x0F) | (value << 4));
            return;
        default:
            row[x] = static_cast<std::uint8_t>(value);
    }
}

// Writes one decoded row of a pass (count pixels) into the picture row,
// pixel i at x = x0 + i * dx.
void placeRow(const Header& h, const std::uint8_t* src, std::size_t count, std::uint8_t* dst,
              int x0, int dx) {
    const int pictureDepth = h.pictureDepth();
    if (pictureDepth == 24) {
        const int sampleBytes = h.depth == 16 ? 2 : 1;
        const int channels = h.channels();
        const std::size_t step = static_cast<std::size_t>(channels * sampleBytes);
        for (std::size_t i = 0; i < count; ++i, src += step) {
            std::uint8_t* p =
                dst + 3 * (static_cast<std::size_t>(x0) + i * static_cast<std::size_t>(dx));
            if (h.base == kTruecolour) {
                p[0] = src[2 * sampleBytes];
                p[1] = src[sampleBytes];
                p[2] = src[0];
            } else {
                p[0] = p[1] = p[2] = src[0];
            }
        }
        return;
    }
    if (x0 == 0 && dx == 1 && pictureDepth == h.depth) {  // the packed row is the picture row
        std::memcpy(dst, src, (count * static_cast<std::size_t>(h.depth) + 7) / 8);
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        putIndex(dst, x0 + static_cast<int>(i) * dx, sampleAt(src, i, h.depth), pictureDepth);
}

struct Pass {
    int x0, y0, dx, dy;
};
const Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
const Pass kWhole = {0, 0, 1, 1};

// The widest row of the file's data, filter byte included.
std::size_t rowBytesOf(const Header& h) {
    const std::size_t bitsPerPixel = static_cast<std::size_t>(h.channels() * h.depth);
    return (static_cast<std::size_t>(h.width) * bitsPerPixel + 7) / 8 + 1;
}

void decodeImage(const Header& h, IdatRun& run, DecodedPicture& picture) {
    Inflater inflater;
    const std::size_t bitsPerPixel = static_cast<std::size_t>(h.channels() * h.depth);
    const std::size_t bpp = std::max<std::size_t>(1, bitsPerPixel / 8);
    const int passes = h.interlaced ? 7 : 1;
    const std::size_t widest = rowBytesOf(h);
    MemoryReservation memory = ReserveMemory(2 * widest, "The PNG reader's work space");
    std::vector<std::uint8_t> current(widest), previous(widest);
    memory.markTaken();
    for (int p = 0; p < passes; ++p) {
        const Pass pass = h.interlaced ? kAdam7[p] : kWhole;
        const std::int64_t w = static_cast<std::int64_t>(h.width),
                           ht = static_cast<std::int64_t>(h.height);
        if (w <= pass.x0 || ht <= pass.y0) continue;  // an empty pass has no rows at all
        const std::size_t count = static_cast<std::size_t>((w - pass.x0 + pass.dx - 1) / pass.dx);
        const std::size_t rowBytes = (count * bitsPerPixel + 7) / 8;
        std::fill(previous.begin(), previous.end(), 0);
        for (std::int64_t y = pass.y0; y < ht; y += pass.dy) {
            inflater.fill(current.data(), rowBytes + 1, run);
            unfilter(current[0], current.data() + 1, previous.data() + 1, rowBytes, bpp);
            placeRow(h, current.data() + 1, count, picture.row(static_cast<int>(y)), pass.x0,
                     pass.dx);
            std::swap(current, previous);
        }
    }
}

std::vector<RGBQuad> greyPalette(int depth) {
    std::vector<RGBQuad> colors;
    if (depth == 2) {
        for (int v : {0, 85, 170, 255}) {
            const auto g = static_cast<std::uint8_t>(v);
            colors.push_back(RGBQuad{g, g, g, 0});
        }
        return colors;
    }
    const int levels = depth == 16 ? 256 : 1 << depth;
    const int step = 255 / (levels - 1);
    for (int i = 0; i < levels; ++i) {
        const auto g = static_cast<std::uint8_t>(i * step);
        colors.push_back(RGBQuad{g, g, g, 0});
    }
    return colors;
}

}  // namespace

bool PNGHasSignature(const std::uint8_t* data, std::size_t size) {
    return size >= 8 && std::memcmp(data, kSignature, 8) == 0;
}

namespace {

// The chunks after the signature; `reading` tells the caller which chunk a
// short read fell into.
DecodedPicture readChunks(const std::uint8_t* data, std::size_t size, const ReaderLimits& limits,
                          std::string& reading) {
    ByteReader in(data + 8, size - 8);
    bool haveHeader = false, havePalette = false, haveImage = false;
    Header header;
    std::vector<RGBQuad> palette;
    DecodedPicture picture;
    for (;;) {
        reading = "a chunk's header";
        const std::uint32_t length = in.u32be();
        const std::uint8_t* type = in.take(4);
        reading = chunkName(type);
        if (isType(type, "IDAT")) {
            if (!haveHeader)
                refuse("IDAT before IHDR", "an IDAT chunk comes before the IHDR chunk");
            if (haveImage) refuse("appear two IDAT", "a second run of IDAT chunks");
            if (header.base == kIndexed && palette.empty())
                refuse("Palette None", "an indexed picture without a PLTE chunk");
            checkDeclaredPictureSize(header.width, header.height, limits, header.pictureDepth(),
                                     2 * rowBytesOf(header));
            picture.allocate(static_cast<int>(header.width), static_cast<int>(header.height),
                             header.pictureDepth());
            if (header.base == kIndexed)
                picture.colors = palette;
            else if (header.base == kGrey && !header.alpha)
                picture.colors = greyPalette(header.depth);
            else
                picture.colors = palette;  // a truecolour file's suggested palette
            IdatRun run(in, length);
            decodeImage(header, run, picture);
            run.finish();
            haveImage = true;
            continue;  // the run has consumed its chunks and their CRCs
        }
        const std::uint8_t* body = in.take(length);
        if (isType(type, "IHDR")) {
            if (haveHeader) refuse("appear two IHDR", "a second IHDR chunk");
            header = parseHeader(body, length);
            haveHeader = true;
        } else if (isType(type, "PLTE")) {
            if (!haveHeader || havePalette)
                refuse("Error PLTE", havePalette ? "a second PLTE chunk"
                                                 : "a PLTE chunk comes before the IHDR chunk");
            if (length % 3 != 0)
                refuse("palettesize error",
                       "a PLTE chunk of " + std::to_string(length) + " bytes, not a multiple of 3");
            if (length / 3 > 256)
                refuse("palette length over",
                       "a PLTE chunk of " + std::to_string(length / 3) + " colours, more than 256");
            havePalette = true;
            palette.resize(length / 3);
            for (std::size_t i = 0; i < palette.size(); ++i)
                palette[i] = RGBQuad{body[3 * i + 2], body[3 * i + 1], body[3 * i], 0};
        } else if (isType(type, "IEND")) {
            if (length != 0)
                refuse("error IEND size",
                       "an IEND chunk of " + std::to_string(length) + " bytes, not empty");
            in.skip(4);
            break;
        }
        in.skip(4);  // CRC, not checked
    }
    if (!haveImage) refuse("PNG has no image data", "no IDAT chunk");
    return picture;
}

}  // namespace

DecodedPicture ReadPNG(const std::uint8_t* data, std::size_t size, const ReaderLimits& limits) {
    if (!PNGHasSignature(data, size)) refuse("Not PNG Image", "no PNG signature");
    std::string reading;
    try {
        return readChunks(data, size, limits, reading);
    } catch (const EReadError&) {
        throw WithFault(EReadError(), "PNG: the file ends inside " + reading);
    }
}
