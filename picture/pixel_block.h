#pragma once

// A zero-filled block of bytes for pixels. Large blocks come straight from the
// kernel as fresh zero pages (no memset, and huge pages where the system
// allows them), because touching every page of a 70 MB picture twice costs
// more than the arithmetic that fills it. Every block holds its size
// against the process's memory budget for as long as it lives.

#include <cstddef>
#include <cstdint>
#include <string>

#include "picture/system/memory_budget.h"

class PixelBlock {
public:
    PixelBlock() = default;
    // A block of `size` zero bytes; throws EOutOfMemory (memory_budget.h)
    // naming `what` when it cannot be had.
    explicit PixelBlock(std::size_t size, const std::string& what = "A picture");
    ~PixelBlock();
    PixelBlock(PixelBlock&& other) noexcept;
    PixelBlock& operator=(PixelBlock&& other) noexcept;
    PixelBlock(const PixelBlock&) = delete;
    PixelBlock& operator=(const PixelBlock&) = delete;

    // A block holding a copy of `size` bytes at `data`.
    static PixelBlock copyOf(const std::uint8_t* data, std::size_t size);

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    void release();

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    bool mapped_ = false;
    MemoryReservation memory_;
};
