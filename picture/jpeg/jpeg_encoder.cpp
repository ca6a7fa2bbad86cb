#include <jerror.h>

#include <algorithm>
#include <exception>
#include <ostream>
#include <vector>

#include "picture/errors.h"
#include "picture/jpeg/jpeg_glue.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/jpeg/jpeg_row_encoder.h"
#include "picture/system/budgeted_bytes.h"

// Encoding: rows go to libjpeg as they are (blue, green, red), which gives
// the same file as red-green-blue input. The compressed bytes grow in a
// store owned by the caller, or pass through a buffer to a stream.

namespace {

constexpr int kQuality = 90;
constexpr int kRowsPerCall = 16;
constexpr std::size_t kFirstOutputBlock = 1 << 16;
constexpr std::size_t kStreamBuffer = 1 << 16;

// A libjpeg destination writing into bytes held against the memory budget.
// A refusal to let them grow is kept (outside the struct, which libjpeg
// sees through its first member) and thrown again once libjpeg is left.
struct VectorDestination {
    jpeg_destination_mgr pub;
    BudgetedBytes* bytes;
    std::exception_ptr* refusal;
};

void initVector(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->bytes->bytes().data();
    dest->pub.free_in_buffer = dest->bytes->bytes().size();
}

boolean growVector(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    BudgetedBytes& bytes = *dest->bytes;
    const std::size_t used = bytes.bytes().size();
    try {
        bytes.resize(std::max<std::size_t>(used * 2, kFirstOutputBlock));
    } catch (...) {
        *dest->refusal = std::current_exception();
    }
    // Leave libjpeg only after the exception is gone.
    if (*dest->refusal) AbortJpegSteps(reinterpret_cast<j_common_ptr>(cinfo), "Out of memory");
    dest->pub.next_output_byte = bytes.bytes().data() + used;
    dest->pub.free_in_buffer = bytes.bytes().size() - used;
    return TRUE;
}

void termVector(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    std::vector<std::uint8_t>& bytes = dest->bytes->bytes();
    bytes.resize(bytes.size() - dest->pub.free_in_buffer);
}

// A libjpeg destination passing its buffer to a stream each time it fills.
// A failed stream is only noted here (libjpeg must not be left from inside
// the stream); the encoder's next call reports it.
struct StreamDestination {
    jpeg_destination_mgr pub;
    std::ostream* out;
    JOCTET* buffer;
};

void initStream(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<StreamDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kStreamBuffer;
}

void passToStream(StreamDestination* dest, std::size_t size) {
    if (size > 0 && *dest->out)
        dest->out->write(reinterpret_cast<const char*>(dest->buffer),
                         static_cast<std::streamsize>(size));
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kStreamBuffer;
}

boolean emptyToStream(j_compress_ptr cinfo) {
    // libjpeg asks for the whole buffer to be written, whatever free_in_buffer says.
    passToStream(reinterpret_cast<StreamDestination*>(cinfo->dest), kStreamBuffer);
    return TRUE;
}

void termStream(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<StreamDestination*>(cinfo->dest);
    passToStream(dest, kStreamBuffer - dest->pub.free_in_buffer);
}

struct SizeStep {
    jpeg_compress_struct* cinfo;
    int width, height;
};

void startCompress(void* context) {
    auto* step = static_cast<SizeStep*>(context);
    jpeg_compress_struct* cinfo = step->cinfo;
    cinfo->image_width = static_cast<JDIMENSION>(step->width);
    cinfo->image_height = static_cast<JDIMENSION>(step->height);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    cinfo->dct_method = JDCT_FLOAT;
    jpeg_set_quality(cinfo, kQuality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
}

struct RowsStep {
    jpeg_compress_struct* cinfo;
    const std::uint8_t* const* rows;
    int count;
};

void writeRows(void* context) {
    auto* step = static_cast<RowsStep*>(context);
    JSAMPROW rows[kRowsPerCall];
    for (int done = 0; done < step->count;) {
        const int count = std::min(kRowsPerCall, step->count - done);
        for (int i = 0; i < count; ++i)  // libjpeg only reads the rows
            rows[i] = const_cast<JSAMPROW>(step->rows[done + i]);
        const JDIMENSION written =
            jpeg_write_scanlines(step->cinfo, rows, static_cast<JDIMENSION>(count));
        // Only a suspending destination takes no rows; ours never suspend.
        if (written == 0) ERREXIT(step->cinfo, JERR_CANT_SUSPEND);
        done += static_cast<int>(written);
    }
}

void finishCompress(void* context) {
    jpeg_finish_compress(static_cast<jpeg_compress_struct*>(context));
}

}  // namespace

struct JpegRowEncoder::State {
    JpegCompressor compressor;
    std::exception_ptr refusal;  // the output could not grow
    VectorDestination vector{};
    StreamDestination stream{};
    std::vector<JOCTET> streamBuffer;
    int height = 0;
};

JpegRowEncoder::JpegRowEncoder(int width, int height, BudgetedBytes& bytes)
    : state_(std::make_unique<State>()) {
    VectorDestination& d = state_->vector;
    d.pub.init_destination = initVector;
    d.pub.empty_output_buffer = growVector;
    d.pub.term_destination = termVector;
    d.bytes = &bytes;
    d.refusal = &state_->refusal;
    state_->compressor.cinfo.dest = &d.pub;
    start(width, height);
}

JpegRowEncoder::JpegRowEncoder(int width, int height, std::ostream& out)
    : state_(std::make_unique<State>()) {
    StreamDestination& d = state_->stream;
    state_->streamBuffer.resize(kStreamBuffer);
    d.pub.init_destination = initStream;
    d.pub.empty_output_buffer = emptyToStream;
    d.pub.term_destination = termStream;
    d.out = &out;
    d.buffer = state_->streamBuffer.data();
    state_->compressor.cinfo.dest = &d.pub;
    start(width, height);
}

JpegRowEncoder::~JpegRowEncoder() = default;

void JpegRowEncoder::start(int width, int height) {
    SizeStep step{&state_->compressor.cinfo, width, height};
    run(startCompress, &step);
    state_->height = height;
}

void JpegRowEncoder::run(void (*steps)(void*), void* context) {
    try {
        RunJpegSteps(state_->compressor.errors, steps, context);
    } catch (const EJPEG&) {
        if (state_->refusal) std::rethrow_exception(state_->refusal);
        throw;
    }
}

void JpegRowEncoder::checkOutput() const {
    const std::ostream* out = state_->stream.out;
    if (out && !*out) throw EWriteError();
}

void JpegRowEncoder::WriteRows(const std::uint8_t* const* rows, int count) {
    jpeg_compress_struct& cinfo = state_->compressor.cinfo;
    if (count < 0 || static_cast<JDIMENSION>(count) > cinfo.image_height - cinfo.next_scanline)
        throw EJPEG(std::string("JPEG: rows past the picture"));
    RowsStep step{&cinfo, rows, count};
    run(writeRows, &step);
    checkOutput();
}

void JpegRowEncoder::Finish() {
    jpeg_compress_struct& cinfo = state_->compressor.cinfo;
    if (cinfo.next_scanline != cinfo.image_height)
        throw EJPEG(std::string("JPEG: finished before the last row"));
    run(finishCompress, &cinfo);
    checkOutput();
}

std::vector<std::uint8_t> EncodeJPEG(const TDIB& picture24) {
    BudgetedBytes bytes(kJpegEncoderOutput);
    EncodeJPEG(picture24, bytes);
    return bytes.take();
}

void EncodeJPEG(const TDIB& picture24, BudgetedBytes& bytes) {
    if (picture24.PixelFormat() != PixelFormat24Bit)
        throw EJPEG(std::string("JPEG: the picture to encode must have 24 bits per pixel"));
    // A photo at quality 90 takes about 3 bits per pixel; starting near that
    // saves most of the regrowth.
    const std::size_t pixels =
        static_cast<std::size_t>(picture24.Width()) * static_cast<std::size_t>(picture24.Height());
    bytes.resize(std::max(kFirstOutputBlock, pixels / 8 * 3));
    JpegRowEncoder encoder(picture24.Width(), picture24.Height(), bytes);
    const std::uint8_t* rows[kRowsPerCall];
    for (int y = 0; y < picture24.Height();) {
        const int count = std::min(kRowsPerCall, picture24.Height() - y);
        for (int i = 0; i < count; ++i) rows[i] = picture24.ScanLine(y + i);
        encoder.WriteRows(rows, count);
        y += count;
    }
    encoder.Finish();
}
