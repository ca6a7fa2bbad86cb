#pragma once

// A set of pixels kept as sorted, disjoint horizontal spans per row. Clip
// regions, filled shapes and text boxes all become one of these before they
// are painted; its size grows with the shape's outline, not its area, so a
// clip region of a large picture costs a few bytes per row.

#include <cstdint>
#include <utility>
#include <vector>

#include "picture/metafile/geometry.h"

struct Span {
    int x0 = 0;  // first pixel
    int x1 = 0;  // one past the last pixel
};

// The ways two regions combine (the numbering of the metafile records).
enum class RegionOp { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

class ScanRegion {
public:
    ScanRegion() = default;
    static ScanRegion fromRect(const RectI& rect);

    bool empty() const { return spans_.empty(); }
    int top() const { return top_; }
    int bottom() const { return top_ + rowCount(); }  // exclusive
    int rowCount() const { return rowStart_.empty() ? 0 : static_cast<int>(rowStart_.size()) - 1; }
    // The spans of row y, empty outside the region's rows.
    std::pair<const Span*, const Span*> row(int y) const;
    bool contains(int x, int y) const;
    RectI bounds() const;
    std::size_t spanCount() const { return spans_.size(); }

    ScanRegion combined(const ScanRegion& other, RegionOp op) const;
    ScanRegion intersected(const ScanRegion& other) const { return combined(other, RegionOp::And); }
    ScanRegion offset(int dx, int dy) const;

    class Builder;

private:
    int top_ = 0;
    std::vector<std::uint32_t> rowStart_;  // rowCount + 1 offsets into spans_
    std::vector<Span> spans_;
};

// Builds a region row by row from the top; spans of one row must come in
// increasing order (touching spans are merged).
class ScanRegion::Builder {
public:
    explicit Builder(int top);
    void add(int x0, int x1);
    void endRow();
    ScanRegion finish();

private:
    ScanRegion region_;
};
