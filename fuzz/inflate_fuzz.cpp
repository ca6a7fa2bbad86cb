// The PNG reader's inflater (ISA-L, with zlib deciding what ISA-L leaves in
// doubt) against zlib alone on the same stream, cut into the same chunks
// and pieces and read in the same rows: the same bytes, the same verdict,
// the same message. The stream is either the fuzzer's bytes as they are or
// its bytes deflated by zlib (any level, strategy and declared window) and
// then damaged in a few places, so that both deep and broken streams come.

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "picture/file_fault.h"
#include "picture/png/png_inflater.h"
#include "tests/support/split_pieces.h"

namespace {

struct Outcome {
    std::vector<std::uint8_t> bytes;
    bool refused = false;
    std::string message, fault;
};

Outcome inflateRows(Inflater::Engine engine, const std::vector<std::uint8_t>& stream,
                    std::size_t chunk, std::size_t piece, std::size_t rowBytes, std::size_t rows) {
    Outcome outcome;
    outcome.bytes.resize(rowBytes * rows);
    SplitPieces pieces(stream, chunk, piece);
    try {
        Inflater inflater(engine);
        for (std::size_t r = 0; r < rows; ++r)
            inflater.fill(outcome.bytes.data() + r * rowBytes, rowBytes, pieces);
        inflater.finish(pieces);
    } catch (const std::exception& error) {
        outcome.refused = true;
        outcome.message = error.what();
        outcome.fault = FaultOf(error);
    }
    return outcome;
}

// Reads control values off the front of the fuzzer's bytes.
struct Controls {
    const std::uint8_t* data;
    std::size_t size;
    unsigned take() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
};

std::vector<std::uint8_t> deflated(const std::uint8_t* data, std::size_t size, Controls& c) {
    const int level = static_cast<int>(c.take() % 10);
    const int windowBits = 9 + static_cast<int>(c.take() % 7);
    const int memLevel = 1 + static_cast<int>(c.take() % 9);
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    const int strategy = strategies[c.take() % 5];
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, windowBits, memLevel, strategy) != Z_OK) return {};
    std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(size)) + 64);
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Controls c{data, size};
    const unsigned mode = c.take();
    const std::size_t chunk = 1 + c.take() * 97 + c.take();
    const std::size_t piece = 1 + (c.take() % 4 == 0 ? c.take() % 16 : c.take() * 64);
    const std::size_t rowBytes = 1 + c.take() % 200;
    std::vector<std::uint8_t> stream;
    std::size_t plain = 0;
    if (mode & 1) {
        const unsigned damages = c.take() % 4;
        std::vector<unsigned> where;
        for (unsigned i = 0; i < 3 * damages; ++i) where.push_back(c.take());
        plain = c.size;
        stream = deflated(c.data, c.size, c);
        for (unsigned i = 0; i < damages && !stream.empty(); ++i) {
            const std::size_t at = (where[3 * i] * 256u + where[3 * i + 1]) % stream.size();
            stream[at] = static_cast<std::uint8_t>(stream[at] ^ (1u << (where[3 * i + 2] % 8)));
        }
        if (mode & 2) stream.push_back(static_cast<std::uint8_t>(mode));  // data after the end
    } else {
        stream.assign(c.data, c.data + c.size);
        plain = 4 * c.size;
    }
    // The picture takes all the stream gives, or a little less, or more.
    std::size_t total = plain;
    if (mode & 4)
        total =
            mode & 8 ? total + 1 + (mode >> 4) : total - std::min<std::size_t>(total, mode >> 4);
    const std::size_t rows = std::max<std::size_t>(1, (total + rowBytes - 1) / rowBytes);

    const Outcome fast = inflateRows(Inflater::Engine::IsaL, stream, chunk, piece, rowBytes, rows);
    const Outcome zlib = inflateRows(Inflater::Engine::Zlib, stream, chunk, piece, rowBytes, rows);
    FUZZ_CHECK(fast.refused == zlib.refused);
    FUZZ_CHECK(fast.message == zlib.message);
    FUZZ_CHECK(fast.fault == zlib.fault);
    if (!zlib.refused) FUZZ_CHECK(fast.bytes == zlib.bytes);
    return 0;
}
