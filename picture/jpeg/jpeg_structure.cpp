#include "picture/jpeg/jpeg_structure.h"

#include <istream>
#include <streambuf>

#include "picture/jpeg/jpeg_glue.h"
// After jpeglib.h, which jpeg_glue.h includes in the order it needs.
#include <jerror.h>

namespace {

constexpr int kEnd = -1;

constexpr int kSoi = 0xD8;
constexpr int kEoi = 0xD9;
constexpr int kSos = 0xDA;
constexpr int kDht = 0xC4;
constexpr int kDqt = 0xDB;
constexpr int kDri = 0xDD;
constexpr int kJpg = 0xC8;
constexpr int kDac = 0xCC;
constexpr int kDnl = 0xDC;
constexpr int kTem = 0x01;
constexpr int kCom = 0xFE;

bool isRestart(int marker) {
    return marker >= 0xD0 && marker <= 0xD7;
}
bool isFrame(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != kDht && marker != kJpg && marker != kDac;
}
bool isApplication(int marker) {
    return marker >= 0xE0 && marker <= 0xEF;
}
// Markers whose segments libjpeg skips by their length (or reads to it).
bool isSkipped(int marker) {
    return isApplication(marker) || marker == kCom || marker == kDnl || marker == kDac;
}
// Markers libjpeg takes between segments without a length.
bool standsAlone(int marker) {
    return isRestart(marker) || marker == kTem;
}

// The stream's bytes one at a time, counted.
class Bytes {
public:
    explicit Bytes(std::istream& in) : buffer_(in.rdbuf()) {}

    int next() {
        const int c = buffer_ ? buffer_->sbumpc() : std::char_traits<char>::eof();
        if (c == std::char_traits<char>::eof()) return kEnd;
        ++offset_;
        return c;
    }
    // False when the stream ends first.
    bool skip(long count) {
        for (; count > 0; --count)
            if (next() == kEnd) return false;
        return true;
    }
    std::size_t offset() const { return offset_; }

private:
    std::streambuf* buffer_;
    std::size_t offset_ = 0;
};

// The next marker as libjpeg finds it between segments: anything before a
// 0xFF skipped, fill bytes skipped, a stuffed zero taken for more garbage.
int nextMarker(Bytes& b) {
    for (;;) {
        int c = b.next();
        while (c != 0xFF && c != kEnd) c = b.next();
        while (c == 0xFF) c = b.next();
        if (c != 0) return c;
    }
}

// The marker that ends a scan's data: the first that is neither a stuffed
// zero nor a restart marker.
int markerAfterScanData(Bytes& b) {
    for (;;) {
        int c = b.next();
        while (c != 0xFF && c != kEnd) c = b.next();
        while (c == 0xFF) c = b.next();
        if (c != 0 && !isRestart(c)) return c;
    }
}

// What a segment's walk found: go on, a fault, the end of the file, or a
// reading not sure to be libjpeg's.
enum class Step { On, Fault, CutShort, NoVerdict };

struct Walker {
    Bytes& bytes;
    JpegStructure& found;

    Step fault(int code, int parameter, std::size_t at) {
        found.faultCode = code;
        found.faultParameter = parameter;
        found.faultOffset = at;
        return Step::Fault;
    }

    // A Huffman table segment: each table's class and index, its counts
    // within the segment and within 256 codes, the segment used exactly.
    Step huffmanTables(long rest, std::size_t at) {
        while (rest > 16) {
            const int index = bytes.next();
            int count = 0;
            for (int i = 0; i < 16; ++i) {
                const int n = bytes.next();
                if (n == kEnd || index == kEnd) return Step::CutShort;
                count += n;
            }
            rest -= 17;
            if (count > 256 || count > rest) return fault(JERR_BAD_HUFF_TABLE, 0, at);
            if (!bytes.skip(count)) return Step::CutShort;
            rest -= count;
            const int table = index & 0x10 ? index - 0x10 : index;
            if (table > 3) return fault(JERR_DHT_INDEX, table, at);
        }
        if (rest != 0) return fault(JERR_BAD_LENGTH, 0, at);
        return Step::On;
    }

    // A quantization table segment: the first table's index.
    Step quantizationTables(long rest, std::size_t at) {
        if (rest <= 0) return Step::On;
        const int index = bytes.next();
        if (index == kEnd) return Step::CutShort;
        if ((index & 0x0F) > 3) return fault(JERR_DQT_INDEX, index & 0x0F, at);
        return bytes.skip(rest - 1) ? Step::On : Step::CutShort;
    }

    // The header of a scan, then its data up to the marker after it, which
    // `marker` receives.
    Step scan(long rest, std::size_t at, int maxScans, int& marker) {
        const int components = bytes.next();
        if (components == kEnd) return Step::CutShort;
        if (rest != 2L * components + 4) return fault(JERR_BAD_LENGTH, 0, at);
        if (++found.scans > maxScans) return Step::NoVerdict;
        if (!bytes.skip(rest - 1)) return Step::CutShort;
        marker = markerAfterScanData(bytes);
        if (marker == kEnd) return Step::CutShort;
        // libjpeg may resynchronise past a marker of no known kind in scan
        // data; what it does then depends on the decoding.
        const bool known = marker == kEoi || marker == kSoi || marker == kSos || marker == kDht ||
                           marker == kDqt || marker == kDri || isFrame(marker) ||
                           isSkipped(marker) || standsAlone(marker);
        return known ? Step::On : Step::NoVerdict;
    }

    Step walk(int maxScans) {
        if (bytes.next() != 0xFF || bytes.next() != kSoi) return Step::NoVerdict;
        int frames = 0;
        int marker = nextMarker(bytes);
        for (;;) {
            if (marker == kEnd) return Step::CutShort;
            const std::size_t at = bytes.offset() - 2;
            if (marker == kEoi) return Step::On;
            if (marker == kSoi) return fault(JERR_SOI_DUPLICATE, 0, at);
            if (standsAlone(marker)) {
                marker = nextMarker(bytes);
                continue;
            }
            if (marker == kJpg) return fault(JERR_SOF_UNSUPPORTED, marker, at);
            const bool known = marker == kSos || marker == kDht || marker == kDqt ||
                               marker == kDri || isFrame(marker) || isSkipped(marker);
            if (!known) return fault(JERR_UNKNOWN_MARKER, marker, at);

            const int high = bytes.next();
            const int low = bytes.next();
            if (high == kEnd || low == kEnd) return Step::CutShort;
            const long rest = ((long{high} << 8) | low) - 2;
            if (rest < 0 && !isSkipped(marker)) return Step::NoVerdict;

            Step step = Step::On;
            if (marker == kSos) {
                step = scan(rest, at, maxScans, marker);
                if (step != Step::On) return step;
                continue;  // the marker after the scan's data is read already
            }
            if (marker == kDht) {
                step = huffmanTables(rest, at);
            } else if (marker == kDqt) {
                step = quantizationTables(rest, at);
            } else if (marker == kDri && rest != 2) {
                return fault(JERR_BAD_LENGTH, 0, at);
            } else if (isFrame(marker) && ++frames > 1) {
                return fault(JERR_SOF_DUPLICATE, 0, at);
            } else if (rest > 0 && !bytes.skip(rest)) {
                step = Step::CutShort;
            }
            if (step != Step::On) return step;
            marker = nextMarker(bytes);
        }
    }
};

}  // namespace

JpegStructure WalkJpegStructure(std::istream& in, int maxScans) {
    JpegStructure found;
    Bytes bytes(in);
    Walker walker{bytes, found};
    found.cutShort = walker.walk(maxScans) == Step::CutShort;
    return found;
}
