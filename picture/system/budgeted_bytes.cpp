#include "picture/system/budgeted_bytes.h"

#include <algorithm>

void BudgetedBytes::reserve(std::size_t capacity) {
    if (capacity <= bytes_.capacity()) return;
    const std::size_t grown = std::max(capacity, bytes_.capacity() + bytes_.capacity() / 2);
    MemoryReservation more = ReserveMemory(grown, what_);
    bytes_.reserve(grown);
    more.markTaken();
    memory_ = std::move(more);
}

std::vector<std::uint8_t> BudgetedBytes::take() {
    memory_.release();
    return std::move(bytes_);
}
