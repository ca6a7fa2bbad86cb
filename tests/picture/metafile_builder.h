#pragma once

// Metafiles built record by record inside the tests, so each drawing rule
// can be checked on a picture small enough to reason about pixel by pixel,
// and a small PNG writer for looking at what the renderer drew.

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "picture/decoded_picture.h"

namespace metafile_test {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
inline void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}
inline void putAt32(Bytes& b, std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

// COLORREF of the records: red in the low byte.
constexpr std::uint32_t rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r | (g << 8) | (b << 16));
}

// A WMF; parameters are given in the order they are stored (the records
// keep most coordinates in reverse: y before x, bottom before top).
class WmfBuilder {
public:
    // With `inch` > 0 the placeable header is written with these bounds.
    WmfBuilder(int left = 0, int top = 0, int right = 0, int bottom = 0, int inch = 0)
        : bounds_{left, top, right, bottom}, inch_(inch) {}

    WmfBuilder& record(int function, std::initializer_list<int> words) {
        return raw(function, std::vector<int>(words));
    }
    WmfBuilder& raw(int function, const std::vector<int>& words) {
        Bytes& b = records_;
        put32(b, static_cast<std::uint32_t>(3 + words.size()));
        put16(b, function);
        for (int w : words) put16(b, w);
        return *this;
    }
    WmfBuilder& bytesRecord(int function, const Bytes& params) {
        put32(records_, static_cast<std::uint32_t>(3 + (params.size() + 1) / 2));
        put16(records_, function);
        records_.insert(records_.end(), params.begin(), params.end());
        if (params.size() % 2) records_.push_back(0);
        return *this;
    }

    WmfBuilder& mapMode(int mode) { return record(0x0103, {mode}); }
    WmfBuilder& windowOrg(int x, int y) { return record(0x020B, {y, x}); }
    WmfBuilder& windowExt(int x, int y) { return record(0x020C, {y, x}); }
    WmfBuilder& pen(int style, int width, std::uint32_t color) {
        return record(0x02FA, {style, width, 0, static_cast<int>(color & 0xFFFF),
                               static_cast<int>(color >> 16)});
    }
    WmfBuilder& brush(int style, std::uint32_t color, int hatch = 0) {
        return record(0x02FC, {style, static_cast<int>(color & 0xFFFF),
                               static_cast<int>(color >> 16), hatch});
    }
    WmfBuilder& select(int index) { return record(0x012D, {index}); }
    WmfBuilder& deleteObject(int index) { return record(0x01F0, {index}); }
    WmfBuilder& rectangle(int l, int t, int r, int b) { return record(0x041B, {b, r, t, l}); }
    WmfBuilder& ellipse(int l, int t, int r, int b) { return record(0x0418, {b, r, t, l}); }
    WmfBuilder& moveTo(int x, int y) { return record(0x0214, {y, x}); }
    WmfBuilder& lineTo(int x, int y) { return record(0x0213, {y, x}); }
    WmfBuilder& fillMode(int mode) { return record(0x0106, {mode}); }
    WmfBuilder& rop2(int mode) { return record(0x0104, {mode}); }
    WmfBuilder& bkMode(int mode) { return record(0x0102, {mode}); }
    WmfBuilder& polygon(const std::vector<std::pair<int, int>>& points) {
        std::vector<int> words{static_cast<int>(points.size())};
        for (auto [x, y] : points) words.push_back(x), words.push_back(y);
        return raw(0x0324, words);
    }
    WmfBuilder& intersectClip(int l, int t, int r, int b) { return record(0x0416, {b, r, t, l}); }
    WmfBuilder& saveDC() { return record(0x001E, {}); }
    WmfBuilder& restoreDC(int which) { return record(0x0127, {which}); }

    Bytes build(int objects = 16, bool endRecord = true) const {
        Bytes b;
        if (inch_ > 0) {
            put32(b, 0x9AC6CDD7);
            put16(b, 0);
            for (int v : bounds_) put16(b, v);
            put16(b, inch_);
            put32(b, 0);
            put16(b, 0);  // checksum, not checked
        }
        const std::size_t words = 9 + records_.size() / 2 + (endRecord ? 3 : 0);
        put16(b, 1);
        put16(b, 9);
        put16(b, 0x0300);
        put32(b, static_cast<std::uint32_t>(words));
        put16(b, objects);
        put32(b, 0);
        put16(b, 0);
        b.insert(b.end(), records_.begin(), records_.end());
        if (endRecord) {
            put32(b, 3);
            put16(b, 0);
        }
        return b;
    }

private:
    int bounds_[4];
    int inch_;
    Bytes records_;
};

// An EMF recorded on a 96-dpi device (960 pixels on 254 mm), so device
// units become picture pixels exactly when the frame is a whole number of
// hundredths of a millimetre: widths and heights that are multiples of 24.
class EmfBuilder {
public:
    // A picture of width x height pixels.
    EmfBuilder(int width, int height)
        : frameRight_(static_cast<int>(width * 2540.0 / 96 + 0.5)),
          frameBottom_(static_cast<int>(height * 2540.0 / 96 + 0.5)) {}

    EmfBuilder& record(std::uint32_t type, std::initializer_list<std::uint32_t> values) {
        Bytes payload;
        for (std::uint32_t v : values) put32(payload, v);
        return bytesRecord(type, payload);
    }
    EmfBuilder& bytesRecord(std::uint32_t type, const Bytes& payload) {
        put32(records_, type);
        put32(records_, static_cast<std::uint32_t>(8 + ((payload.size() + 3) & ~std::size_t{3})));
        records_.insert(records_.end(), payload.begin(), payload.end());
        while (records_.size() % 4) records_.push_back(0);
        ++count_;
        return *this;
    }

    static std::uint32_t u(int v) { return static_cast<std::uint32_t>(v); }
    EmfBuilder& pen(int index, int style, int width, std::uint32_t color) {
        return record(38, {u(index), u(style), u(width), 0, color});
    }
    EmfBuilder& brush(int index, int style, std::uint32_t color, int hatch = 0) {
        return record(39, {u(index), u(style), color, u(hatch)});
    }
    EmfBuilder& select(std::uint32_t index) { return record(37, {index}); }
    EmfBuilder& rectangle(int l, int t, int r, int b) {
        return record(43, {u(l), u(t), u(r), u(b)});
    }
    EmfBuilder& ellipse(int l, int t, int r, int b) { return record(42, {u(l), u(t), u(r), u(b)}); }
    EmfBuilder& moveTo(int x, int y) { return record(27, {u(x), u(y)}); }
    EmfBuilder& lineTo(int x, int y) { return record(54, {u(x), u(y)}); }
    EmfBuilder& mapMode(int mode) { return record(17, {u(mode)}); }
    EmfBuilder& textAlign(int align) { return record(22, {u(align)}); }
    EmfBuilder& bkMode(int mode) { return record(18, {u(mode)}); }
    EmfBuilder& textColor(std::uint32_t c) { return record(24, {c}); }
    EmfBuilder& font(int index, int height, const std::u16string& face, int escapement = 0) {
        Bytes p;
        put32(p, u(index));
        put32(p, u(height));
        put32(p, 0);
        put32(p, u(escapement));
        put32(p, u(escapement));
        put32(p, 400);
        put32(p, 0);  // italic, underline, strike-out, charset
        put32(p, 0);  // precision, quality, pitch
        for (int i = 0; i < 32; ++i) put16(p, i < static_cast<int>(face.size()) ? face[i] : 0);
        return bytesRecord(82, p);
    }
    // EXTTEXTOUTW of `text` at (x, y) without options.
    EmfBuilder& text(int x, int y, const std::u16string& text) {
        Bytes p;
        for (int i = 0; i < 4; ++i) put32(p, 0);  // bounds
        put32(p, 1);                              // compatible graphics mode
        put32(p, 0), put32(p, 0);                 // scales (floats, unused)
        put32(p, u(x)), put32(p, u(y));
        put32(p, u(static_cast<int>(text.size())));
        put32(p, 8 + 68);  // string right after the fixed part
        put32(p, 0);       // options
        for (int i = 0; i < 4; ++i) put32(p, 0);
        put32(p, 0);  // no spacing array
        for (char16_t c : text) put16(p, c);
        return bytesRecord(84, p);
    }
    EmfBuilder& polygon(const std::vector<std::pair<int, int>>& points) {
        Bytes p;
        for (int i = 0; i < 4; ++i) put32(p, 0);
        put32(p, u(static_cast<int>(points.size())));
        for (auto [x, y] : points) put32(p, u(x)), put32(p, u(y));
        return bytesRecord(3, p);
    }

    Bytes build(bool endRecord = true) const {
        Bytes b;
        put32(b, 1);
        put32(b, 108);
        for (int v : {0, 0, 0, 0}) put32(b, u(v));                       // bounds
        for (int v : {0, 0, frameRight_, frameBottom_}) put32(b, u(v));  // frame
        put32(b, 0x464D4520);
        put32(b, 0x10000);
        put32(b, 0);  // bytes, filled in below
        put32(b, static_cast<std::uint32_t>(count_ + 2));
        put16(b, 16);
        put16(b, 0);
        put32(b, 0), put32(b, 0), put32(b, 0);  // description, palette
        put32(b, 960), put32(b, 960);           // device pixels
        put32(b, 254), put32(b, 254);           // device millimetres
        put32(b, 0), put32(b, 0), put32(b, 0);  // pixel format, OpenGL
        put32(b, 254000), put32(b, 254000);     // micrometres
        b.insert(b.end(), records_.begin(), records_.end());
        if (endRecord) {
            for (std::uint32_t v : {14u, 20u, 0u, 16u, 20u}) put32(b, v);
        }
        putAt32(b, 48, static_cast<std::uint32_t>(b.size()));
        return b;
    }

private:
    int frameRight_, frameBottom_;
    Bytes records_;
    int count_ = 0;
};

// The colour of picture pixel (x, y), 0xRRGGBB.
inline std::uint32_t pixelAt(const DecodedPicture& p, int x, int y) {
    const std::uint8_t* q = p.row(y) + 4 * x;
    return static_cast<std::uint32_t>(q[2] << 16 | q[1] << 8 | q[0]);
}

// The smallest rectangle holding every pixel that is not white, as
// {left, top, right, bottom} inclusive; all -1 when there is none.
struct InkBox {
    int left = -1, top = -1, right = -1, bottom = -1;
    bool operator==(const InkBox& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};
inline InkBox inkBox(const DecodedPicture& p) {
    InkBox box;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (pixelAt(p, x, y) == 0xFFFFFF) continue;
            if (box.left < 0) box = {x, y, x, y};
            box.left = std::min(box.left, x), box.right = std::max(box.right, x);
            box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
        }
    return box;
}
inline std::ostream& operator<<(std::ostream& os, const InkBox& b) {
    return os << "{" << b.left << ", " << b.top << ", " << b.right << ", " << b.bottom << "}";
}

// Writes a 32-bit picture as an RGB PNG (for looking at results).
void WritePng(const DecodedPicture& picture, const std::string& path);

}  // namespace metafile_test
