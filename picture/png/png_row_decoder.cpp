#include "picture/png/png_row_decoder.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <fstream>
#include <vector>

#include "picture/dib_conversions.h"
#include "picture/errors.h"
#include "picture/file_fault.h"
#include "picture/png/png_picture.h"
#include "picture/png/png_rows.h"
#include "picture/size_limits.h"
#include "picture/system/byte_reader.h"
#include "picture/system/file_io.h"
#include "picture/system/memory_budget.h"

using namespace png_rows;

namespace {

// Compressed bytes read from the file at a time.
constexpr std::size_t kPieceBytes = 64 * 1024;
// The most bytes of a chunk body the walk keeps (a full PLTE).
constexpr std::uint32_t kLargestKeptBody = 3 * 256;

// The file read forward with every read checked against its end first, as
// the reader's checks on the bytes held in memory go.
class FileWalk {
public:
    explicit FileWalk(const std::string& fileName) : in_(OpenForReading(fileName)) {
        in_.seekg(0, std::ios::end);
        const auto end = in_.tellg();
        in_.seekg(0);
        if (end < 0 || !in_) throw EReadError();
        size_ = static_cast<std::uint64_t>(end);
    }

    bool has(std::uint64_t count) const { return count <= size_ - position_; }
    void require(std::uint64_t count) const {
        if (!has(count)) throw WithFault(EReadError(), "PNG: the file ends inside " + reading_);
    }
    void read(std::uint8_t* out, std::size_t count) {
        require(count);
        in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
        if (static_cast<std::size_t>(in_.gcount()) != count) throw EReadError();
        position_ += count;
    }
    void skip(std::uint64_t count) {
        require(count);
        in_.seekg(static_cast<std::streamoff>(count), std::ios::cur);
        position_ += count;
    }
    void reading(std::string what) { reading_ = std::move(what); }
    std::uint64_t position() const { return position_; }
    void seek(std::uint64_t position) {
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(position));
        position_ = position;
    }

private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
    std::string reading_ = "a chunk's header";
};

struct ChunkHead {
    std::uint32_t length = 0;
    std::uint8_t type[4] = {};
};

// The IEND chunk is in the file and holds nothing, as the whole reader asks.
void requireEmptyIend(FileWalk& file, const ChunkHead& head) {
    file.require(head.length);
    if (head.length != 0)
        refuse("error IEND size",
               "an IEND chunk of " + std::to_string(head.length) + " bytes, not empty");
}

ChunkHead readChunkHead(FileWalk& file) {
    file.reading("a chunk's header");
    std::uint8_t bytes[8];
    file.read(bytes, 8);
    ChunkHead head;
    head.length = LoadU32BE(bytes);
    std::memcpy(head.type, bytes + 4, 4);
    file.reading(chunkName(head.type));
    return head;
}

// The first `keep` bytes of a chunk body, the rest skipped; the whole body
// must be in the file.
std::vector<std::uint8_t> readBody(FileWalk& file, std::uint32_t length, std::uint32_t keep) {
    file.require(length);
    std::vector<std::uint8_t> body(std::min(length, keep));
    file.read(body.data(), body.size());
    file.skip(length - body.size());
    return body;
}

}  // namespace

struct PngRowDecoder::State : CompressedPieces {
    explicit State(const std::string& fileName) : file(fileName) {}

    // The IDAT chunks' data, a piece at a time.
    bool next(const std::uint8_t*& data, std::size_t& size) override {
        while (left == 0)
            if (!nextChunk()) return false;
        size = static_cast<std::size_t>(std::min<std::uint64_t>(left, kPieceBytes));
        file.read(piece.data(), size);
        left -= size;
        data = piece.data();
        return true;
    }

    // The rest of the IDAT chunk being read, a piece at a time.
    bool nextInChunk(const std::uint8_t*& data, std::size_t& size) override {
        if (left == 0) return false;
        return next(data, size);
    }

    // Back to the first IDAT chunk's data, for inflating it again.
    void restart() override {
        file.seek(firstData);
        left = firstLength;
        runEnded = false;
    }

    // Moves past the IDAT chunk just read to the next one, which must lie
    // whole inside the file; false when the run ends at a chunk of another
    // type, whose head is kept for the walk after the picture.
    bool nextChunk() {
        if (runEnded) return false;
        file.skip(4);  // CRC of the chunk just read
        const ChunkHead head = readChunkHead(file);
        if (!isType(head.type, "IDAT")) {
            runEnded = true;
            pendingHead = head;
            return false;
        }
        startChunk(head.length);
        return true;
    }

    void startChunk(std::uint32_t length) {
        file.require(length);
        left = length;
    }

    FileWalk file;
    Header header;
    std::vector<RGBQuad> palette;
    bool havePalette = false;
    std::unique_ptr<Inflater> inflater;
    std::vector<std::uint8_t> piece;
    std::uint32_t left = 0;       // bytes of the current IDAT chunk not yet read
    std::uint64_t firstData = 0;  // where the first IDAT chunk's data begins
    std::uint32_t firstLength = 0;
    bool runEnded = false;
    ChunkHead pendingHead;
    std::vector<std::uint8_t> current, previous, indexRow;
    std::array<RGBQuad, 256> table{};  // indices widened as the pixel buffer does
    MemoryReservation work;
    int rowsRead = 0;
};

PngRowDecoder::PngRowDecoder(const std::string& fileName, const ReaderLimits& limits)
    : state_(std::make_unique<State>(fileName)) {
    State& s = *state_;
    std::uint8_t signature[8] = {};
    s.file.reading("its signature");
    if (!s.file.has(8)) refuse("Not PNG Image", "no PNG signature");
    s.file.read(signature, 8);
    if (!PNGHasSignature(signature, 8)) refuse("Not PNG Image", "no PNG signature");

    bool haveHeader = false;
    for (;;) {
        const ChunkHead head = readChunkHead(s.file);
        if (isType(head.type, "IDAT")) {
            if (!haveHeader)
                refuse("IDAT before IHDR", "an IDAT chunk comes before the IHDR chunk");
            if (s.header.base == kIndexed && s.palette.empty())
                refuse("Palette None", "an indexed picture without a PLTE chunk");
            if (s.header.interlaced) return;
            s.startChunk(head.length);
            s.firstData = s.file.position();
            s.firstLength = head.length;
            break;
        }
        if (isType(head.type, "IHDR")) {
            std::vector<std::uint8_t> body = readBody(s.file, head.length, 13);
            if (haveHeader) refuse("appear two IHDR", "a second IHDR chunk");
            body.resize(13);  // parseHeader refuses a shorter one by its length
            s.header = parseHeader(body.data(), head.length);
            haveHeader = true;
        } else if (isType(head.type, "PLTE")) {
            const std::vector<std::uint8_t> body = readBody(s.file, head.length, kLargestKeptBody);
            s.palette = parsePalette(body.data(), head.length, haveHeader, s.havePalette);
            s.havePalette = true;
        } else if (isType(head.type, "IEND")) {
            requireEmptyIend(s.file, head);
            refuse("PNG has no image data", "no IDAT chunk");
        } else {
            s.file.skip(head.length);
        }
        s.file.skip(4);  // CRC, not checked
    }

    const Header& h = s.header;
    // The reader's picture counts its sides in int.
    if (h.width > INT32_MAX || h.height > INT32_MAX)
        throw EOutOfMemory(DescribePicture(h.width, h.height) + " is too large for this machine");
    const std::size_t widest = rowBytesOf(h);
    const std::size_t indexBytes = h.pictureDepth() == 24 ? 0 : h.width;
    const std::size_t workBytes = 2 * widest + indexBytes + kPieceBytes + Inflater::workBytes();
    checkDeclaredRowReading(h.width, h.height, limits, workBytes);
    s.work = ReserveMemory(workBytes, "The PNG reader's work space");
    s.current.resize(widest);
    s.previous.resize(widest);
    s.indexRow.resize(indexBytes);
    s.piece.resize(kPieceBytes);
    s.work.markTaken();
    s.inflater = std::make_unique<Inflater>();
    if (h.pictureDepth() != 24) {
        const std::vector<RGBQuad> colors = pictureColors(h, s.palette);
        const std::size_t kept =
            std::min<std::size_t>(colors.size(), std::size_t{1} << h.pictureDepth());
        std::copy(colors.begin(), colors.begin() + static_cast<std::ptrdiff_t>(kept),
                  s.table.begin());
    }
}

PngRowDecoder::~PngRowDecoder() = default;

int PngRowDecoder::Width() const {
    return static_cast<int>(state_->header.width);
}

int PngRowDecoder::Height() const {
    return static_cast<int>(state_->header.height);
}

bool PngRowDecoder::Interlaced() const {
    return state_->header.interlaced;
}

std::size_t PngRowDecoder::WorkBytes() const {
    return state_->work.bytes();
}

void PngRowDecoder::ReadRows24(std::uint8_t* const* rows, int count) {
    State& s = *state_;
    const Header& h = s.header;
    if (h.interlaced || s.rowsRead + count > Height())
        throw EPNGError("PngRowDecoder: rows past the picture");
    const std::size_t width = h.width;
    const std::size_t rowBytes = s.current.size() - 1;
    const std::size_t bpp = std::max<std::size_t>(1, h.bitsPerPixel() / 8);
    const int depth = h.pictureDepth();
    for (int r = 0; r < count; ++r) {
        s.inflater->fill(s.current.data(), rowBytes + 1, s);
        unfilter(s.current[0], s.current.data() + 1, s.previous.data() + 1, rowBytes, bpp);
        std::uint8_t* out = rows[r];
        if (depth == 24) {
            placeRow(h, s.current.data() + 1, width, out, 0, 1);
        } else {
            std::fill(s.indexRow.begin(), s.indexRow.end(), 0);
            placeRow(h, s.current.data() + 1, width, s.indexRow.data(), 0, 1);
            const std::uint8_t* in = s.indexRow.data();
            WidenIndexedRow(in, depth, width, s.table.data(), out);
        }
        std::swap(s.current, s.previous);
        ++s.rowsRead;
    }
}

void PngRowDecoder::Finish() {
    State& s = *state_;
    if (s.header.interlaced || s.rowsRead != Height())
        throw EPNGError("PngRowDecoder: finished before the last row");
    // The reader's last inflate call had the rest of its IDAT chunk in hand.
    s.inflater->finish(s);
    s.file.skip(s.left);  // what is left after the stream's end
    s.left = 0;
    while (s.nextChunk()) {
        s.file.skip(s.left);
        s.left = 0;
    }
    // The chunks after the image data, up to IEND.
    ChunkHead head = s.pendingHead;
    for (;;) {
        if (isType(head.type, "IDAT")) refuse("appear two IDAT", "a second run of IDAT chunks");
        if (isType(head.type, "IHDR")) {
            s.file.require(head.length);
            refuse("appear two IHDR", "a second IHDR chunk");
        }
        if (isType(head.type, "PLTE")) {
            s.file.require(head.length);
            const std::vector<std::uint8_t> body = readBody(s.file, head.length, kLargestKeptBody);
            parsePalette(body.data(), head.length, true, s.havePalette);
            s.havePalette = true;
        } else if (isType(head.type, "IEND")) {
            requireEmptyIend(s.file, head);
            s.file.skip(4);
            return;
        } else {
            s.file.skip(head.length);
        }
        s.file.skip(4);
        head = readChunkHead(s.file);
    }
}
