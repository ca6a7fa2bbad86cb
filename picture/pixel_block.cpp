#include "picture/pixel_block.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "picture/errors.h"

namespace {

// Below this size the heap is quicker than a mapping of our own.
constexpr std::size_t kMapThreshold = std::size_t{1} << 20;

}  // namespace

PixelBlock::PixelBlock(std::size_t size, const std::string& what) {
    if (size == 0) return;
    MemoryReservation memory = ReserveMemory(size, what);
    if (size >= kMapThreshold) {
        void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            throw EOutOfMemory(what + " needs " + DescribeBytes(size) +
                               " of memory, which the system refused");
        }
#ifdef MADV_HUGEPAGE
        madvise(p, size, MADV_HUGEPAGE);
#endif
        data_ = static_cast<std::uint8_t*>(p);
        mapped_ = true;
    } else {
        data_ = static_cast<std::uint8_t*>(std::calloc(size, 1));
        if (!data_) throw EOutOfMemory();
    }
    size_ = size;
    memory.markTaken();
    memory_ = std::move(memory);
}

PixelBlock::~PixelBlock() {
    release();
}

PixelBlock::PixelBlock(PixelBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, false)),
      memory_(std::move(other.memory_)) {}

PixelBlock& PixelBlock::operator=(PixelBlock&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, false);
        memory_ = std::move(other.memory_);
    }
    return *this;
}

PixelBlock PixelBlock::copyOf(const std::uint8_t* data, std::size_t size) {
    PixelBlock block(size);
    if (size) std::memcpy(block.data_, data, size);
    return block;
}

void PixelBlock::release() {
    if (!data_) return;
    if (mapped_)
        munmap(data_, size_);
    else
        std::free(data_);
    data_ = nullptr;
    size_ = 0;
    mapped_ = false;
    memory_.release();
}
