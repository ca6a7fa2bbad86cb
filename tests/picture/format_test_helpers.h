#pragma once

// Helpers shared by the format tests: photo-like pictures, the colours
// of a pixel buffer as RGB bytes, and the outside decoders' readings.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// jpeglib.h uses FILE and size_t without including them: it comes after
// <cstddef> and <cstdio>.
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "picture/decoded_picture.h"
#include "picture/dib.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

// A smooth photo-like picture with some noise, the same for the same seed.
TDIB MakePhotoLike(int width, int height, std::uint32_t seed = 1);

// The buffer's pixels as RGB triples, rows top to bottom (any pixel format).
RgbImage ToRgb(const TDIB& dib);
// The same for a decoded picture.
RgbImage ToRgb(const DecodedPicture& picture);

// Number of differing bytes, or -1 when the sizes differ.
long CountDifferences(const RgbImage& a, const RgbImage& b);

// A JPEG made by libjpeg directly, in any colour space, for files our writer
// never makes (greyscale, CMYK, progressive).
struct EncodeRequest {
    int width = 16, height = 16, components = 3;
    J_COLOR_SPACE space = JCS_RGB;
    bool adobeMarker = true;
    bool progressive = false;
    int quality = 100;
    std::vector<std::uint8_t> samples;  // rows top to bottom, `components` per pixel
};
std::vector<std::uint8_t> EncodeWithLibjpeg(EncodeRequest request);
// A small progressive JPEG of a flat colour, three components.
std::vector<std::uint8_t> SmallProgressiveJpeg();

// A JPEG whose frame header declares width x height.
std::vector<std::uint8_t> WithDeclaredSize(std::vector<std::uint8_t> jpeg, int width, int height);
// A JPEG with `count` more scans before its end, copies of its first scan's
// header each followed by bytes no Huffman table decodes.
std::vector<std::uint8_t> WithGarbageScans(std::vector<std::uint8_t> jpeg, int count);
// A JPEG with a marker segment (its marker and bytes) put before its second
// scan, as an editor that broke a file between scans would leave it.
std::vector<std::uint8_t> WithSegmentBeforeSecondScan(std::vector<std::uint8_t> jpeg,
                                                      const std::vector<std::uint8_t>& segment);
// Where the start-of-scan markers of a JPEG are.
std::vector<std::size_t> ScanStarts(const std::vector<std::uint8_t>& jpeg);

// A file's bytes as a shared vector, for LoadPictureBytes.
std::shared_ptr<const std::vector<std::uint8_t>> SharedBytes(std::vector<std::uint8_t> bytes);

// Runs one of the Python scripts in tests/scripts with the system's Python
// (which has Pillow) over many inputs at once: script(input output ...).
// Each input's output bytes, or nothing where the script wrote none.
std::vector<std::optional<std::vector<std::uint8_t>>> RunPillowScript(
    const std::string& script, const std::vector<std::string>& inputs);

// Pillow's reading of PNG files with the program's conversions
// (pil_png_reference.py).
std::vector<std::optional<RgbImage>> PillowPngReference(const std::vector<std::string>& paths);
std::optional<RgbImage> PillowPngReference(const std::string& path);

// Parts of a PNG file: its chunks in order.
struct PngChunk {
    std::string type;
    std::vector<std::uint8_t> data;
    std::uint32_t crc = 0;
};
std::vector<PngChunk> ParsePngChunks(const std::vector<std::uint8_t>& file);

// Builds a PNG file from chunks (CRCs computed) after the signature.
std::vector<std::uint8_t> BuildPng(const std::vector<PngChunk>& chunks);
PngChunk MakeChunk(const std::string& type, const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> IhdrData(std::uint32_t width, std::uint32_t height, int depth,
                                   int colorType, int interlace = 0);
// zlib compression of `raw` at the given level.
std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& raw, int level = 6);
std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t>& compressed);
