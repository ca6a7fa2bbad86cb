#pragma once

// Compressed bytes handed to the PNG inflater as the readers hand them: in
// chunks of `chunk` bytes (IDAT chunks), each in pieces of at most `piece`
// bytes. Shared by the inflater's tests and its fuzz harness; header-only,
// as the fuzz build has no test library.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/png/png_inflater.h"

class SplitPieces : public CompressedPieces {
public:
    SplitPieces(const std::vector<std::uint8_t>& bytes, std::size_t chunk, std::size_t piece)
        : bytes_(bytes), chunk_(chunk), piece_(piece) {}

    bool next(const std::uint8_t*& data, std::size_t& size) override {
        if (leftInChunk_ == 0) {
            if (position_ >= bytes_.size()) return false;
            leftInChunk_ = std::min(chunk_, bytes_.size() - position_);
        }
        return nextInChunk(data, size);
    }
    bool nextInChunk(const std::uint8_t*& data, std::size_t& size) override {
        if (leftInChunk_ == 0) return false;
        size = std::min(piece_, leftInChunk_);
        data = bytes_.data() + position_;
        position_ += size;
        leftInChunk_ -= size;
        return true;
    }
    void restart() override { position_ = leftInChunk_ = 0; }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t chunk_, piece_;
    std::size_t position_ = 0, leftInChunk_ = 0;
};
