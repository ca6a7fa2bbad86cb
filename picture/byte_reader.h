#pragma once

// Reading a file held in memory field by field. Reading past the end fails
// as a short stream does (EReadError), so a cut-off file is refused without
// any read outside the bytes.

#include <cstddef>
#include <cstdint>

#include "picture/errors.h"

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }

    std::uint8_t u8() {
        need(1);
        return data_[pos_++];
    }
    std::uint16_t u16le() {
        need(2);
        const std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t u32be() {
        need(4);
        const std::uint32_t v = (std::uint32_t{data_[pos_]} << 24) | (std::uint32_t{data_[pos_ + 1]} << 16) |
                                (std::uint32_t{data_[pos_ + 2]} << 8) | std::uint32_t{data_[pos_ + 3]};
        pos_ += 4;
        return v;
    }
    // The next `n` bytes, which must all be there.
    const std::uint8_t* take(std::size_t n) {
        need(n);
        const std::uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    void skip(std::size_t n) { take(n); }

private:
    void need(std::size_t n) const {
        if (n > size_ - pos_) throw EReadError();
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};
