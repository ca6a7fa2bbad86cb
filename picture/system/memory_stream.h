#pragma once

// An input stream over bytes already in memory, without copying them (a
// std::istringstream would copy the whole file). Seeking is supported, as
// the BMP reader measures what is left of its stream.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <streambuf>

class MemoryStreamBuf : public std::streambuf {
public:
    MemoryStreamBuf(const std::uint8_t* data, std::size_t size) {
        char* begin = const_cast<char*>(reinterpret_cast<const char*>(data));  // never written
        setg(begin, begin, begin + size);
    }

protected:
    pos_type seekoff(off_type offset, std::ios_base::seekdir dir,
                     std::ios_base::openmode which) override {
        if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
        off_type base = 0;
        if (dir == std::ios_base::cur) base = gptr() - eback();
        if (dir == std::ios_base::end) base = egptr() - eback();
        const off_type target = base + offset;
        if (target < 0 || target > egptr() - eback()) return pos_type(off_type(-1));
        setg(eback(), eback() + target, egptr());
        return pos_type(target);
    }
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
        return seekoff(off_type(position), std::ios_base::beg, which);
    }
};

class MemoryInputStream : public std::istream {
public:
    MemoryInputStream(const std::uint8_t* data, std::size_t size)
        : std::istream(nullptr), buffer_(data, size) {
        rdbuf(&buffer_);
    }

private:
    MemoryStreamBuf buffer_;
};
