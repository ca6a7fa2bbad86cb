#pragma once

// The inflate stream over a PNG file's IDAT data. Its verdicts are zlib's:
// a stream zlib takes gives zlib's bytes, a stream zlib refuses is refused
// with zlib's message, and the damage after the picture that zlib's last
// call would find (in the rest of the IDAT chunk it had in hand) is found.
// The bytes are inflated by ISA-L, which is faster but checks less: the
// code sets of each block header are read by zlib beside it, and whatever
// ISA-L refuses, or leaves in doubt, is decided by zlib inflating the
// stream again from its first piece.

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// Where the compressed bytes come from, piece by piece.
class CompressedPieces {
public:
    virtual ~CompressedPieces() = default;
    // The next piece; false when the IDAT chunks have ended.
    virtual bool next(const std::uint8_t*& data, std::size_t& size) = 0;
    // The next piece of the chunk the last piece came from; false at its end.
    virtual bool nextInChunk(const std::uint8_t*& data, std::size_t& size) = 0;
    // Back before the first piece, for inflating the stream again.
    virtual void restart() = 0;
};

class Inflater {
public:
    // IsaL inflates as described above; Zlib inflates with zlib alone (the
    // measure the fast way is held to).
    enum class Engine { IsaL, Zlib };

    explicit Inflater(Engine engine = Engine::IsaL);
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Fills `out` completely from the pieces.
    void fill(std::uint8_t* out, std::size_t size, CompressedPieces& pieces);
    // After the picture: reads on through the rest of the chunk the last
    // piece came from, as zlib's call that filled the picture's last row
    // does when that chunk is in hand, and fails as that call would.
    void finish(CompressedPieces& pieces);

    // Bytes the inflater holds besides the object: ISA-L's state with its
    // window copy, the block-header reader, and zlib's window and state.
    static std::size_t workBytes();

private:
    struct Fast;

    // Fills `out` from `skip` on, as a zlib call for all `size` bytes would.
    void zlibFill(std::uint8_t* out, std::size_t size, CompressedPieces& pieces, std::size_t skip);
    void zlibReadOn(const std::uint8_t* data, std::size_t size);
    void check(int rc);
    // ISA-L fills `out` from `done` on; false where zlib must take over.
    bool fastFill(std::uint8_t* out, std::size_t size, CompressedPieces& pieces, std::size_t& done);
    bool fastFinish(CompressedPieces& pieces);
    // Leaves ISA-L and inflates again with zlib from the first piece
    // through the fills already made, in the same sizes.
    void fallBack(CompressedPieces& pieces);

    z_stream z_{};
    bool ended_ = false;
    // The sizes of the fills made, each with how many times in a row.
    std::vector<std::pair<std::size_t, std::uint64_t>> fills_;
    std::unique_ptr<Fast> fast_;  // null once zlib has taken over
};
