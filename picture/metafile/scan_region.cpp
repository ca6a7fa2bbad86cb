#include "picture/metafile/scan_region.h"

#include <algorithm>
#include <climits>

ScanRegion ScanRegion::fromRect(const RectI& rect) {
    Builder builder(rect.top);
    if (!rect.empty()) {
        for (int y = rect.top; y < rect.bottom; ++y) {
            builder.add(rect.left, rect.right);
            builder.endRow();
        }
    }
    return builder.finish();
}

std::pair<const Span*, const Span*> ScanRegion::row(int y) const {
    if (y < top_ || y >= bottom()) return {nullptr, nullptr};
    const std::size_t index = static_cast<std::size_t>(y - top_);
    const Span* base = spans_.data();
    return {base + rowStart_[index], base + rowStart_[index + 1]};
}

bool ScanRegion::contains(int x, int y) const {
    auto [first, last] = row(y);
    // The last span starting at or before x.
    const Span* it =
        std::upper_bound(first, last, x, [](int value, const Span& s) { return value < s.x0; });
    return it != first && x < (it - 1)->x1;
}

RectI ScanRegion::bounds() const {
    RectI r;
    bool any = false;
    for (int y = top_; y < bottom(); ++y) {
        auto [first, last] = row(y);
        if (first == last) continue;
        if (!any) {
            r = {first->x0, y, (last - 1)->x1, y + 1};
            any = true;
        } else {
            r.left = std::min(r.left, first->x0);
            r.right = std::max(r.right, (last - 1)->x1);
            r.bottom = y + 1;
        }
    }
    return r;
}

static bool regionOpKeeps(RegionOp op, bool inA, bool inB) {
    switch (op) {
        case RegionOp::And:
            return inA && inB;
        case RegionOp::Or:
            return inA || inB;
        case RegionOp::Xor:
            return inA != inB;
        case RegionOp::Diff:
            return inA && !inB;
        case RegionOp::Copy:
            return inB;
    }
    return false;
}

// Sweeps the span boundaries of one row of each region from left to right.
static void combineRow(const Span* a, const Span* aEnd, const Span* b, const Span* bEnd,
                       RegionOp op, ScanRegion::Builder& out) {
    bool inA = false, inB = false, inside = false;
    int start = 0;
    while (a != aEnd || b != bEnd) {
        const int xa = a != aEnd ? (inA ? a->x1 : a->x0) : INT_MAX;
        const int xb = b != bEnd ? (inB ? b->x1 : b->x0) : INT_MAX;
        const int x = std::min(xa, xb);
        if (xa == x) {
            if (inA) ++a;
            inA = !inA;
        }
        if (xb == x) {
            if (inB) ++b;
            inB = !inB;
        }
        const bool now = regionOpKeeps(op, inA, inB);
        if (now != inside) {
            if (now)
                start = x;
            else
                out.add(start, x);
            inside = now;
        }
    }
}

ScanRegion ScanRegion::combined(const ScanRegion& other, RegionOp op) const {
    if (op == RegionOp::Copy) return other;
    int top = std::min(top_, other.top_);
    int bottom = std::max(this->bottom(), other.bottom());
    if (empty()) top = other.top_, bottom = other.bottom();
    if (other.empty()) top = top_, bottom = this->bottom();
    if (op == RegionOp::And || op == RegionOp::Diff) {
        top = top_;
        bottom = this->bottom();
        if (op == RegionOp::And) {
            top = std::max(top_, other.top_);
            bottom = std::min(this->bottom(), other.bottom());
        }
    }
    Builder builder(top);
    for (int y = top; y < bottom; ++y) {
        auto [a, aEnd] = row(y);
        auto [b, bEnd] = other.row(y);
        combineRow(a, aEnd, b, bEnd, op, builder);
        builder.endRow();
    }
    return builder.finish();
}

ScanRegion ScanRegion::offset(int dx, int dy) const {
    ScanRegion r = *this;
    r.top_ = top_ + dy;
    for (Span& s : r.spans_) {
        s.x0 += dx;
        s.x1 += dx;
    }
    return r;
}

ScanRegion::Builder::Builder(int top) {
    region_.top_ = top;
    region_.rowStart_.push_back(0);
}

void ScanRegion::Builder::add(int x0, int x1) {
    if (x1 <= x0) return;
    std::vector<Span>& spans = region_.spans_;
    const bool rowHasSpans = spans.size() > region_.rowStart_.back();
    if (rowHasSpans && spans.back().x1 >= x0) {
        spans.back().x1 = std::max(spans.back().x1, x1);
        return;
    }
    spans.push_back({x0, x1});
}

void ScanRegion::Builder::endRow() {
    region_.rowStart_.push_back(static_cast<std::uint32_t>(region_.spans_.size()));
}

ScanRegion ScanRegion::Builder::finish() {
    ScanRegion r = std::move(region_);
    // Leading and trailing empty rows carry no pixels; drop them so bounds
    // and row ranges stay tight.
    int first = 0, last = r.rowCount();
    while (first < last && r.rowStart_[first] == r.rowStart_[first + 1]) ++first;
    while (last > first && r.rowStart_[last - 1] == r.rowStart_[last]) --last;
    if (first == last) return ScanRegion();
    if (first > 0 || last < r.rowCount()) {
        std::vector<std::uint32_t> starts(r.rowStart_.begin() + first,
                                          r.rowStart_.begin() + last + 1);
        r.top_ += first;
        r.rowStart_ = std::move(starts);
    }
    return r;
}
