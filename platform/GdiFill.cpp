// Brushes and filled shapes: polygon scan conversion under both fill modes,
// pattern blits and spans of pixels.
#include <algorithm>
#include <cmath>

#include "platform/GdiObjects.h"

namespace {

// Whether the hatch pattern has a line at device pixel (x, y).
bool HatchAt(LONG hatch, LONG x, LONG y) {
    const bool horizontal = (y & 7) == 0, vertical = (x & 7) == 0;
    const bool forward = ((x - y) & 7) == 0, backward = ((x + y) & 7) == 0;
    switch (hatch) {
    case HS_HORIZONTAL:
        return horizontal;
    case HS_VERTICAL:
        return vertical;
    case HS_FDIAGONAL:
        return forward;
    case HS_BDIAGONAL:
        return backward;
    case HS_CROSS:
        return horizontal || vertical;
    default:
        return forward || backward;
    }
}

// One polygon edge in device units, from its top (x0, y0) down to its bottom
// (x1, y1); `dir` is +1 when the polygon runs down it, -1 when up. Keeping
// the ends in that order gives two polygons that share an edge the same
// crossings, bit for bit, so no pixel centre on it falls between them.
struct Edge {
    double x0, y0, x1, y1;
    int dir;
    double Top() const { return y0; }
    double Bottom() const { return y1; }
    double XAt(double y) const { return x0 + (y - y0) * (x1 - x0) / (y1 - y0); }
};

struct Crossing {
    double x;
    int dir;
};

// The first pixel column whose centre lies at or right of x, within the box.
LONG ColumnAtOrRight(double x, const RECT& box) {
    const double c = std::ceil(std::clamp(x - 0.5, box.left - 1.0, box.right + 1.0));
    return static_cast<LONG>(c);
}

// The spans of one row between the crossings where the fill rule says
// inside, cut to the box; touching spans are joined.
void RowSpans(std::vector<Crossing>& crossings, int fillMode, const RECT& box,
              std::vector<RegionSpan>& out) {
    out.clear();
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
    int winding = 0;
    for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
        winding = fillMode == WINDING ? winding + crossings[i].dir : winding ^ 1;
        if (winding == 0) continue;
        const LONG first = std::max(ColumnAtOrRight(crossings[i].x, box), box.left);
        const LONG end = std::min(ColumnAtOrRight(crossings[i + 1].x, box), box.right);
        if (first >= end) continue;
        if (!out.empty() && out.back().right >= first)
            out.back().right = std::max(out.back().right, end);
        else
            out.push_back(RegionSpan{first, end});
    }
}

std::vector<Edge> EdgesOf(const std::vector<std::vector<PointD>>& rings) {
    std::vector<Edge> edges;
    for (const std::vector<PointD>& ring : rings) {
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const PointD a = ring[i], b = ring[(i + 1) % ring.size()];
            if (a.y == b.y || !std::isfinite(a.x + a.y + b.x + b.y)) continue;
            const PointD& t = a.y < b.y ? a : b;
            const PointD& u = a.y < b.y ? b : a;
            edges.push_back(Edge{t.x, t.y, u.x, u.y, b.y > a.y ? 1 : -1});
        }
    }
    return edges;
}

GdiBrush SolidBrush(DWORD rgb) {
    return GdiBrush(BS_SOLID, rgb, 0);
}

// A region object's region in device units.
std::optional<Region> DeviceRegion(const GdiDevice& dc, HRGN rgn) {
    const GdiRegion* r = Find<GdiRegion>(rgn);
    if (!r) return std::nullopt;
    return r->region.Offset(dc.viewportOrg.x, dc.viewportOrg.y);
}

void PaintRegion(GdiDevice& dc, const Region& region, const GdiBrush& brush) {
    const Region& visible = VisibleRegion(dc);
    region.ForEachRectIn(visible.Bounds(), [&](const RECT& r) {
        PaintRect(dc.bitmap->raster, visible, r, brush, dc.bkMode == OPAQUE, dc.bkRgb, dc.rop2);
    });
}

// The pixels of a device rectangle through the clip region under a raster
// operation without a source: the brush's pattern (its gaps the background
// colour) against the destination.
void MixRect(GdiDevice& dc, const RECT& r, BYTE index) {
    const GdiBrush& brush = *dc.brush;
    Raster& raster = dc.bitmap->raster;
    VisibleRegion(dc).ForEachRectIn(r, [&](const RECT& part) {
        for (LONG y = part.top; y < part.bottom; ++y) {
            for (LONG x = part.left; x < part.right; ++x) {
                const bool line = brush.style == BS_SOLID ||
                                  (brush.style == BS_HATCHED && HatchAt(brush.hatch, x, y));
                raster.Set(x, y, MixRop3(index, line ? brush.rgb : dc.bkRgb, 0, raster.Get(x, y)));
            }
        }
    });
}

} // namespace

// Scan conversion: each row samples the edges at its pixel centres. Edges
// enter an active list in the order of their tops, so a row only looks at
// the edges that span it.
void ScanPolygons(const std::vector<std::vector<PointD>>& rings, int fillMode, const RECT& window,
                  const std::function<void(LONG y, std::span<const RegionSpan>)>& row) {
    std::vector<Edge> edges = EdgesOf(rings);
    if (edges.empty() || IsEmptyRect(window)) return;
    std::sort(edges.begin(), edges.end(),
              [](const Edge& a, const Edge& b) { return a.Top() < b.Top(); });
    double top = edges.front().Top(), bottom = top;
    for (const Edge& e : edges)
        bottom = std::max(bottom, e.Bottom());
    const LONG firstRow = static_cast<LONG>(std::max<double>(window.top, std::floor(top)));
    const LONG endRow = static_cast<LONG>(std::min<double>(window.bottom, std::ceil(bottom)));
    std::vector<const Edge*> active;
    std::vector<Crossing> crossings;
    std::vector<RegionSpan> spans;
    std::size_t next = 0;
    for (LONG y = firstRow; y < endRow; ++y) {
        const double yc = y + 0.5;
        for (; next < edges.size() && edges[next].Top() <= yc; ++next)
            active.push_back(&edges[next]);
        std::erase_if(active, [yc](const Edge* e) { return e->Bottom() <= yc; });
        crossings.clear();
        for (const Edge* e : active)
            crossings.push_back(Crossing{e->XAt(yc), e->dir});
        RowSpans(crossings, fillMode, window, spans);
        if (!spans.empty()) row(y, spans);
    }
}

Region PolygonRegion(const std::vector<std::vector<PointD>>& rings, int fillMode,
                     const RECT& window) {
    Region::RowBuilder rows;
    ScanPolygons(rings, fillMode, window,
                 [&rows](LONG y, std::span<const RegionSpan> s) { rows.AddRow(y, s); });
    return rows.Done();
}

void FillPolygons(GdiDevice& dc, const std::vector<std::vector<PointD>>& rings, int fillMode,
                  const GdiBrush& brush) {
    if (brush.style == BS_NULL) return;
    const Region& visible = VisibleRegion(dc);
    Raster& raster = dc.bitmap->raster;
    ScanPolygons(rings, fillMode, visible.Bounds(), [&](LONG y, std::span<const RegionSpan> s) {
        for (const RegionSpan& span : s)
            PaintRect(raster, visible, RECT{span.left, y, span.right, y + 1}, brush,
                      dc.bkMode == OPAQUE, dc.bkRgb, dc.rop2);
    });
}

void PaintRect(Raster& raster, const Region& visible, const RECT& r, const GdiBrush& brush,
               bool opaque, DWORD bkRgb, int rop2) {
    if (brush.style == BS_NULL) return;
    visible.ForEachRectIn(r, [&](const RECT& part) {
        for (LONG y = part.top; y < part.bottom; ++y) {
            if (brush.style == BS_SOLID && rop2 == R2_COPYPEN) {
                raster.Fill(part.left, part.right, y, brush.rgb);
                continue;
            }
            for (LONG x = part.left; x < part.right; ++x) {
                if (brush.style == BS_SOLID || HatchAt(brush.hatch, x, y))
                    raster.Mix(x, y, brush.rgb, rop2);
                else if (opaque)
                    raster.Mix(x, y, bkRgb, rop2);
            }
        }
    });
}

BOOL PolyPolygon(HDC hdc, const POINT* points, const int* counts, int polygons) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || !points || !counts || polygons < 1) return FALSE;
    std::vector<std::vector<PointD>> rings;
    std::vector<std::vector<POINT>> device;
    for (int p = 0; p < polygons; ++p) {
        if (counts[p] < 2) return FALSE;
        rings.emplace_back();
        device.emplace_back();
        for (int i = 0; i < counts[p]; ++i, ++points) {
            device.back().push_back(ToDevice(*dc, points->x, points->y));
            rings.back().push_back(
                PointD{double(device.back().back().x), double(device.back().back().y)});
        }
    }
    FillPolygons(*dc, rings, dc->fillMode, *dc->brush);
    const Region& visible = VisibleRegion(*dc);
    for (const std::vector<POINT>& ring : device) {
        for (std::size_t i = 0; i < ring.size(); ++i)
            PaintLine(dc->bitmap->raster, visible, ring[i], ring[(i + 1) % ring.size()], *dc->pen,
                      dc->rop2);
    }
    return TRUE;
}

HRGN CreatePolyPolygonRgn(const POINT* points, const int* counts, int polygons, int fillMode) {
    if (!points || !counts || polygons < 1 || (fillMode != ALTERNATE && fillMode != WINDING))
        return nullptr;
    std::vector<std::vector<PointD>> rings;
    for (int p = 0; p < polygons; ++p) {
        rings.emplace_back();
        for (int i = 0; i < counts[p]; ++i, ++points)
            rings.back().push_back(PointD{double(points->x), double(points->y)});
    }
    constexpr LONG kMin = std::numeric_limits<LONG>::min(), kMax = std::numeric_limits<LONG>::max();
    return NewRegionObject(PolygonRegion(rings, fillMode, RECT{kMin, kMin, kMax, kMax}));
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    const BYTE index = static_cast<BYTE>(rop >> 16);
    if (!dc || UsesSource(index)) return FALSE;
    const POINT a = ToDevice(*dc, x, y), b = ToDevice(*dc, 0LL + x + width, 0LL + y + height);
    const RECT r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    if (rop != PATCOPY && rop != BLACKNESS && rop != WHITENESS) {
        MixRect(*dc, r, index);
        return TRUE;
    }
    const GdiBrush solid = SolidBrush(rop == WHITENESS ? 0xFFFFFF : 0);
    PaintRect(dc->bitmap->raster, VisibleRegion(*dc), r, rop == PATCOPY ? *dc->brush : solid,
              dc->bkMode == OPAQUE, dc->bkRgb);
    return TRUE;
}

void PaintDeviceSpans(Raster& raster, const Region& visible, std::span<const PIXELSPAN> spans,
                      DWORD rgb) {
    const GdiBrush brush = SolidBrush(rgb);
    for (const PIXELSPAN& s : spans)
        PaintRect(raster, visible, RECT{s.x, s.y, SaturateToInt(0LL + s.x + s.length), s.y + 1},
                  brush, false, 0);
}

BOOL PaintSpans(HDC hdc, const PIXELSPAN* spans, int count, COLORREF color) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || (!spans && count > 0) || count < 0) return FALSE;
    std::vector<PIXELSPAN> device;
    device.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const POINT a = ToDevice(*dc, spans[i].x, spans[i].y);
        const POINT b = ToDevice(*dc, 0LL + spans[i].x + spans[i].length, spans[i].y);
        if (b.x > a.x) device.push_back(PIXELSPAN{a.x, a.y, b.x - a.x});
    }
    PaintDeviceSpans(dc->bitmap->raster, VisibleRegion(*dc), device, ColorRefToRgb(color));
    return TRUE;
}

BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH hbrush) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    const GdiBrush* brush = Find<GdiBrush>(hbrush);
    const std::optional<Region> region = dc ? DeviceRegion(*dc, rgn) : std::nullopt;
    if (!region || !brush) return FALSE;
    PaintRegion(*dc, *region, *brush);
    return TRUE;
}

BOOL PaintRgn(HDC hdc, HRGN rgn) {
    const GdiDevice* dc = Find<GdiDevice>(hdc);
    return dc && FillRgn(hdc, rgn, dc->brush);
}

// The frame is the region less the region shrunk by `width` columns and
// `height` rows from each side.
BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH hbrush, int width, int height) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    const GdiBrush* brush = Find<GdiBrush>(hbrush);
    const std::optional<Region> region = dc ? DeviceRegion(*dc, rgn) : std::nullopt;
    if (!region || !brush || width < 0 || height < 0) return FALSE;
    Region inner = *region;
    for (const auto& [dx, dy] : {std::pair{width, 0}, {-width, 0}, {0, height}, {0, -height}})
        inner = Region::Combine(inner, region->Offset(dx, dy), Region::Op::And);
    PaintRegion(*dc, Region::Combine(*region, inner, Region::Op::Diff), *brush);
    return TRUE;
}

BOOL InvertRgn(HDC hdc, HRGN rgn) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    const std::optional<Region> region = dc ? DeviceRegion(*dc, rgn) : std::nullopt;
    if (!region) return FALSE;
    Raster& raster = dc->bitmap->raster;
    const Region shown = Region::Combine(*region, VisibleRegion(*dc), Region::Op::And);
    shown.ForEachRectIn(shown.Bounds(), [&raster](const RECT& r) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            for (LONG x = r.left; x < r.right; ++x)
                raster.Set(x, y, raster.Get(x, y) ^ 0xFFFFFF);
        }
    });
    return TRUE;
}
