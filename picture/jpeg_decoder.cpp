#include <algorithm>
#include <cstring>
#include <vector>

#include "picture/errors.h"
#include "picture/jpeg_glue.h"
#include "picture/jpeg_picture.h"
#include "picture/reader_limits.h"

// Decoding runs in three guarded stretches (header, start, rows) with our
// own allocations in between, so that no C++ object is alive inside a
// stretch when libjpeg leaves it by its error exit.

namespace {

// libjpeg's quantizer is asked for this many colours for a greyscale file.
constexpr int kGreyQuantizerColors = 236;
// Rows handed to libjpeg per call.
constexpr int kRowsPerCall = 16;
// A progressive file rereads its whole coefficient store for every scan;
// real files have about ten. A damaged one with thousands would keep the
// decoder busy for hours, so it is refused.
constexpr int kMaxScans = 1000;

void checkScanCount(j_common_ptr common) {
    if (!common->is_decompressor) return;
    const auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    if (cinfo->input_scan_number > kMaxScans) AbortJpegSteps(common, "JPEG: too many scans");
}

struct HeaderStep {
    jpeg_decompress_struct* cinfo;
    const std::uint8_t* data;
    unsigned long size;
};
void readHeader(void* context) {
    auto* step = static_cast<HeaderStep*>(context);
    jpeg_mem_src(step->cinfo, step->data, step->size);
    jpeg_read_header(step->cinfo, TRUE);
}

void startDecompress(void* context) {
    jpeg_start_decompress(static_cast<jpeg_decompress_struct*>(context));
}

struct RowsStep {
    jpeg_decompress_struct* cinfo;
    DecodedPicture* picture;
    std::uint8_t* inkRows;  // CMYK rows of one call, or null when libjpeg writes the picture directly
    bool invertedInks;
};

// One ink pair to a channel: paper shows through where neither ink covers.
// Adobe's files store 255 - ink, so there the stored values multiply directly.
inline std::uint8_t inkToChannel(unsigned ink, unsigned black) {
    return static_cast<std::uint8_t>((ink * black + 127) / 255);
}

void cmykRowToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, unsigned width, bool inverted) {
    for (unsigned x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = inkToChannel(y, k);
        bgr[1] = inkToChannel(m, k);
        bgr[2] = inkToChannel(c, k);
    }
}

void readRows(void* context) {
    auto* step = static_cast<RowsStep*>(context);
    jpeg_decompress_struct* cinfo = step->cinfo;
    const unsigned width = cinfo->output_width;
    JSAMPROW rows[kRowsPerCall];
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION count =
            std::min<JDIMENSION>(kRowsPerCall, cinfo->output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = step->inkRows ? step->inkRows + static_cast<std::size_t>(i) * width * 4
                                    : step->picture->row(static_cast<int>(first + i));
        }
        const JDIMENSION got = jpeg_read_scanlines(cinfo, rows, count);
        if (got == 0) break;  // cannot happen with an in-memory source; finish reports it
        if (step->inkRows) {
            for (JDIMENSION i = 0; i < got; ++i)
                cmykRowToBgr(rows[i], step->picture->row(static_cast<int>(first + i)), width,
                             step->invertedInks);
        }
    }
    jpeg_finish_decompress(cinfo);
}

// The coefficient store a multi-scan file keeps during decoding, in bytes per
// pixel: two bytes per sample of each component at full resolution.
unsigned coefficientBytesPerPixel(const jpeg_decompress_struct& cinfo) {
    if (!jpeg_has_multiple_scans(const_cast<jpeg_decompress_struct*>(&cinfo))) return 0;
    return 2u * static_cast<unsigned>(std::max(cinfo.num_components, 1));
}

}  // namespace

bool JPEGHasSignature(const std::uint8_t* data, std::size_t size) {
    return size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

DecodedPicture DecodeJPEG(const std::uint8_t* data, std::size_t size, const ReaderLimits& limits) {
    JpegDecompressor decompressor;
    jpeg_decompress_struct& cinfo = decompressor.cinfo;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = checkScanCount;
    cinfo.progress = &progress;

    HeaderStep header{&cinfo, data, static_cast<unsigned long>(size)};
    if (size != header.size) throw EJPEG(std::string("JPEG: file too large"));
    RunJpegSteps(decompressor.errors, readHeader, &header);

    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool inks = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    cinfo.do_block_smoothing = TRUE;
    cinfo.dct_method = JDCT_FLOAT;
    cinfo.buffered_image = FALSE;
    if (grey) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = kGreyQuantizerColors;
    } else if (inks) {
        cinfo.out_color_space = JCS_CMYK;
    } else {
        cinfo.out_color_space = JCS_EXT_BGR;
    }
    checkDeclaredPictureSize(cinfo.image_width, cinfo.image_height, limits, grey ? 8 : 24,
                             coefficientBytesPerPixel(cinfo));

    RunJpegSteps(decompressor.errors, startDecompress, &cinfo);

    DecodedPicture picture;
    picture.allocate(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                     grey ? 8 : 24);
    if (grey) {
        const int colors = std::clamp(cinfo.actual_number_of_colors, 0, 256);
        picture.colors.resize(static_cast<std::size_t>(colors));
        for (int i = 0; i < colors && cinfo.colormap; ++i) {
            const std::uint8_t level = cinfo.colormap[0][i];
            picture.colors[static_cast<std::size_t>(i)] = RGBQuad{level, level, level, 0};
        }
    }
    std::vector<std::uint8_t> inkRows;
    if (inks) inkRows.resize(static_cast<std::size_t>(cinfo.output_width) * 4 * kRowsPerCall);

    RowsStep rows{&cinfo, &picture, inks ? inkRows.data() : nullptr,
                  cinfo.saw_Adobe_marker != 0};
    RunJpegSteps(decompressor.errors, readRows, &rows);
    return picture;
}
