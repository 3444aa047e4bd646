#include "platform/Region.h"

#include <algorithm>
#include <limits>

#include "platform/Truncate.h"

namespace {

constexpr long long kBeyond = std::numeric_limits<long long>::max();

bool Inside(Region::Op op, bool a, bool b) {
    switch (op) {
    case Region::Op::And:
        return a && b;
    case Region::Op::Or:
        return a || b;
    case Region::Op::Xor:
        return a != b;
    default: // Diff
        return a && !b;
    }
}

// The spans of one row where `op` holds, from the spans of both operands.
void MergeRow(std::span<const RegionSpan> a, std::span<const RegionSpan> b, Region::Op op,
              std::vector<RegionSpan>& out) {
    out.clear();
    // Each span gives two edges: edge 2k is span k's left, 2k + 1 its right.
    const auto edge = [](std::span<const RegionSpan> s, std::size_t i) -> long long {
        if (i >= 2 * s.size()) return kBeyond;
        return i % 2 == 0 ? s[i / 2].left : s[i / 2].right;
    };
    std::size_t i = 0, j = 0;
    bool inA = false, inB = false;
    LONG start = 0;
    while (i < 2 * a.size() || j < 2 * b.size()) {
        const long long xa = edge(a, i), xb = edge(b, j), x = std::min(xa, xb);
        const bool before = Inside(op, inA, inB);
        if (xa == x) inA = !inA, ++i;
        if (xb == x) inB = !inB, ++j;
        const bool after = Inside(op, inA, inB);
        if (!before && after) {
            start = static_cast<LONG>(x);
        } else if (before && !after) {
            if (!out.empty() && out.back().right == start)
                out.back().right = static_cast<LONG>(x);
            else
                out.push_back(RegionSpan{start, static_cast<LONG>(x)});
        }
    }
}

} // namespace

Region::Region(const RECT& r) {
    const RECT n{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                 std::max(r.top, r.bottom)};
    const RegionSpan s{n.left, n.right};
    if (n.left < n.right) Append(n.top, n.bottom, std::span(&s, 1));
}

void Region::Append(LONG top, LONG bottom, std::span<const RegionSpan> s) {
    if (s.empty() || top >= bottom || (!bands.empty() && bands.back().bottom > top)) return;
    if (!bands.empty() && bands.back().bottom == top &&
        std::ranges::equal(SpansOf(bands.back()), s)) {
        bands.back().bottom = bottom;
        return;
    }
    bands.push_back(Band{top, bottom, static_cast<std::uint32_t>(spans.size()),
                         static_cast<std::uint32_t>(s.size())});
    spans.insert(spans.end(), s.begin(), s.end());
}

void Region::RowBuilder::AddRow(LONG y, std::span<const RegionSpan> s) {
    if (y < std::numeric_limits<LONG>::max()) built.Append(y, y + 1, s);
}

Region Region::FromRects(std::span<const RECT> rects) {
    if (rects.empty()) return Region();
    if (rects.size() == 1) return Region(rects[0]);
    const std::size_t half = rects.size() / 2;
    return Combine(FromRects(rects.first(half)), FromRects(rects.subspan(half)), Op::Or);
}

// One sweep down both regions: each stretch of rows in which neither
// operand changes becomes one band of the result.
Region Region::Combine(const Region& a, const Region& b, Op op) {
    Region out;
    std::vector<RegionSpan> merged;
    const std::size_t na = a.bands.size(), nb = b.bands.size();
    std::size_t ia = 0, ib = 0;
    long long y = std::min(na ? a.bands[0].top : kBeyond, nb ? b.bands[0].top : kBeyond);
    while (true) {
        while (ia < na && a.bands[ia].bottom <= y)
            ++ia;
        while (ib < nb && b.bands[ib].bottom <= y)
            ++ib;
        if (ia == na && ib == nb) break;
        const bool inA = ia < na && a.bands[ia].top <= y, inB = ib < nb && b.bands[ib].top <= y;
        long long next = kBeyond;
        if (ia < na) next = std::min<long long>(next, inA ? a.bands[ia].bottom : a.bands[ia].top);
        if (ib < nb) next = std::min<long long>(next, inB ? b.bands[ib].bottom : b.bands[ib].top);
        if (inA || inB) {
            MergeRow(inA ? a.SpansOf(a.bands[ia]) : std::span<const RegionSpan>(),
                     inB ? b.SpansOf(b.bands[ib]) : std::span<const RegionSpan>(), op, merged);
            out.Append(static_cast<LONG>(y), static_cast<LONG>(next), merged);
        }
        y = next;
    }
    return out;
}

RECT Region::Bounds() const {
    if (bands.empty()) return RECT{0, 0, 0, 0};
    RECT box{std::numeric_limits<LONG>::max(), bands.front().top, std::numeric_limits<LONG>::min(),
             bands.back().bottom};
    for (const Band& b : bands) {
        box.left = std::min(box.left, spans[b.first].left);
        box.right = std::max(box.right, spans[b.first + b.count - 1].right);
    }
    return box;
}

Region Region::Offset(long long dx, long long dy) const {
    Region out;
    std::vector<RegionSpan> moved;
    for (const Band& b : bands) {
        moved.clear();
        for (const RegionSpan& s : SpansOf(b)) {
            const RegionSpan m{SaturateToInt(s.left + dx), SaturateToInt(s.right + dx)};
            if (m.left < m.right) moved.push_back(m);
        }
        out.Append(SaturateToInt(b.top + dy), SaturateToInt(b.bottom + dy), moved);
    }
    return out;
}

std::vector<Region::Band>::const_iterator Region::BandAtOrBelow(long long y) const {
    return std::partition_point(bands.begin(), bands.end(),
                                [y](const Band& b) { return b.bottom <= y; });
}

std::span<const RegionSpan> Region::Row(long long y) const {
    const auto b = BandAtOrBelow(y);
    if (b == bands.end() || b->top > y) return {};
    return SpansOf(*b);
}

bool Region::Contains(long long x, long long y) const {
    const std::span<const RegionSpan> row = Row(y);
    const auto s = std::partition_point(row.begin(), row.end(),
                                        [x](const RegionSpan& s) { return s.right <= x; });
    return s != row.end() && s->left <= x;
}

std::vector<RECT> Region::Rects() const {
    std::vector<RECT> out;
    for (const Band& b : bands) {
        for (const RegionSpan& s : SpansOf(b))
            out.push_back(RECT{s.left, b.top, s.right, b.bottom});
    }
    return out;
}
