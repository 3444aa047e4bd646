// Brushes and filled shapes: polygon scan conversion under both fill modes,
// and pattern blits.
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

// One polygon edge in device units; `dir` is +1 going down, -1 going up.
struct Edge {
    double x0, y0, x1, y1;
    int dir;
    double Top() const { return std::min(y0, y1); }
    double Bottom() const { return std::max(y0, y1); }
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

// Fills one row between the crossings where the fill rule says inside.
void FillRow(Raster& raster, const std::vector<RECT>& visible, const RECT& box, LONG y,
             std::vector<Crossing>& crossings, int fillMode, const GdiBrush& brush, bool opaque,
             DWORD bkRgb) {
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
    int winding = 0;
    for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
        winding = fillMode == WINDING ? winding + crossings[i].dir : winding ^ 1;
        if (winding == 0) continue;
        const LONG first = ColumnAtOrRight(crossings[i].x, box);
        const LONG end = ColumnAtOrRight(crossings[i + 1].x, box);
        if (first < end)
            PaintRect(raster, visible, RECT{first, y, end, y + 1}, brush, opaque, bkRgb);
    }
}

// Scan conversion: each row samples the edges at its pixel centres. Edges
// enter an active list in the order of their tops, so a row only looks at
// the edges that span it.
void FillEdges(Raster& raster, const std::vector<RECT>& visible, std::vector<Edge>& edges,
               int fillMode, const GdiBrush& brush, bool opaque, DWORD bkRgb) {
    const RECT box = BoundingRect(visible);
    if (edges.empty() || IsEmptyRect(box) || brush.style == BS_NULL) return;
    std::sort(edges.begin(), edges.end(),
              [](const Edge& a, const Edge& b) { return a.Top() < b.Top(); });
    double top = edges.front().Top(), bottom = top;
    for (const Edge& e : edges)
        bottom = std::max(bottom, e.Bottom());
    const LONG firstRow = static_cast<LONG>(std::max<double>(box.top, std::floor(top)));
    const LONG endRow = static_cast<LONG>(std::min<double>(box.bottom, std::ceil(bottom)));
    std::vector<const Edge*> active;
    std::vector<Crossing> crossings;
    std::size_t next = 0;
    for (LONG y = firstRow; y < endRow; ++y) {
        const double yc = y + 0.5;
        for (; next < edges.size() && edges[next].Top() <= yc; ++next)
            active.push_back(&edges[next]);
        std::erase_if(active, [yc](const Edge* e) { return e->Bottom() <= yc; });
        crossings.clear();
        for (const Edge* e : active)
            crossings.push_back(Crossing{e->XAt(yc), e->dir});
        FillRow(raster, visible, box, y, crossings, fillMode, brush, opaque, bkRgb);
    }
}

} // namespace

void PaintRect(Raster& raster, const std::vector<RECT>& visible, const RECT& r,
               const GdiBrush& brush, bool opaque, DWORD bkRgb) {
    if (brush.style == BS_NULL) return;
    for (const RECT& v : visible) {
        const RECT part = IntersectRects(r, v);
        for (LONG y = part.top; y < part.bottom; ++y) {
            for (LONG x = part.left; x < part.right; ++x) {
                if (brush.style == BS_SOLID || HatchAt(brush.hatch, x, y))
                    raster.Set(x, y, brush.rgb);
                else if (opaque)
                    raster.Set(x, y, bkRgb);
            }
        }
    }
}

void PaintPolygon(Raster& raster, const std::vector<RECT>& visible,
                  const std::vector<POINT>& points, const GdiBrush& brush) {
    std::vector<Edge> edges;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const POINT a = points[i], b = points[(i + 1) % points.size()];
        if (a.y != b.y)
            edges.push_back(
                Edge{double(a.x), double(a.y), double(b.x), double(b.y), b.y > a.y ? 1 : -1});
    }
    FillEdges(raster, visible, edges, WINDING, brush, false, 0);
}

BOOL PolyPolygon(HDC hdc, const POINT* points, const int* counts, int polygons) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || !points || !counts || polygons < 1) return FALSE;
    std::vector<POINT> device;
    std::vector<Edge> edges;
    std::vector<std::pair<std::size_t, std::size_t>> rings; // first vertex, count
    for (int p = 0; p < polygons; ++p) {
        if (counts[p] < 2) return FALSE;
        const std::size_t first = device.size(), n = static_cast<std::size_t>(counts[p]);
        for (std::size_t i = 0; i < n; ++i, ++points)
            device.push_back(ToDevice(*dc, points->x, points->y));
        rings.emplace_back(first, n);
        for (std::size_t i = 0; i < n; ++i) {
            const POINT a = device[first + i], b = device[first + (i + 1) % n];
            if (a.y != b.y)
                edges.push_back(
                    Edge{double(a.x), double(a.y), double(b.x), double(b.y), b.y > a.y ? 1 : -1});
        }
    }
    Raster& raster = dc->bitmap->raster;
    const std::vector<RECT> visible = VisibleRects(*dc);
    FillEdges(raster, visible, edges, dc->fillMode, *dc->brush, dc->bkMode == OPAQUE, dc->bkRgb);
    for (const auto& [first, n] : rings) {
        for (std::size_t i = 0; i < n; ++i)
            PaintLine(raster, visible, device[first + i], device[first + (i + 1) % n], *dc->pen);
    }
    return TRUE;
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || (rop != PATCOPY && rop != BLACKNESS && rop != WHITENESS)) return FALSE;
    const POINT a = ToDevice(*dc, x, y), b = ToDevice(*dc, 0LL + x + width, 0LL + y + height);
    const RECT r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    const GdiBrush solid(BS_SOLID, rop == WHITENESS ? 0xFFFFFF : 0, 0);
    PaintRect(dc->bitmap->raster, VisibleRects(*dc), r, rop == PATCOPY ? *dc->brush : solid,
              dc->bkMode == OPAQUE, dc->bkRgb);
    return TRUE;
}
