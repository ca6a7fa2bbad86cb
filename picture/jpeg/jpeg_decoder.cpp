#include <jerror.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <vector>

#include "picture/errors.h"
#include "picture/file_fault.h"
#include "picture/jpeg/jpeg_glue.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/jpeg/jpeg_row_decoder.h"
#include "picture/jpeg/jpeg_structure.h"
#include "picture/reader_limits.h"
#include "picture/size_limits.h"
#include "picture/system/file_io.h"
#include "picture/system/memory_budget.h"
#include "picture/system/memory_stream.h"

// Decoding runs in guarded stretches (header, start, each call for rows,
// finish) with our own allocations in between, so that no C++ object is
// alive inside a stretch when libjpeg leaves it by its error exit.

namespace {

// libjpeg's quantizer is asked for this many colours for a greyscale file.
constexpr int kGreyQuantizerColors = 236;
// Rows handed to libjpeg per call.
constexpr int kRowsPerCall = 16;
// A progressive file rereads its whole coefficient store for every scan;
// real files have about ten. A damaged one with thousands would keep the
// decoder busy for hours, so one with more than a few hundred is refused.
constexpr int kMaxScans = 300;
// Scans whose data may raise warnings before the rest is given up as
// garbage: a file cut short, or hurt in one place, damages one or two.
constexpr int kMaxDamagedScans = 3;
// libjpeg's tables, pools and pointers besides the rows and coefficients
// counted below: far less than this.
constexpr std::size_t kLibjpegTables = std::size_t{1} << 20;
// What a file source reads at a time.
constexpr std::size_t kFileChunk = 1 << 16;

const char kTooManyScans[] = "JPEG: too many scans";
const char kTooManyScansFault[] = "JPEG: the file holds more than 300 scans";

void checkScanCount(j_common_ptr common) {
    if (!common->is_decompressor) return;
    const auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    if (cinfo->input_scan_number > kMaxScans)
        AbortJpegSteps(common, kTooManyScans, kTooManyScansFault);
}

// A libjpeg source reading a file in pieces. At the end of the file it does
// what libjpeg's in-memory source does (a warning, then an end-of-image
// marker), so that a file cut short decodes the same from either source.
struct FileSource {
    jpeg_source_mgr pub;
    std::ifstream* in;
    JOCTET* buffer;
    bool readAny;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void initFileSource(j_decompress_ptr) {}
void termFileSource(j_decompress_ptr) {}

boolean fillFromFile(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    std::size_t got = 0;
    if (*src->in) {
        src->in->read(reinterpret_cast<char*>(src->buffer),
                      static_cast<std::streamsize>(kFileChunk));
        got = static_cast<std::size_t>(src->in->gcount());
        if (src->in->bad())
            AbortJpegSteps(reinterpret_cast<j_common_ptr>(cinfo), "Stream read error");
    }
    if (got == 0) {
        // An empty file is refused as libjpeg's in-memory source refuses it.
        if (!src->readAny) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->pub.next_input_byte = kEndOfImage;
        src->pub.bytes_in_buffer = sizeof kEndOfImage;
        return TRUE;
    }
    src->readAny = true;
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = got;
    return TRUE;
}

void skipInFile(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* src = cinfo->src;
    if (count <= 0) return;
    while (count > static_cast<long>(src->bytes_in_buffer)) {
        count -= static_cast<long>(src->bytes_in_buffer);
        fillFromFile(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<std::size_t>(count);
}

struct HeaderStep {
    jpeg_decompress_struct* cinfo;
    const std::uint8_t* data;  // null for a file source, already in place
    unsigned long size;
};
void readHeader(void* context) {
    auto* step = static_cast<HeaderStep*>(context);
    if (step->data) jpeg_mem_src(step->cinfo, step->data, step->size);
    jpeg_read_header(step->cinfo, TRUE);
}

void startDecompress(void* context) {
    jpeg_start_decompress(static_cast<jpeg_decompress_struct*>(context));
}

void finishDecompress(void* context) {
    jpeg_finish_decompress(static_cast<jpeg_decompress_struct*>(context));
}

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

struct RowsStep {
    jpeg_decompress_struct* cinfo;
    std::uint8_t* const* rows;
    int count;
    std::uint8_t* inkRows;  // CMYK rows of one call, or null when libjpeg writes the rows directly
    bool invertedInks;
};

void readRows(void* context) {
    auto* step = static_cast<RowsStep*>(context);
    jpeg_decompress_struct* cinfo = step->cinfo;
    const unsigned width = cinfo->output_width;
    JSAMPROW rows[kRowsPerCall];
    int done = 0;
    while (done < step->count) {
        const int count = std::min(kRowsPerCall, step->count - done);
        for (int i = 0; i < count; ++i)
            rows[i] = step->inkRows ? step->inkRows + static_cast<std::size_t>(i) * width * 4
                                    : step->rows[done + i];
        const JDIMENSION got = jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(count));
        // Cannot happen with a source that never suspends; finishing would
        // report the missing rows.
        if (got == 0) ERREXIT(cinfo, JERR_TOO_LITTLE_DATA);
        if (step->inkRows) {
            for (JDIMENSION i = 0; i < got; ++i)
                cmykRowToBgr(rows[i], step->rows[done + static_cast<int>(i)], width,
                             step->invertedInks);
        }
        done += static_cast<int>(got);
    }
}

std::uint64_t roundUp(std::uint64_t value, std::uint64_t step) {
    return step == 0 ? value : (value + step - 1) / step * step;
}

// An upper bound of the memory decoding takes besides the picture, from the
// header as libjpeg has read it: the whole coefficient store of a file with
// several scans (every block of every component, padded to whole sampling
// units, and a pointer a block row), three rows of blocks of each
// component in its stages, the upsampler's rows, its tables, and our own
// rows of inks or indices.
std::size_t decodingWorkBytes(jpeg_decompress_struct& cinfo) {
    const bool wholeStore = jpeg_has_multiple_scans(&cinfo);
    const std::uint64_t width = cinfo.image_width;
    std::uint64_t bytes = kLibjpegTables;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& component = cinfo.comp_info[c];
        const std::uint64_t h = static_cast<std::uint64_t>(std::max(component.h_samp_factor, 1));
        const std::uint64_t v = static_cast<std::uint64_t>(std::max(component.v_samp_factor, 1));
        const std::uint64_t blocksPerRow = roundUp(component.width_in_blocks, h);
        const std::uint64_t blockRows = roundUp(component.height_in_blocks, v);
        if (wholeStore)
            bytes += blockRows * (blocksPerRow * DCTSIZE2 * sizeof(JCOEF) + sizeof(void*));
        bytes += blocksPerRow * DCTSIZE * v * DCTSIZE * 3;
    }
    const std::uint64_t maxH = static_cast<std::uint64_t>(std::max(cinfo.max_h_samp_factor, 1));
    const std::uint64_t maxV = static_cast<std::uint64_t>(std::max(cinfo.max_v_samp_factor, 1));
    bytes += static_cast<std::uint64_t>(cinfo.num_components) * roundUp(width, maxH) * maxV * 2;
    bytes += width * 4 * kRowsPerCall;
    if (bytes > SIZE_MAX)
        throw EOutOfMemory(DescribePicture(width, cinfo.image_height) +
                           " is too large for this machine");
    return static_cast<std::size_t>(bytes);
}

// Refuses the file for a fault its markers show, or for its scans, as
// libjpeg would once it read that far.
void refuseBrokenStructure(const JpegStructure& structure) {
    if (structure.faultCode != 0) {
        throw WithFault(EJPEG(structure.faultCode),
                        "JPEG: " + JpegMessageText(structure.faultCode, structure.faultParameter) +
                            " (the marker at byte " + std::to_string(structure.faultOffset) + ")");
    }
    if (structure.scans > kMaxScans)
        throw WithFault(EJPEG(std::string(kTooManyScans)), kTooManyScansFault);
}

// A refusal for memory, unless the file is damaged: then that is the
// reason, or a part of it when the file is only cut short (such a file
// would load, grey where its data is missing, with the memory).
template <class Refusal>
[[noreturn]] void refuseDamagedFirst(const Refusal& refusal, const JpegStructure& structure) {
    refuseBrokenStructure(structure);
    if (structure.cutShort) {
        throw WithFault(Refusal(refusal.what()),
                        std::string("JPEG: the file is cut short; ") + refusal.what());
    }
    throw refusal;
}

}  // namespace

struct JpegRowDecoder::State {
    MemoryReservation memory;  // goes after libjpeg has given its memory back
    JpegDecompressor decompressor;
    jpeg_progress_mgr progress{};
    std::ifstream file;
    FileSource fileSource{};
    std::vector<JOCTET> fileBuffer;
    bool inks = false;
    bool invertedInks = false;
    std::vector<std::uint8_t> inkRows;
};

JpegRowDecoder::JpegRowDecoder(const std::uint8_t* data, std::size_t size,
                               const ReaderLimits& limits, Rows rows)
    : state_(std::make_unique<State>()) {
    HeaderStep header{&state_->decompressor.cinfo, data, static_cast<unsigned long>(size)};
    if (size != header.size) throw EJPEG(std::string("JPEG: file too large"));
    // jpeg_mem_src refuses an empty buffer; a null pointer would mean a file.
    static const std::uint8_t none = 0;
    if (!header.data) header.data = &none;
    RunJpegSteps(state_->decompressor.errors, readHeader, &header);
    start(limits, rows, [data, size] {
        MemoryInputStream whole(data, size);
        return WalkJpegStructure(whole, kMaxScans);
    });
}

JpegRowDecoder::JpegRowDecoder(const std::string& fileName, const ReaderLimits& limits, Rows rows)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.file = OpenForReading(fileName);
    s.fileBuffer.resize(kFileChunk);
    s.fileSource.pub.init_source = initFileSource;
    s.fileSource.pub.fill_input_buffer = fillFromFile;
    s.fileSource.pub.skip_input_data = skipInFile;
    s.fileSource.pub.resync_to_restart = jpeg_resync_to_restart;
    s.fileSource.pub.term_source = termFileSource;
    s.fileSource.in = &s.file;
    s.fileSource.buffer = s.fileBuffer.data();
    s.decompressor.cinfo.src = &s.fileSource.pub;
    HeaderStep header{&s.decompressor.cinfo, nullptr, 0};
    RunJpegSteps(s.decompressor.errors, readHeader, &header);
    start(limits, rows, [&fileName] {
        try {
            std::ifstream whole = OpenForReading(fileName);
            return WalkJpegStructure(whole, kMaxScans);
        } catch (const EFOpenError&) {
            return JpegStructure();  // gone meanwhile: libjpeg alone decides
        }
    });
}

JpegRowDecoder::~JpegRowDecoder() = default;

void JpegRowDecoder::start(const ReaderLimits& limits, Rows rows,
                           const std::function<JpegStructure()>& walk) {
    State& s = *state_;
    jpeg_decompress_struct& cinfo = s.decompressor.cinfo;
    s.progress.progress_monitor = checkScanCount;
    cinfo.progress = &s.progress;
    s.decompressor.errors.maxDamagedScans = kMaxDamagedScans;

    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    s.inks = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    cinfo.do_block_smoothing = TRUE;
    cinfo.dct_method = JDCT_FLOAT;
    cinfo.buffered_image = FALSE;
    if (grey) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = kGreyQuantizerColors;
    } else if (s.inks) {
        cinfo.out_color_space = JCS_CMYK;
    } else {
        cinfo.out_color_space = JCS_EXT_BGR;
    }
    // libjpeg reads all the markers of a file with several scans before it
    // gives a row, into a store of every coefficient: such a file's markers
    // are looked at first, so a broken one takes no memory.
    std::optional<JpegStructure> structure;
    if (jpeg_has_multiple_scans(&cinfo)) {
        structure = walk();
        refuseBrokenStructure(*structure);
    }
    const std::int64_t width = cinfo.image_width, height = cinfo.image_height;
    try {
        const std::size_t work = decodingWorkBytes(cinfo);
        if (rows == Rows::IntoOnePicture)
            checkDeclaredPictureSize(width, height, limits, grey ? 8 : 24, work);
        else
            checkDeclaredRowReading(width, height, limits, work);
        s.memory = ReserveMemory(work, DescribePicture(width, height, "JPEG decoding"));
    } catch (const EMemoryBusy&) {
        throw;
    } catch (const EMemoryLimit& e) {
        refuseDamagedFirst(e, structure ? *structure : walk());
    } catch (const EOutOfMemory& e) {
        refuseDamagedFirst(e, structure ? *structure : walk());
    }
    // libjpeg itself refuses to take more for its coefficients than was
    // reserved for all of its work.
    cinfo.mem->max_memory_to_use =
        static_cast<long>(std::min<std::size_t>(s.memory.bytes(), LONG_MAX));

    RunJpegSteps(s.decompressor.errors, startDecompress, &cinfo);
    s.memory.markTaken();

    width_ = static_cast<int>(cinfo.output_width);
    height_ = static_cast<int>(cinfo.output_height);
    depth_ = grey ? 8 : 24;
    if (grey) {
        const int colors = std::clamp(cinfo.actual_number_of_colors, 0, 256);
        colors_.resize(static_cast<std::size_t>(colors));
        for (int i = 0; i < colors && cinfo.colormap; ++i) {
            const std::uint8_t level = cinfo.colormap[0][i];
            colors_[static_cast<std::size_t>(i)] = RGBQuad{level, level, level, 0};
        }
    }
    if (s.inks) {
        s.inkRows.resize(static_cast<std::size_t>(cinfo.output_width) * 4 * kRowsPerCall);
        s.invertedInks = cinfo.saw_Adobe_marker != 0;
    }
}

void JpegRowDecoder::ReadRows(std::uint8_t* const* rows, int count) {
    if (count < 0 || count > height_ - rowsRead_)
        throw EJPEG(std::string("JPEG: rows past the picture"));
    State& s = *state_;
    RowsStep step{&s.decompressor.cinfo, rows, count, s.inks ? s.inkRows.data() : nullptr,
                  s.invertedInks};
    RunJpegSteps(s.decompressor.errors, readRows, &step);
    rowsRead_ += count;
}

void JpegRowDecoder::ReadRows24(std::uint8_t* const* rows, int count) {
    if (depth_ == 24) {
        ReadRows(rows, count);
        return;
    }
    const std::size_t width = static_cast<std::size_t>(width_);
    RGBQuad table[256] = {};
    std::copy(colors_.begin(), colors_.end(), table);
    for (int done = 0; done < count;) {
        const int n = std::min(kRowsPerCall, count - done);
        indexRows_.resize(width * kRowsPerCall);
        std::uint8_t* indexRows[kRowsPerCall];
        for (int i = 0; i < n; ++i)
            indexRows[i] = indexRows_.data() + width * static_cast<std::size_t>(i);
        ReadRows(indexRows, n);
        for (int i = 0; i < n; ++i) {
            const std::uint8_t* in = indexRows[i];
            std::uint8_t* out = rows[done + i];
            for (std::size_t x = 0; x < width; ++x, out += 3) {
                const RGBQuad& c = table[in[x]];
                out[0] = c.rgbBlue;
                out[1] = c.rgbGreen;
                out[2] = c.rgbRed;
            }
        }
        done += n;
    }
}

int JpegRowDecoder::ImageDataWarnings() const {
    return static_cast<int>(state_->decompressor.errors.imageDataWarnings);
}

void JpegRowDecoder::Finish() {
    if (rowsRead_ != height_) throw EJPEG(std::string("JPEG: finished before the last row"));
    RunJpegSteps(state_->decompressor.errors, finishDecompress, &state_->decompressor.cinfo);
}

bool JPEGHasSignature(const std::uint8_t* data, std::size_t size) {
    return size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

DecodedPicture DecodeJPEG(const std::uint8_t* data, std::size_t size, const ReaderLimits& limits) {
    JpegRowDecoder decoder(data, size, limits, JpegRowDecoder::Rows::IntoOnePicture);
    DecodedPicture picture;
    picture.allocate(decoder.Width(), decoder.Height(), decoder.Depth());
    picture.colors = decoder.Colors();
    std::uint8_t* rows[kRowsPerCall];
    for (int y = 0; y < picture.height;) {
        const int count = std::min(kRowsPerCall, picture.height - y);
        for (int i = 0; i < count; ++i) rows[i] = picture.row(y + i);
        decoder.ReadRows(rows, count);
        y += count;
    }
    decoder.Finish();
    return picture;
}
