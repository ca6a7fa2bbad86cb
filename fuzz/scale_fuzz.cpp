// libFuzzer harness for the scaling engine: the input chooses a small
// picture, a selection and every setting (size values across their whole
// 32-bit range); whatever PlanScale accepts is scaled by the engine and by
// the plain per-pixel reference of the tests, which must agree byte for
// byte, and unrotated runs and half turns streamed in bands of the input's
// choosing must give the same rows. Refusals and the buffer's own size limits are expected
// outcomes; anything else is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "picture/errors.h"
#include "scale/band_pipeline.h"
#include "scale/scale_errors.h"
#include "scale/scale_run.h"
#include "scale/simd_level.h"
#include "scale/streamed_run.h"
// The reference is the tests' own; building it into the harness keeps one copy.
#include "tests/scale/reference_scale.cpp"
#include "tests/support/picture_builders.h"

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::int32_t int32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | byte();
        return static_cast<std::int32_t>(v);
    }
    // A size value: mostly small, sometimes anything at all.
    std::int32_t value() {
        const std::uint8_t kind = byte();
        if (kind < 200) return kind % 100 == 0 ? 0 : 1 + (kind * 7 + byte()) % 400;
        return int32();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// The source's rows, top to bottom, as a decoder would make them.
class PictureRowsProducer : public RowProducer {
public:
    explicit PictureRowsProducer(const TDIB& picture) : picture_(picture) {}
    void Produce(std::uint8_t* const* rows, int count) override {
        for (int i = 0; i < count; ++i, ++next_)
            std::memcpy(rows[i], picture_.ScanLine(next_),
                        3 * static_cast<std::size_t>(picture_.Width()));
    }
    void Finish() override {
        if (next_ != picture_.Height()) std::abort();
    }

private:
    const TDIB& picture_;
    int next_ = 0;
};

// Each finished row against the picture RunScale made.
class FinishedRowsCheck : public FinishedRowSink {
public:
    FinishedRowsCheck(const TDIB& expected, bool topFirst)
        : expected_(expected), topFirst_(topFirst) {}
    void PutRow(const std::uint8_t* row) override {
        const int y = topFirst_ ? rows_ : expected_.Height() - 1 - rows_;
        if (rows_ >= expected_.Height() ||
            std::memcmp(row, expected_.ScanLine(y),
                        3 * static_cast<std::size_t>(expected_.Width())) != 0)
            std::abort();
        ++rows_;
    }
    int rows() const { return rows_; }

private:
    const TDIB& expected_;
    bool topFirst_;
    int rows_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int w = 1 + in.byte() % 48;
    const int h = 1 + in.byte() % 48;
    TDIB source = BlankTrueColour(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = source.ScanLineForWrite(y);
        for (int x = 0; x < 3 * w; ++x) row[x] = static_cast<std::uint8_t>(in.byte() * 37 + x + y);
    }
    SelectionRect sel = WholePicture(w, h);
    if (in.byte() & 1)
        sel = SelectionRect{in.byte() % w, in.byte() % h, in.byte() % w, in.byte() % h};
    if (sel.Left > sel.Right) std::swap(sel.Left, sel.Right);
    if (sel.Top > sel.Bottom) std::swap(sel.Top, sel.Bottom);

    ScaleSettings s;
    const std::uint8_t flags = in.byte();
    s.Unit = flags & 1 ? ScaleUnit::Pixel : ScaleUnit::Percent;
    s.AspectLock = (flags & 2) != 0;
    s.Rotation = kRotate0 + (flags >> 2) % 4;
    s.HorzValue = in.value();
    s.VertValue = in.value();
    if (flags & 16) {
        s.ContrastStep = in.byte() % 21;
        s.BrightnessStep = in.byte() % 21 - 10;
    }
    ForceSimdLevel(flags & 32 ? SimdLevel::Portable : DetectedSimdLevel());

    ScalePlan plan;
    try {
        if (PlanScale(s, sel, plan) != ScaleRefusal::None) return 0;
    } catch (const EOutOfMemory&) {
        return 0;  // a target no buffer of this machine could hold
    }
    if (static_cast<std::int64_t>(plan.TargetWidth) * plan.TargetHeight > 250000) return 0;

    TDIB fast, plain;
    ResampleTables fastTables, plainTables;
    try {
        RunScale(source, sel, s, plan, fast, fastTables);
        ReferenceRunScale(source, sel, s, plan, plain, plainTables);
    } catch (const EOutOfMemory&) {
        return 0;  // the machine's limit, not the engine's
    }
    if (fast.Width() != plain.Width() || fast.Height() != plain.Height()) std::abort();
    for (int y = 0; y < fast.Height(); ++y)
        if (std::memcmp(fast.ScanLine(y), plain.ScanLine(y),
                        3 * static_cast<std::size_t>(fast.Width())) != 0)
            std::abort();
    if (fastTables.IndexTable != plainTables.IndexTable ||
        fastTables.FracTable != plainTables.FracTable)
        std::abort();

    // The streamed run, its rows in bands of the input's choosing, makes the
    // finished rows of the same picture in its row order.
    if (FinishedRowOrderFor(s.Rotation) == FinishedRowOrder::Columns) return 0;
    PictureRowsProducer producer(source);
    BandedRows rows(producer, w, h, sel,
                    BandSettings{1 + in.byte() % 20, 1 + in.byte() % 4, false, 0});
    FinishedRowsCheck check(fast, FinishedRowOrderFor(s.Rotation) == FinishedRowOrder::TopFirst);
    ResampleTables streamedTables;
    RunScaleToRows(rows, w, h, sel, s, plan, streamedTables, check);
    rows.Finish();
    if (check.rows() != fast.Height() || streamedTables.IndexTable != fastTables.IndexTable)
        std::abort();
    return 0;
}
