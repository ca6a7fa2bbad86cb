#include <algorithm>
#include <cstring>
#include <vector>

#include "picture/errors.h"
#include "picture/file_fault.h"
#include "picture/png/png_picture.h"
#include "picture/png/png_rows.h"
#include "picture/system/byte_reader.h"
#include "picture/system/memory_budget.h"

namespace {

using namespace png_rows;

const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// The compressed bytes of one run of consecutive IDAT chunks, handed out
// chunk by chunk. CRCs are skipped unread.
class IdatRun : public CompressedPieces {
public:
    IdatRun(ByteReader& in, std::uint32_t firstLength)
        : in_(in), start_(in), firstLength_(firstLength), left_(firstLength) {}

    // The next piece of compressed data; false when the run has ended (the
    // next chunk is not an IDAT, and is left for the caller to read).
    bool next(const std::uint8_t*& data, std::size_t& size) override {
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

    // A piece is a whole chunk: nothing of it is left after it.
    bool nextInChunk(const std::uint8_t*&, std::size_t&) override { return false; }

    void restart() override {
        in_ = start_;
        left_ = firstLength_;
        ended_ = false;
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
    const ByteReader start_;
    const std::uint32_t firstLength_;
    std::uint32_t left_;
    bool ended_ = false;
};

struct Pass {
    int x0, y0, dx, dy;
};
const Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
const Pass kWhole = {0, 0, 1, 1};

void decodeImage(const Header& h, IdatRun& run, DecodedPicture& picture) {
    Inflater inflater;
    const std::size_t bitsPerPixel = static_cast<std::size_t>(h.channels() * h.depth);
    const std::size_t bpp = std::max<std::size_t>(1, bitsPerPixel / 8);
    const int passes = h.interlaced ? 7 : 1;
    const std::size_t widest = rowBytesOf(h);
    MemoryReservation memory =
        ReserveMemory(2 * widest + Inflater::workBytes(), "The PNG reader's work space");
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
    inflater.finish(run);
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
            picture.colors = pictureColors(header, palette);
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
            palette = parsePalette(body, length, haveHeader, havePalette);
            havePalette = true;
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
