#include "picture/gif/gif_lzw.h"

#include <algorithm>
#include <array>
#include <memory>

#include "picture/file_fault.h"
#include "picture/gif/gif_errors.h"
#include "picture/system/memory_budget.h"

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;  // 4096 codes
// The encoder sends a clear code instead of assigning this code.
constexpr int kEncoderClearAt = 4095;

// Reads codes least significant bit first; reports the end of the data.
class CodeReader {
public:
    CodeReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // False when fewer than `bits` bits remain.
    bool read(int bits, int& code) {
        while (held_ < bits) {
            if (pos_ >= size_) return false;
            buffer_ |= static_cast<std::uint32_t>(data_[pos_++]) << held_;
            held_ += 8;
        }
        code = static_cast<int>(buffer_ & ((1u << bits) - 1));
        buffer_ >>= bits;
        held_ -= bits;
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::uint32_t buffer_ = 0;
    int held_ = 0;
};

// Collects decoded pixels into rows.
class RowAssembler {
public:
    RowAssembler(int rowWidth, int rowCount,
                 const std::function<void(int, const std::uint8_t*, int)>& row)
        : row_(row),
          pixels_(static_cast<std::size_t>(std::max(rowWidth, 1))),
          width_(rowWidth),
          rowCount_(rowCount) {}

    bool done() const { return rowsDone_ >= rowCount_; }
    int rowsDone() const { return rowsDone_; }

    // Hands over a row the data ended in.
    void flushPartialRow() {
        if (filled_ > 0 && !done()) row_(rowsDone_, pixels_.data(), filled_);
        filled_ = 0;
    }

    // Appends pixels (stops quietly once every row is complete).
    void append(const std::uint8_t* pixels, int count) {
        while (count > 0 && !done()) {
            if (width_ == 0) {  // rows without pixels: nothing to collect
                row_(rowsDone_++, pixels_.data(), 0);
                continue;
            }
            const int take = std::min(count, width_ - filled_);
            std::copy(pixels, pixels + take, pixels_.data() + filled_);
            filled_ += take;
            pixels += take;
            count -= take;
            if (filled_ == width_) {
                row_(rowsDone_++, pixels_.data(), width_);
                filled_ = 0;
            }
        }
    }

private:
    const std::function<void(int, const std::uint8_t*, int)>& row_;
    std::vector<std::uint8_t> pixels_;
    int width_;
    int rowCount_;
    int filled_ = 0;
    int rowsDone_ = 0;
};

[[noreturn]] void refuseCode(int code, int defined) {
    throw WithFault(EGIFError("Invalid GIF code"), "GIF: LZW code " + std::to_string(code) +
                                                       " in the image data names no entry (" +
                                                       std::to_string(defined) + " are defined)");
}

}  // namespace

int DecodeGifLzw(const std::uint8_t* data, std::size_t size, int minCodeSize, int rowWidth,
                 int rowCount, const std::function<void(int, const std::uint8_t*, int)>& row) {
    if (minCodeSize < 1 || minCodeSize > kMaxCodeBits - 1) {
        throw WithFault(
            EGIFError("Invalid GIF code size"),
            "GIF: LZW minimum code size " + std::to_string(minCodeSize) + " is not 1 to 11");
    }
    RowAssembler rows(rowWidth, rowCount, row);
    if (rowWidth == 0 || rowCount == 0) return 0;

    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    // Each table entry is a string: its last pixel, the code of the string
    // without that pixel, its first pixel and its length.
    std::array<std::uint16_t, kTableSize> prefix{};
    std::array<std::uint8_t, kTableSize> suffix{};
    std::array<std::uint8_t, kTableSize> first{};
    std::array<std::uint16_t, kTableSize> length{};
    for (int c = 0; c < clearCode; ++c) {
        suffix[c] = static_cast<std::uint8_t>(c);
        first[c] = static_cast<std::uint8_t>(c);
        length[c] = 1;
    }
    std::array<std::uint8_t, kTableSize> string{};

    CodeReader reader(data, size);
    int width = minCodeSize + 1;
    int next = endCode + 1;
    int previous = -1;
    int code;
    while (!rows.done() && reader.read(width, code)) {
        if (code == clearCode) {
            width = minCodeSize + 1;
            next = endCode + 1;
            previous = -1;
            continue;
        }
        if (code == endCode) break;
        int emitted;  // code whose string is output now
        if (previous < 0) {
            if (code > clearCode) refuseCode(code, clearCode);
            emitted = code;
        } else if (code < next) {
            emitted = code;
            if (next < kTableSize) {
                prefix[next] = static_cast<std::uint16_t>(previous);
                suffix[next] = first[code];
                first[next] = first[previous];
                length[next] = static_cast<std::uint16_t>(length[previous] + 1);
                ++next;
            }
        } else if (code == next && next < kTableSize) {
            // The string being defined: the previous string and its own first pixel.
            prefix[next] = static_cast<std::uint16_t>(previous);
            suffix[next] = first[previous];
            first[next] = first[previous];
            length[next] = static_cast<std::uint16_t>(length[previous] + 1);
            emitted = next++;
        } else {
            refuseCode(code, next);
        }
        // Code sizes above 8 are allowed, but a pixel must still be a byte.
        if (emitted < clearCode && emitted > 255) {
            throw WithFault(
                EGIFError("Invalid GIF code"),
                "GIF: LZW code " + std::to_string(emitted) + " stands for a pixel value above 255");
        }
        const int n = length[emitted];
        int c = emitted;
        for (int i = n - 1; i >= 0; --i) {
            string[static_cast<std::size_t>(i)] = suffix[c];
            c = prefix[c];
        }
        rows.append(string.data(), n);
        if (next == (1 << width) && width < kMaxCodeBits) ++width;
        previous = emitted;
    }
    rows.flushPartialRow();
    return rows.rowsDone();
}

namespace {

// Packs codes least significant bit first.
class CodeWriter {
public:
    explicit CodeWriter(BudgetedBytes& out) : out_(out) {}

    void write(int code, int bits) {
        buffer_ |= static_cast<std::uint64_t>(code) << held_;
        held_ += bits;
        if (held_ >= 32) {
            const std::size_t at = out_.bytes().size();
            out_.resize(at + 4);
            for (int i = 0; i < 4; ++i)
                out_.bytes()[at + i] = static_cast<std::uint8_t>(buffer_ >> (8 * i));
            buffer_ >>= 32;
            held_ -= 32;
        }
    }
    void flush() {
        while (held_ > 0) {
            const std::uint8_t byte = static_cast<std::uint8_t>(buffer_);
            out_.append(&byte, 1);
            buffer_ >>= 8;
            held_ -= 8;
        }
        held_ = 0;
        buffer_ = 0;
    }

private:
    BudgetedBytes& out_;
    std::uint64_t buffer_ = 0;
    int held_ = 0;
};

}  // namespace

std::vector<std::uint8_t> EncodeGifLzw(const std::uint8_t* const* rows, int rowWidth,
                                       int rowCount) {
    BudgetedBytes codes(kGifCodeStream);
    EncodeGifLzw(rows, rowWidth, rowCount, codes);
    return codes.take();
}

void EncodeGifLzw(const std::uint8_t* const* rows, int rowWidth, int rowCount, BudgetedBytes& out) {
    constexpr int kMinCodeSize = 8;
    constexpr int kClear = 1 << kMinCodeSize;
    constexpr int kEnd = kClear + 1;
    const std::size_t pixels = static_cast<std::size_t>(std::max(rowWidth, 0)) *
                               static_cast<std::size_t>(std::max(rowCount, 0));
    out.reserve(out.bytes().size() + pixels / 2 + 64);
    CodeWriter writer(out);

    // child[code * 256 + pixel]: the code of string `code` followed by
    // `pixel`, 0 when there is none (no assigned code is below 258). The
    // entries set since the last clear are listed so a clear resets only them.
    constexpr std::size_t kChildren = std::size_t{kTableSize} * 256;
    MemoryReservation tables =
        ReserveMemory(kChildren * sizeof(std::uint16_t), "The GIF coder's table");
    std::unique_ptr<std::uint16_t[]> child(new std::uint16_t[kChildren]());
    tables.markTaken();
    std::vector<std::uint32_t> assigned;
    assigned.reserve(kTableSize);

    int width = kMinCodeSize + 1;
    int next = kEnd + 1;
    writer.write(kClear, width);
    if (pixels == 0) {
        writer.write(kEnd, width);
        writer.flush();
        return;
    }

    // Sends a code; the width grows once the next free code no longer fits.
    auto send = [&](int code) {
        writer.write(code, width);
        if (next > (1 << width) - 1 && width < kMaxCodeBits) ++width;
    };

    int current = rows[0][0];
    bool firstPixel = true;
    for (int y = 0; y < rowCount; ++y) {
        const std::uint8_t* row = rows[y];
        for (int x = firstPixel ? 1 : 0; x < rowWidth; ++x) {
            const std::uint32_t slot = static_cast<std::uint32_t>(current) * 256u + row[x];
            const std::uint16_t found = child[slot];
            if (found != 0) {
                current = found;
                continue;
            }
            send(current);
            if (next < kEncoderClearAt) {
                child[slot] = static_cast<std::uint16_t>(next++);
                assigned.push_back(slot);
            } else {
                send(kClear);
                for (std::uint32_t s : assigned) child[s] = 0;
                assigned.clear();
                width = kMinCodeSize + 1;
                next = kEnd + 1;
            }
            current = row[x];
        }
        firstPixel = false;
    }
    send(current);
    writer.write(kEnd, width);
    writer.flush();
}
