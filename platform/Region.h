// A set of pixels kept the way GDI keeps regions: horizontal bands of rows,
// top to bottom, each band a sorted list of disjoint spans of columns, and
// no two touching bands with the same spans. Every set has exactly one such
// form, so regions compare by value, and the boolean operations are one
// sweep down both regions' bands.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/WinTypes.h"

struct RegionSpan {
    LONG left;
    LONG right; // one past the last column
    friend bool operator==(const RegionSpan&, const RegionSpan&) = default;
};

class Region {
public:
    enum class Op { And, Or, Xor, Diff };

    Region() = default;
    explicit Region(const RECT& r); // any corner order; empty for a zero side

    // The union of the rectangles, merged pairwise as a balanced tree, so
    // many rectangles cost n log n merges of small regions.
    static Region FromRects(std::span<const RECT> rects);
    static Region Combine(const Region& a, const Region& b, Op op);

    // Builds a region row by row, rows in increasing order, each with its
    // spans sorted and disjoint (as a scan conversion produces them).
    // A row above the last one added is ignored.
    class RowBuilder;

    bool Empty() const { return bands.empty(); }
    RECT Bounds() const; // 0, 0, 0, 0 when empty
    // The region moved by dx, dy; coordinates saturate at the LONG range.
    Region Offset(long long dx, long long dy) const;
    bool Contains(long long x, long long y) const;
    // The spans of row y: empty outside the region.
    std::span<const RegionSpan> Row(long long y) const;
    // The rectangles of the banded form (one per span of each band), top to
    // bottom, left to right.
    std::vector<RECT> Rects() const;
    std::size_t RectCount() const { return spans.size(); }
    // Calls f(rect) for each rectangle of the region that meets `window`,
    // cut to it.
    template <class F>
    void ForEachRectIn(const RECT& window, F f) const;

    friend bool operator==(const Region&, const Region&) = default;

private:
    struct Band {
        LONG top, bottom;
        std::uint32_t first, count; // its spans in `spans`
        friend bool operator==(const Band&, const Band&) = default;
    };
    std::span<const RegionSpan> SpansOf(const Band& b) const {
        return std::span(spans).subspan(b.first, b.count);
    }
    // Appends a band below the last one, merging it into the last when the
    // two touch and have the same spans.
    void Append(LONG top, LONG bottom, std::span<const RegionSpan> s);
    // The first band whose bottom lies below y.
    std::vector<Band>::const_iterator BandAtOrBelow(long long y) const;

    std::vector<Band> bands;
    std::vector<RegionSpan> spans;
};

class Region::RowBuilder {
public:
    void AddRow(LONG y, std::span<const RegionSpan> spans);
    Region Done() { return std::move(built); }

private:
    Region built;
};

template <class F>
void Region::ForEachRectIn(const RECT& window, F f) const {
    for (auto b = BandAtOrBelow(window.top); b != bands.end() && b->top < window.bottom; ++b) {
        const LONG top = b->top > window.top ? b->top : window.top;
        const LONG bottom = b->bottom < window.bottom ? b->bottom : window.bottom;
        for (const RegionSpan& s : SpansOf(*b)) {
            if (s.right <= window.left) continue;
            if (s.left >= window.right) break;
            f(RECT{s.left > window.left ? s.left : window.left, top,
                   s.right < window.right ? s.right : window.right, bottom});
        }
    }
}
