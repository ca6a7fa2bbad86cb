#pragma once

// Strings of metafile text records turned into Unicode. Eight-bit strings are
// in the code page of the font's character set (Shift-JIS for a Japanese
// font, 1252 for a Western one, the Symbol font's own encoding for the symbol
// set); EMF's wide strings are UTF-16. Each character remembers the index of
// its first byte or code unit, so spacing arrays given per byte or per unit
// can be summed per character.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodedText {
    std::u32string chars;
    std::vector<std::size_t> firstUnit;  // per character: index of its first byte / code unit
};

// Character sets of a logical font (the metafile's numbering).
constexpr int kAnsiCharset = 0;
constexpr int kDefaultCharset = 1;
constexpr int kSymbolCharset = 2;
constexpr int kShiftJisCharset = 128;
// Not a character set of the metafile: a symbol font other than Symbol
// itself, whose bytes name glyphs of that font only.
constexpr int kPrivateSymbolEncoding = -1;

// How the bytes of a font's strings are to be read: the Symbol face by the
// Symbol layout whatever set it names, other symbol fonts privately,
// everything else by its character set.
int TextEncodingFor(const std::string& face, int charset);

DecodedText DecodeAnsiText(const std::uint8_t* bytes, std::size_t count, int charset);
DecodedText DecodeUtf16Text(const std::uint16_t* units, std::size_t count);

// A byte of the Symbol font's encoding as the Unicode character it shows.
char32_t SymbolToUnicode(std::uint8_t byte);

// Unicode characters as UTF-8 (face names are kept so).
std::string ToUtf8(const std::u32string& chars);
