#include "picture/png/png_inflater.h"

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string>

#include "picture/errors.h"
#include "picture/png/png_errors.h"
#include "picture/png/png_rows.h"
#include "picture/system/byte_reader.h"

namespace {

// Deflate's window: the farthest a match may reach back.
constexpr std::size_t kWindow = 32768;
// What zlib's inflate holds besides the object: its window and its state.
constexpr std::size_t kZlibBytes = 48 * 1024;

// The two bytes before the deflate data that zlib takes; any other header
// is left to zlib, which gives its own message for it.
bool zlibTakesHeader(std::uint8_t cmf, std::uint8_t flg) {
    const bool deflate = (cmf & 0x0F) == Z_DEFLATED && (cmf >> 4) <= 7;
    const bool checked = (cmf * 256u + flg) % 31 == 0;
    const bool dictionary = (flg & 0x20) != 0;
    return deflate && checked && !dictionary;
}

// What Fast::readBoundary did; Refused leaves the stream to zlib.
enum class Boundary { None, Read, Refused };

}  // namespace

// ISA-L inflating raw deflate data, stopped at the end of every block: the
// final bit of each block header is set before ISA-L reads it, so ISA-L
// ends there and the next header's place is known. Each header is also
// read by a zlib stream of its own, which refuses the code sets ISA-L
// would decode with (incomplete or over-subscribed ones) with zlib's own
// rules. The adler-32 after the last block is checked here.
struct Inflater::Fast {
    Fast() {
        isal_inflate_init(&isal);
        isal.crc_flag = ISAL_DEFLATE;
        if (inflateInit2(&header, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    }
    ~Fast() { inflateEnd(&header); }
    Fast(const Fast&) = delete;
    Fast& operator=(const Fast&) = delete;

    // Hands ISA-L the next piece; false where zlib must decide.
    bool takePiece(const std::uint8_t* data, std::size_t size) {
        if (!streamHeaderRead) {
            if (size < 2 || !zlibTakesHeader(data[0], data[1])) return false;
            streamHeaderRead = true;
            data += 2;
            size -= 2;
        }
        if (!readHeader(data, size)) return false;
        isal.next_in = const_cast<std::uint8_t*>(data);
        isal.avail_in = static_cast<std::uint32_t>(size);
        needInput = false;
        return true;
    }

    bool holdsBits() const { return isal.read_in_length > 0 || isal.avail_in > 0; }

    // At a block header: zlib reads it, and ISA-L is told to stop at the
    // block's end. False when zlib refuses the header.
    bool beginBlock() {
        if (isal.read_in_length == 0) {
            isal.read_in = *isal.next_in++;
            --isal.avail_in;
            isal.read_in_length = 8;
        }
        lastBlock = (isal.read_in & 1) != 0;
        inflateReset(&header);
        const int partial = isal.read_in_length % 8;
        if (partial != 0)
            inflatePrime(&header, partial, static_cast<int>(isal.read_in & ((1u << partial) - 1)));
        std::uint8_t held[8];
        const int wholeBytes = isal.read_in_length / 8;
        for (int i = 0; i < wholeBytes; ++i)
            held[i] = static_cast<std::uint8_t>(isal.read_in >> (partial + 8 * i));
        headerOpen = true;
        if (!readHeader(held, static_cast<std::size_t>(wholeBytes))) return false;
        if (!readHeader(isal.next_in, isal.avail_in)) return false;
        isal.read_in |= 1;
        isal.bfinal = 0;
        isal.block_state = ISAL_BLOCK_NEW_HDR;
        atBlockStart = false;
        return true;
    }

    // More bytes of the header being read; false when zlib refuses it.
    bool readHeader(const std::uint8_t* data, std::size_t size) {
        if (!headerOpen || size == 0) return true;
        std::uint8_t none = 0;
        header.next_in = const_cast<Bytef*>(data);
        header.avail_in = static_cast<uInt>(size);
        header.next_out = &none;
        header.avail_out = 0;
        const int rc = inflate(&header, Z_TREES);
        if (rc != Z_OK && rc != Z_BUF_ERROR) return false;
        if (header.data_type & 256) headerOpen = false;  // the header is whole
        return true;
    }

    // One call of ISA-L into `out`; false when it refuses the data.
    bool inflateInto(std::uint8_t* out, std::size_t size, std::size_t& produced) {
        isal.next_out = out;
        isal.avail_out = static_cast<std::uint32_t>(size);
        const std::uint32_t inBefore = isal.avail_in;
        const std::int32_t bitsBefore = isal.read_in_length;
        const int rc = isal_inflate(&isal);
        produced = static_cast<std::size_t>(isal.next_out - out);
        record(out, produced);
        if (rc != ISAL_DECOMP_OK) return false;
        if (isal.block_state == ISAL_BLOCK_FINISH) return endBlock();
        if (isal.avail_out > 0) {
            if (isal.avail_in > 0)  // a call that does nothing would not do more again
                return produced > 0 || isal.avail_in != inBefore ||
                       isal.read_in_length != bitsBefore;
            needInput = true;
        }
        return true;
    }

    bool endBlock() {
        if (headerOpen) return false;
        if (!lastBlock) {
            restoreWindow();
            atBlockStart = true;
            return true;
        }
        // The adler-32 follows from the next whole byte.
        const int partial = isal.read_in_length % 8;
        isal.read_in >>= partial;
        isal.read_in_length -= partial;
        inTrailer = true;
        return true;
    }

    // Between blocks and after the last one: the next header or the trailer
    // read, or nothing to read but deflate data.
    Boundary readBoundary() {
        if (inTrailer) return readTrailer() ? Boundary::Read : Boundary::Refused;
        if (atBlockStart) return beginBlock() ? Boundary::Read : Boundary::Refused;
        return Boundary::None;
    }

    // False when the trailer does not match the bytes inflated.
    bool readTrailer() {
        while (trailerHave < 4 && isal.read_in_length >= 8) {
            trailer[trailerHave++] = static_cast<std::uint8_t>(isal.read_in);
            isal.read_in >>= 8;
            isal.read_in_length -= 8;
        }
        while (trailerHave < 4 && isal.avail_in > 0) {
            trailer[trailerHave++] = *isal.next_in++;
            --isal.avail_in;
        }
        if (trailerHave < 4) {
            needInput = true;
            return true;
        }
        inTrailer = false;
        ended = true;
        return LoadU32BE(trailer) == adler;
    }

    void record(const std::uint8_t* data, std::size_t size) {
        adler = isal_adler32(adler, data, size);
        total += size;
        if (size >= kWindow) {
            std::memcpy(window.data(), data + size - kWindow, kWindow);
            windowEnd = 0;
            return;
        }
        const std::size_t first = std::min(size, kWindow - windowEnd);
        std::memcpy(window.data() + windowEnd, data, first);
        std::memcpy(window.data(), data + first, size - first);
        windowEnd = (windowEnd + size) % kWindow;
    }

    // ISA-L keeps no window past a block it takes for the last one; the
    // next block's matches reach back into this copy.
    void restoreWindow() {
        std::uint8_t* to = isal.tmp_out_buffer;
        if (total < kWindow) {
            std::memcpy(to, window.data(), total);
        } else {
            std::memcpy(to, window.data() + windowEnd, kWindow - windowEnd);
            std::memcpy(to + kWindow - windowEnd, window.data(), windowEnd);
        }
        const auto held = static_cast<std::int32_t>(std::min<std::uint64_t>(total, kWindow));
        isal.tmp_out_valid = held;
        isal.tmp_out_processed = held;
    }

    // After the last piece of the chunk: true when no bit ISA-L holds is
    // left unjudged (zlib would have judged it).
    bool nothingLeftUnjudged() const {
        if (ended || inTrailer || headerOpen) return true;
        if (atBlockStart) return true;
        return isal.read_in_length == 0 && isal.tmp_in_size == 0;
    }

    inflate_state isal;
    z_stream header{};  // raw inflate that reads block headers only
    bool streamHeaderRead = false;
    bool headerOpen = false;  // the block header goes on in the next piece
    bool atBlockStart = true;
    bool lastBlock = false;
    bool inTrailer = false;
    bool ended = false;
    bool needInput = false;
    int trailerHave = 0;
    std::uint8_t trailer[4] = {};
    std::uint32_t adler = 1;
    std::uint64_t total = 0;
    std::size_t windowEnd = 0;
    std::array<std::uint8_t, kWindow> window{};
    std::array<std::uint8_t, kWindow> scratch{};  // what is inflated past the picture
};

Inflater::Inflater(Engine engine) {
    const int rc = inflateInit(&z_);
    if (rc == Z_MEM_ERROR) throw EOutOfMemory();
    if (rc != Z_OK) throw EPNGError("zlib error");
    if (engine == Engine::Zlib) return;
    try {
        fast_ = std::make_unique<Fast>();
    } catch (const std::bad_alloc&) {
        // zlib alone gives the same bytes and verdicts, only slower.
    }
}

Inflater::~Inflater() {
    inflateEnd(&z_);
}

std::size_t Inflater::workBytes() {
    return sizeof(Fast) + kZlibBytes;
}

void Inflater::fill(std::uint8_t* out, std::size_t size, CompressedPieces& pieces) {
    std::size_t done = 0;
    if (fast_ && !fastFill(out, size, pieces, done)) fallBack(pieces);
    if (!fast_) zlibFill(out, size, pieces, done);
    if (!fills_.empty() && fills_.back().first == size)
        ++fills_.back().second;
    else
        fills_.emplace_back(size, 1);
}

bool Inflater::fastFill(std::uint8_t* out, std::size_t size, CompressedPieces& pieces,
                        std::size_t& done) {
    Fast& f = *fast_;
    while (done < size) {
        if (f.ended) return false;  // zlib says how the stream ends too soon
        if (f.needInput || !f.holdsBits()) {
            const std::uint8_t* data;
            std::size_t length;
            if (!pieces.next(data, length) || !f.takePiece(data, length)) return false;
            continue;
        }
        const Boundary boundary = f.readBoundary();
        if (boundary == Boundary::Refused) return false;
        if (boundary == Boundary::Read) continue;
        std::size_t produced = 0;
        const bool taken = f.inflateInto(out + done, size - done, produced);
        done += produced;
        if (!taken) return false;
    }
    return true;
}

bool Inflater::fastFinish(CompressedPieces& pieces) {
    Fast& f = *fast_;
    while (!f.ended) {
        if (f.needInput || !f.holdsBits()) {
            const std::uint8_t* data;
            std::size_t length;
            if (!pieces.nextInChunk(data, length)) return f.nothingLeftUnjudged();
            if (!f.takePiece(data, length)) return false;
            continue;
        }
        const Boundary boundary = f.readBoundary();
        if (boundary == Boundary::Refused) return false;
        if (boundary == Boundary::Read) continue;
        std::size_t produced = 0;
        if (!f.inflateInto(f.scratch.data(), f.scratch.size(), produced)) return false;
    }
    return true;
}

void Inflater::finish(CompressedPieces& pieces) {
    if (fast_) {
        if (fastFinish(pieces)) return;
        fallBack(pieces);
    }
    const std::uint8_t* data;
    std::size_t size;
    while (!ended_ && pieces.nextInChunk(data, size)) zlibReadOn(data, size);
}

void Inflater::fallBack(CompressedPieces& pieces) {
    fast_.reset();
    pieces.restart();
    for (const auto& [size, count] : fills_)
        for (std::uint64_t i = 0; i < count; ++i) zlibFill(nullptr, size, pieces, size);
}

void Inflater::check(int rc) {
    if (rc == Z_STREAM_END) ended_ = true;
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
        if (rc == Z_MEM_ERROR) throw EOutOfMemory();
        png_rows::refuse("zlib error", std::string("the compressed image data is damaged (zlib: ") +
                                           (z_.msg ? z_.msg : "error " + std::to_string(rc)) + ")");
    }
}

void Inflater::zlibFill(std::uint8_t* out, std::size_t size, CompressedPieces& pieces,
                        std::size_t skip) {
    // zlib is given new room before new input: what it holds goes out first,
    // so it asks for the next piece only when it has nothing left, and its
    // verdicts do not hang on where the rows end. The first `skip` bytes go
    // through a small buffer and are dropped.
    std::array<std::uint8_t, 16 * 1024> dropped;
    std::size_t placed = 0;
    const auto aim = [&] {
        if (placed < skip) {
            z_.next_out = dropped.data();
            z_.avail_out = static_cast<uInt>(std::min(skip - placed, dropped.size()));
        } else {
            z_.next_out = out + placed;
            z_.avail_out = static_cast<uInt>(size - placed);
        }
        return static_cast<std::size_t>(z_.avail_out);
    };
    std::size_t segment = aim();
    bool resumed = true;
    for (;;) {
        if (z_.avail_out == 0) {
            placed += segment;
            if (placed == size) return;
            segment = aim();
            resumed = true;
        }
        if (ended_)
            png_rows::refuse("zlib error",
                             "the compressed image data ends before the picture does");
        if (z_.avail_in == 0 && !resumed) {
            const std::uint8_t* data;
            std::size_t length;
            if (!pieces.next(data, length))
                png_rows::refuse("not next IDAT Chunk",
                                 "the IDAT chunks end before the picture does");
            z_.next_in = const_cast<Bytef*>(data);
            z_.avail_in = static_cast<uInt>(length);
            continue;
        }
        resumed = false;
        check(inflate(&z_, Z_NO_FLUSH));
    }
}

void Inflater::zlibReadOn(const std::uint8_t* data, std::size_t size) {
    if (ended_ || size == 0) return;
    // No room for output: zlib goes on only through what produces none
    // (block headers, code tables), where damage is found all the same.
    std::uint8_t none = 0;
    z_.next_out = &none;
    z_.avail_out = 0;
    z_.next_in = const_cast<Bytef*>(data);
    z_.avail_in = static_cast<uInt>(size);
    check(inflate(&z_, Z_NO_FLUSH));
}
