#include "picture/metafile/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

const char* codePageFor(int charset) {
    switch (charset) {
        case 128:
            return "CP932";
        case 129:
            return "CP949";
        case 134:
            return "CP936";
        case 136:
            return "CP950";
        case 161:
            return "CP1253";
        case 162:
            return "CP1254";
        case 163:
            return "CP1258";
        case 177:
            return "CP1255";
        case 178:
            return "CP1256";
        case 186:
            return "CP1257";
        case 204:
            return "CP1251";
        case 222:
            return "CP874";
        case 238:
            return "CP1250";
        default:
            return "CP1252";
    }
}

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Converts one character of at most `count` bytes; returns the bytes used,
// 0 when the bytes do not form a character.
std::size_t convertOne(iconv_t cd, const std::uint8_t* bytes, std::size_t count, char32_t& out) {
    // No code page of a metafile font has characters longer than four bytes.
    char in[4];
    const std::size_t available = std::min(count, sizeof in);
    std::memcpy(in, bytes, available);
    for (std::size_t length = 1; length <= available; ++length) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* inPtr = in;
        std::size_t inLeft = length;
        char32_t result[2] = {0, 0};
        char* outPtr = reinterpret_cast<char*>(result);
        std::size_t outLeft = sizeof result;
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        if (r != static_cast<std::size_t>(-1) && inLeft == 0 && outLeft < sizeof result) {
            out = result[0];
            return length;
        }
        if (r == static_cast<std::size_t>(-1) && errno != EINVAL) return 0;
    }
    return 0;
}

}  // namespace

char32_t SymbolToUnicode(std::uint8_t b) {
    // The Symbol font's layout: Greek letters on the Latin keys, mathematical
    // signs in the upper half.
    static const char32_t upper[] = {
        0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,  // A0-A7
        0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,  // A8-AF
        0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,  // B0-B7
        0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,  // B8-BF
        0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,  // C0-C7
        0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,  // C8-CF
        0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,  // D0-D7
        0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,  // D8-DF
        0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,  // E0-E7
        0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,  // E8-EF
        0x0020, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,  // F0-F7
        0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0020,  // F8-FF
    };
    static const char32_t greekUpper[] = {0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
                                          0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D,
                                          0x039F, 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5,
                                          0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396};
    static const char32_t greekLower[] = {0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
                                          0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD,
                                          0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5,
                                          0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6};
    if (b >= 0xA0) return upper[b - 0xA0];
    if (b >= 'A' && b <= 'Z') return greekUpper[b - 'A'];
    if (b >= 'a' && b <= 'z') return greekLower[b - 'a'];
    switch (b) {
        case 0x22:
            return 0x2200;
        case 0x24:
            return 0x2203;
        case 0x27:
            return 0x220B;
        case 0x2A:
            return 0x2217;
        case 0x2D:
            return 0x2212;
        case 0x40:
            return 0x2245;
        case 0x5C:
            return 0x2234;
        case 0x5E:
            return 0x22A5;
        case 0x60:
            return 0xF8E5;
        case 0x7E:
            return 0x223C;
        default:
            return b;
    }
}

int TextEncodingFor(const std::string& face, int charset) {
    std::string lower;
    for (char c : face) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower == "symbol") return kSymbolCharset;
    if (charset == kSymbolCharset) return kPrivateSymbolEncoding;
    return charset;
}

DecodedText DecodeAnsiText(const std::uint8_t* bytes, std::size_t count, int charset) {
    DecodedText text;
    if (charset == kPrivateSymbolEncoding) {
        // Symbol fonts map their bytes into this private range.
        for (std::size_t i = 0; i < count; ++i) {
            text.chars.push_back(bytes[i] < 0x20 ? bytes[i] : 0xF000 + bytes[i]);
            text.firstUnit.push_back(i);
        }
        return text;
    }
    if (charset == kSymbolCharset) {
        for (std::size_t i = 0; i < count; ++i) {
            text.chars.push_back(SymbolToUnicode(bytes[i]));
            text.firstUnit.push_back(i);
        }
        return text;
    }
    std::unique_ptr<void, IconvCloser> cd;
    const iconv_t handle = iconv_open("UTF-32LE", codePageFor(charset));
    if (handle != reinterpret_cast<iconv_t>(-1)) cd.reset(handle);
    std::size_t i = 0;
    while (i < count) {
        char32_t c = bytes[i];
        std::size_t used = 1;
        if (cd) {
            const std::size_t n =
                convertOne(static_cast<iconv_t>(cd.get()), bytes + i, count - i, c);
            if (n > 0)
                used = n;
            else
                c = 0xFFFD;
        }
        text.chars.push_back(c);
        text.firstUnit.push_back(i);
        i += used;
    }
    return text;
}

DecodedText DecodeUtf16Text(const std::uint16_t* units, std::size_t count) {
    DecodedText text;
    for (std::size_t i = 0; i < count; ++i) {
        char32_t c = units[i];
        const std::size_t first = i;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        text.chars.push_back(c);
        text.firstUnit.push_back(first);
    }
    return text;
}

std::string ToUtf8(const std::u32string& chars) {
    std::string out;
    for (char32_t c : chars) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
