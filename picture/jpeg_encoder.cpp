#include <algorithm>
#include <new>
#include <vector>

#include "picture/jpeg_glue.h"
#include "picture/jpeg_picture.h"

// Encoding: the rows of the 24-bit buffer go to libjpeg as they are (blue,
// green, red), which gives the same file as red-green-blue input; the
// compressed bytes grow in a vector owned by the caller.

namespace {

constexpr int kQuality = 90;
constexpr int kRowsPerCall = 16;
constexpr std::size_t kFirstOutputBlock = 1 << 16;

// A libjpeg destination writing into a std::vector.
struct VectorDestination {
    jpeg_destination_mgr pub;
    std::vector<std::uint8_t>* bytes;
};

void initDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->bytes->data();
    dest->pub.free_in_buffer = dest->bytes->size();
}

boolean growDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    std::vector<std::uint8_t>& bytes = *dest->bytes;
    const std::size_t used = bytes.size();
    bool grown = true;
    try {
        bytes.resize(used * 2);
    } catch (const std::bad_alloc&) {
        grown = false;
    }
    // Leave libjpeg only after the exception is gone.
    if (!grown) AbortJpegSteps(reinterpret_cast<j_common_ptr>(cinfo), "Out of memory");
    dest->pub.next_output_byte = bytes.data() + used;
    dest->pub.free_in_buffer = bytes.size() - used;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->bytes->resize(dest->bytes->size() - dest->pub.free_in_buffer);
}

struct EncodeStep {
    jpeg_compress_struct* cinfo;
    const TDIB* picture;
};

void encodeRows(void* context) {
    auto* step = static_cast<EncodeStep*>(context);
    jpeg_compress_struct* cinfo = step->cinfo;
    const TDIB& picture = *step->picture;
    cinfo->image_width = static_cast<JDIMENSION>(picture.Width());
    cinfo->image_height = static_cast<JDIMENSION>(picture.Height());
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    cinfo->dct_method = JDCT_FLOAT;
    jpeg_set_quality(cinfo, kQuality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    JSAMPROW rows[kRowsPerCall];
    while (cinfo->next_scanline < cinfo->image_height) {
        const JDIMENSION first = cinfo->next_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, cinfo->image_height - first);
        for (JDIMENSION i = 0; i < count; ++i)  // libjpeg only reads the rows
            rows[i] = const_cast<JSAMPROW>(picture.ScanLine(static_cast<int>(first + i)));
        jpeg_write_scanlines(cinfo, rows, count);
    }
    jpeg_finish_compress(cinfo);
}

}  // namespace

std::vector<std::uint8_t> EncodeJPEG(const TDIB& picture24) {
    if (picture24.PixelFormat() != PixelFormat24Bit)
        throw EJPEG(std::string("JPEG: the picture to encode must have 24 bits per pixel"));
    // A photo at quality 90 takes about 3 bits per pixel; starting near that
    // saves most of the regrowth.
    const std::size_t pixels =
        static_cast<std::size_t>(picture24.Width()) * static_cast<std::size_t>(picture24.Height());
    std::vector<std::uint8_t> bytes(std::max(kFirstOutputBlock, pixels / 8 * 3));
    JpegCompressor compressor;
    VectorDestination destination{};
    destination.pub.init_destination = initDestination;
    destination.pub.empty_output_buffer = growDestination;
    destination.pub.term_destination = termDestination;
    destination.bytes = &bytes;
    compressor.cinfo.dest = &destination.pub;
    EncodeStep step{&compressor.cinfo, &picture24};
    RunJpegSteps(compressor.errors, encodeRows, &step);
    return bytes;
}
