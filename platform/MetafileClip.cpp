// The canvas's clip region and region painting, in output pixels. Every
// region is cut to the output rectangle, which bounds its size; each
// operation is charged to the work cap by the sizes of the regions it
// combines.
#include <algorithm>
#include <cmath>

#include "platform/GdiObjects.h"
#include "platform/MetafileCanvas.h"
#include "platform/MetafileDevice.h"

namespace {

// Regions of more rectangles than this, which real files never have, stand
// for their bounding box: merging adversarial rectangles grows quickly.
constexpr std::size_t kMaxRegionRects = 4096;

RECT BoundsOf(std::span<const RECT> rects) {
    RECT box = rects.front();
    for (const RECT& r : rects)
        box = RECT{std::min({box.left, r.left, r.right}), std::min({box.top, r.top, r.bottom}),
                   std::max({box.right, r.left, r.right}), std::max({box.bottom, r.top, r.bottom})};
    return box;
}

// Paints a region with a new region object, released after.
template <class F>
void WithRegionObject(const Region& region, F paint) {
    HRGN rgn = NewRegionObject(region);
    paint(rgn);
    DeleteObject(rgn);
}

} // namespace

void MetafileCanvas::ReplaceClip(Region clip) {
    state.clip = std::make_shared<const Region>(std::move(clip));
    ApplyClip();
}

void MetafileCanvas::ApplyClip() {
    if (GdiDevice* dc = Find<GdiDevice>(hdc)) ::SetClip(*dc, *state.clip);
}

void MetafileCanvas::ResetClip() {
    state.clip = state.meta;
    ApplyClip();
}

void MetafileCanvas::SetMetaRegion() {
    state.meta = state.clip;
}

void MetafileCanvas::ClipRegion(const Region& output, int mode) {
    if (mode < RGN_AND || mode > RGN_COPY) return;
    const double sizes = double(output.RectCount() + state.clip->RectCount());
    if (!Spend(sizes + double(state.meta->RectCount()))) return;
    const Region combined =
        mode == RGN_COPY ? output : Region::Combine(*state.clip, output, RegionOpOf(mode));
    ReplaceClip(Region::Combine(combined, *state.meta, Region::Op::And));
}

// The rectangle maps onto a polygon (a rotated world transform turns it);
// its pixels are those whose centres it holds, as for a filled polygon.
void MetafileCanvas::ClipRect(const BoxD& logical, bool exclude) {
    const Figure corners = RectangleFigure(logical, state.transform.Total());
    ClipRegion(PolygonRegion({corners.points}, WINDING, dest), exclude ? RGN_DIFF : RGN_AND);
}

void MetafileCanvas::OffsetClip(PointD logical) {
    const Xform t = state.transform.Total();
    const PointD d{logical.x * t.m11 + logical.y * t.m21, logical.x * t.m12 + logical.y * t.m22};
    if (!std::isfinite(d.x) || !std::isfinite(d.y) || !Spend(double(state.clip->RectCount())))
        return;
    const auto px = [](double v) { return std::llround(std::clamp(v, -1e9, 1e9)); };
    ReplaceClip(
        Region::Combine(state.clip->Offset(px(d.x), px(d.y)), *state.meta, Region::Op::And));
}

void MetafileCanvas::ClipPath(int mode) {
    std::vector<std::vector<PointD>> rings;
    for (const Figure& f : path)
        rings.push_back(f.points);
    AbortPath();
    if (!Spend(ScanWork(rings, dest, AreaOf(dest)))) return;
    ClipRegion(PolygonRegion(rings, state.fillMode, dest), mode);
}

Region MetafileCanvas::OutputRegion(std::span<const RECT> rects, const Xform& map) {
    if (rects.empty() || !Spend(double(rects.size()))) return Region();
    std::vector<RECT> cut;
    const RECT box = BoundsOf(rects);
    const std::span<const RECT> used = rects.size() > kMaxRegionRects ? std::span(&box, 1) : rects;
    if (map.m12 != 0 || map.m21 != 0) {
        // Turned: the union of the rectangles' polygons.
        std::vector<std::vector<PointD>> rings;
        for (const RECT& r : used)
            rings.push_back(
                RectangleFigure(
                    BoxD{double(r.left), double(r.top), double(r.right), double(r.bottom)}, map)
                    .points);
        return PolygonRegion(rings, WINDING, dest);
    }
    for (const RECT& r : used) {
        const POINT a = Pixel(map.Apply({double(r.left), double(r.top)}));
        const POINT b = Pixel(map.Apply({double(r.right), double(r.bottom)}));
        const RECT n{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
                     std::max(a.y, b.y)};
        const RECT in = IntersectRects(n, dest);
        if (!IsEmptyRect(in)) cut.push_back(in);
    }
    if (!Spend(double(cut.size()) * 32)) return Region();
    return Region::FromRects(cut);
}

void MetafileCanvas::FillRegion(const Region& output, const MetaBrush& brush) {
    if (brush.style == BS_NULL || !Spend(AreaOf(output.Bounds()) + double(output.RectCount())))
        return;
    const Selected b(hdc, BrushOf(brush, state));
    SetBkMode(hdc, state.bkMode);
    SetBkColor(hdc, state.bkColor);
    WithRegionObject(output, [&](HRGN rgn) { PaintRgn(hdc, rgn); });
}

void MetafileCanvas::FrameRegion(const Region& output, const MetaBrush& brush, double width,
                                 double height, const Xform& t) {
    const auto pixels = [](double v) {
        return static_cast<int>(std::clamp(std::round(std::fabs(v)), 1.0, 1e4)); // NaN: 1
    };
    const int w = pixels(width * std::hypot(t.m11, t.m12));
    const int h = pixels(height * std::hypot(t.m21, t.m22));
    if (brush.style == BS_NULL ||
        !Spend(AreaOf(output.Bounds()) + 5.0 * double(output.RectCount())))
        return;
    SetBkMode(hdc, state.bkMode);
    SetBkColor(hdc, state.bkColor);
    HBRUSH b = BrushOf(brush, state);
    WithRegionObject(output, [&](HRGN rgn) { FrameRgn(hdc, rgn, b, w, h); });
    DeleteObject(b);
}

void MetafileCanvas::InvertRegion(const Region& output) {
    if (!Spend(AreaOf(output.Bounds()) + double(output.RectCount()))) return;
    WithRegionObject(output, [&](HRGN rgn) { InvertRgn(hdc, rgn); });
}
