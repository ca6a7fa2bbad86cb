#pragma once

// The one reader of numbers from bytes held in memory, for every format and
// the metafile player. It reads in two ways that may be mixed:
//  - at offsets (u8(at), u16(at), u32(at), u16be(at), ...), for records
//    whose fields stand at fixed places;
//  - in sequence from a cursor (u8(), u16le(), u32be(), take(), peek()), for
//    streams of blocks and chunks.
// Every read is checked against the end before a byte is touched, so a
// damaged length or count can never make a reader look outside the data.
// How a read past the end fails depends on what the bytes are:
//  - an unnamed reader fails as a short stream does (EReadError);
//  - a named one (a record of a graphic) with EInvalidGraphic "name: fault";
//  - one given a Failure of its own calls it (it must throw).
// The free functions LoadU16LE and friends decode bytes a caller has
// already checked, for readers of streams that fill a buffer first.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "picture/system/system_errors.h"

inline std::uint16_t LoadU16LE(const std::uint8_t* b) {
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
inline std::uint16_t LoadU16BE(const std::uint8_t* b) {
    return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}
inline std::uint32_t LoadU32LE(const std::uint8_t* b) {
    return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
           (std::uint32_t{b[3]} << 24);
}
inline std::uint32_t LoadU32BE(const std::uint8_t* b) {
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
           std::uint32_t{b[3]};
}

class ByteReader {
public:
    // Reports a read past the end; `what` is the reader's name, `fault` what
    // went wrong. Must throw.
    using Failure = void (*)(const std::string& what, const char* fault);

    ByteReader() = default;
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    ByteReader(const std::uint8_t* data, std::size_t size, std::string what)
        : data_(data), size_(size), what_(std::move(what)), failure_(&invalidGraphic) {}
    ByteReader(const std::uint8_t* data, std::size_t size, std::string what, Failure failure)
        : data_(data), size_(size), what_(std::move(what)), failure_(failure) {}

    std::size_t size() const { return size_; }
    const std::string& what() const { return what_; }

    // ------------------------------------------------------------ at offsets

    // True when `count` bytes from `offset` lie inside the data.
    bool has(std::size_t offset, std::size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    // True when `count` items of `itemSize` bytes from `offset` lie inside.
    bool hasItems(std::size_t offset, std::size_t count, std::size_t itemSize) const {
        return itemSize == 0 || (count <= SIZE_MAX / itemSize && has(offset, count * itemSize));
    }
    void require(std::size_t offset, std::size_t count) const {
        if (!has(offset, count)) fail("data runs past the end of the record");
    }
    void requireItems(std::size_t offset, std::size_t count, std::size_t itemSize) const {
        if (!hasItems(offset, count, itemSize)) fail("count exceeds the record");
    }

    std::uint8_t u8(std::size_t offset) const {
        require(offset, 1);
        return data_[offset];
    }
    std::uint16_t u16(std::size_t offset) const {
        require(offset, 2);
        return LoadU16LE(data_ + offset);
    }
    std::int16_t i16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
    std::uint32_t u32(std::size_t offset) const {
        require(offset, 4);
        return LoadU32LE(data_ + offset);
    }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    float f32(std::size_t offset) const {
        const std::uint32_t bits = u32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::uint16_t u16be(std::size_t offset) const {
        require(offset, 2);
        return LoadU16BE(data_ + offset);
    }
    std::uint32_t u32be(std::size_t offset) const {
        require(offset, 4);
        return LoadU32BE(data_ + offset);
    }

    // Pointer to `count` checked bytes from `offset`.
    const std::uint8_t* bytes(std::size_t offset, std::size_t count) const {
        require(offset, count);
        return data_ + offset;
    }
    // The checked sub-span [offset, offset + count), named and failing alike.
    ByteReader sub(std::size_t offset, std::size_t count) const {
        require(offset, count);
        return ByteReader(data_ + offset, count, what_, failure_);
    }
    // The rest of the data from `offset` (empty when offset is at the end).
    ByteReader from(std::size_t offset) const {
        require(offset, 0);
        return ByteReader(data_ + offset, size_ - offset, what_, failure_);
    }

    // ---------------------------------------------------------- in sequence

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }

    std::uint8_t u8() { return *take(1); }
    std::uint16_t u16le() { return LoadU16LE(take(2)); }
    std::uint32_t u32le() { return LoadU32LE(take(4)); }
    std::int32_t i32le() { return static_cast<std::int32_t>(u32le()); }
    std::uint32_t u32be() { return LoadU32BE(take(4)); }
    // The next `n` bytes, which must all be there.
    const std::uint8_t* take(std::size_t n) {
        if (n > size_ - pos_) fail("data runs past the end of the record");
        const std::uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    void skip(std::size_t n) { take(n); }
    // The next `n` bytes, which must all be there, without moving on.
    const std::uint8_t* peek(std::size_t n) const { return bytes(pos_, n); }

    [[noreturn]] void fail(const char* fault) const {
        failure_(what_, fault);
        throw EReadError();  // a Failure that returned
    }
    [[noreturn]] void fail(const std::string& fault) const { fail(fault.c_str()); }

private:
    [[noreturn]] static void shortStream(const std::string&, const char*) { throw EReadError(); }
    [[noreturn]] static void invalidGraphic(const std::string& what, const char* fault) {
        throw EInvalidGraphic(what.empty() ? std::string(fault) : what + ": " + fault);
    }

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    std::string what_;
    Failure failure_ = &shortStream;
};
