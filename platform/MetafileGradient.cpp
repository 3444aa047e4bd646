// The canvas's gradient fills, flood fills and single pixels. Gradient
// colours are interpolated from the vertices' 16-bit channels, and the top
// 8 bits are painted.
#include <algorithm>
#include <array>
#include <cmath>

#include "platform/GdiObjects.h"
#include "platform/MetafileCanvas.h"
#include "platform/MetafileDevice.h"

namespace {

using Channels = std::array<double, 3>;

Channels ChannelsOf(const GradientVertex& v) {
    return {double(v.red), double(v.green), double(v.blue)};
}

DWORD RgbOf(const Channels& c) {
    DWORD rgb = 0;
    for (const double v : c)
        rgb = (rgb << 8) | static_cast<DWORD>(std::clamp(v, 0.0, 65535.0)) >> 8;
    return rgb;
}

} // namespace

void MetafileCanvas::GradientRects(std::span<const GradientVertex> vertices,
                                   std::span<const DWORD> mesh, bool vertical) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return;
    const Region& visible = VisibleRegion(*dc);
    Raster& raster = dc->bitmap->raster;
    for (std::size_t m = 0; m + 2 <= mesh.size(); m += 2) {
        if (mesh[m] >= vertices.size() || mesh[m + 1] >= vertices.size()) continue;
        const GradientVertex &from = vertices[mesh[m]], &to = vertices[mesh[m + 1]];
        const POINT a = Pixel(state.transform.ToOutput(from.point));
        const POINT b = Pixel(state.transform.ToOutput(to.point));
        const RECT r = IntersectRects(
            RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)},
            visible.Bounds());
        if (!Spend(AreaOf(r) + 1)) return;
        // The shade runs from `from`'s side, whose first row or column has
        // its colour, to `to`'s.
        const double first = vertical ? std::min(a.y, b.y) : std::min(a.x, b.x);
        const double span = vertical ? std::fabs(0.0 + b.y - a.y) : std::fabs(0.0 + b.x - a.x);
        const bool reversed = vertical ? a.y > b.y : a.x > b.x;
        const Channels c0 = ChannelsOf(from), c1 = ChannelsOf(to);
        visible.ForEachRectIn(r, [&](const RECT& part) {
            for (LONG y = part.top; y < part.bottom; ++y) {
                for (LONG x = part.left; x < part.right; ++x) {
                    const double pos = (vertical ? y : x) - first;
                    const double t = reversed ? (span - 1 - pos) / span : pos / span;
                    raster.Set(x, y,
                               RgbOf({c0[0] + (c1[0] - c0[0]) * t, c0[1] + (c1[1] - c0[1]) * t,
                                      c0[2] + (c1[2] - c0[2]) * t}));
                }
            }
        });
    }
}

// Each pixel whose centre lies inside a triangle takes the colours weighted
// by its barycentric coordinates.
void MetafileCanvas::GradientTriangles(std::span<const GradientVertex> vertices,
                                       std::span<const DWORD> mesh) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return;
    const Region& visible = VisibleRegion(*dc);
    const RECT clip = visible.Bounds();
    Raster& raster = dc->bitmap->raster;
    for (std::size_t m = 0; m + 3 <= mesh.size(); m += 3) {
        if (std::max({mesh[m], mesh[m + 1], mesh[m + 2]}) >= vertices.size()) continue;
        std::vector<PointD> ring;
        Channels c[3];
        for (int k = 0; k < 3; ++k) {
            const GradientVertex& v = vertices[mesh[m + k]];
            const POINT p = Pixel(state.transform.ToOutput(v.point));
            ring.push_back(PointD{double(p.x), double(p.y)});
            c[k] = ChannelsOf(v);
        }
        const double det = (ring[1].x - ring[0].x) * (ring[2].y - ring[0].y) -
                           (ring[2].x - ring[0].x) * (ring[1].y - ring[0].y);
        const std::vector<std::vector<PointD>> rings{ring};
        if (!Spend(ScanWork(rings, clip, std::min(std::fabs(det) / 2, AreaOf(clip))))) return;
        if (det == 0) continue;
        ScanPolygons(rings, ALTERNATE, clip, [&](LONG y, std::span<const RegionSpan> spans) {
            for (const RegionSpan& s : spans) {
                for (LONG x = s.left; x < s.right; ++x) {
                    if (!visible.Contains(x, y)) continue;
                    const double px = x + 0.5 - ring[0].x, py = y + 0.5 - ring[0].y;
                    const double w1 =
                        (px * (ring[2].y - ring[0].y) - py * (ring[2].x - ring[0].x)) / det;
                    const double w2 =
                        (py * (ring[1].x - ring[0].x) - px * (ring[1].y - ring[0].y)) / det;
                    const double w0 = 1 - w1 - w2;
                    Channels out;
                    for (int k = 0; k < 3; ++k)
                        out[k] = w0 * c[0][k] + w1 * c[1][k] + w2 * c[2][k];
                    raster.Set(x, y, RgbOf(out));
                }
            }
        });
    }
}

void MetafileCanvas::SetPixel(PointD logical, COLORREF color) {
    const POINT p = Pixel(state.transform.ToOutput(logical));
    if (!Spend(1)) return;
    const PIXELSPAN span{p.x, p.y, 1};
    PaintSpans(hdc, &span, 1, color);
}

void MetafileCanvas::FloodFill(PointD logical, COLORREF color, UINT type) {
    const POINT p = Pixel(state.transform.ToOutput(logical));
    if (!Spend(4 * AreaOf(state.clip->Bounds()))) return;
    const Selected brush(hdc, BrushOf(state.brush, state));
    SetBkMode(hdc, state.bkMode);
    SetBkColor(hdc, state.bkColor);
    ExtFloodFill(hdc, p.x, p.y, color, type);
}
