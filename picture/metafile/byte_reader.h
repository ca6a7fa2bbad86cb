#pragma once

// Bounds-checked little-endian reads over one record (or one file). Every
// read names the span it was asked for and throws EInvalidGraphic, naming the
// record, when that span leaves the data: a damaged length or count can never
// make the renderer read outside the file.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "picture/errors.h"

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const std::uint8_t* data, std::size_t size, std::string what)
        : data_(data), size_(size), what_(std::move(what)) {}

    std::size_t size() const { return size_; }
    const std::string& what() const { return what_; }

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
        return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    }
    std::int16_t i16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
    std::uint32_t u32(std::size_t offset) const {
        require(offset, 4);
        return static_cast<std::uint32_t>(data_[offset]) |
               (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(data_[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
    }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    float f32(std::size_t offset) const {
        const std::uint32_t bits = u32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // Pointer to `count` checked bytes from `offset`.
    const std::uint8_t* bytes(std::size_t offset, std::size_t count) const {
        require(offset, count);
        return data_ + offset;
    }
    // The checked sub-span [offset, offset + count) with the same name.
    ByteReader sub(std::size_t offset, std::size_t count) const {
        require(offset, count);
        return ByteReader(data_ + offset, count, what_);
    }
    // The rest of the data from `offset` (empty when offset is at the end).
    ByteReader from(std::size_t offset) const {
        require(offset, 0);
        return ByteReader(data_ + offset, size_ - offset, what_);
    }

    [[noreturn]] void fail(const std::string& fault) const {
        throw EInvalidGraphic(what_.empty() ? fault : what_ + ": " + fault);
    }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::string what_;
};
