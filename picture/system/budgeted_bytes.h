#pragma once

// Bytes that grow with a picture (an encoder's output, a coder's code
// stream) held against the memory budget: their store grows only by what
// the budget grants, and its reservation lives as long as the bytes do.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "picture/system/memory_budget.h"

class BudgetedBytes {
public:
    // `what` names the bytes in a refusal ("The JPEG encoder's output").
    explicit BudgetedBytes(std::string what) : what_(std::move(what)) {}

    // Room for `capacity` bytes in all, reserved before it is taken: while
    // the bytes move to a larger store both stores count. A store that grows
    // bit by bit grows by half at least. Throws EOutOfMemory (or EMemoryBusy)
    // as ReserveMemory does, the bytes left as they were.
    void reserve(std::size_t capacity);
    // The size, with the room reserved first.
    void resize(std::size_t size) {
        reserve(size);
        bytes_.resize(size);
    }
    // Appends, with the room reserved first.
    void append(const std::uint8_t* data, std::size_t size) {
        reserve(bytes_.size() + size);
        bytes_.insert(bytes_.end(), data, data + size);
    }

    // Resizing within the capacity never takes memory.
    std::vector<std::uint8_t>& bytes() { return bytes_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::size_t reserved() const { return memory_.bytes(); }
    // Hands the bytes over; they are no longer counted.
    std::vector<std::uint8_t> take();

private:
    std::string what_;
    std::vector<std::uint8_t> bytes_;
    MemoryReservation memory_;
};
