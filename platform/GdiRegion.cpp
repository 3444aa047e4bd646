// Region objects, their combination, the clip region and the clip box.
#include <algorithm>

#include "platform/GdiObjects.h"

namespace {

int RegionType(const Region& r) {
    if (r.Empty()) return NULLREGION;
    return r.RectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool IsCombineMode(int mode) {
    return mode >= RGN_AND && mode <= RGN_COPY;
}

// The clip region, or the whole raster without one.
Region ClipOrRaster(const GdiDevice& dc) {
    return dc.clip ? *dc.clip : Region(dc.bitmap->raster.Bounds());
}

// Combines the clip region with a device rectangle.
int ClipWithRect(HDC hdc, int left, int top, int right, int bottom, Region::Op op) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return RGN_ERROR;
    const POINT a = ToDevice(*dc, left, top), b = ToDevice(*dc, right, bottom);
    SetClip(*dc, Region::Combine(ClipOrRaster(*dc), Region(RECT{a.x, a.y, b.x, b.y}), op));
    return RegionType(*dc->clip);
}

} // namespace

Region::Op RegionOpOf(int mode) {
    switch (mode) {
    case RGN_AND:
        return Region::Op::And;
    case RGN_OR:
        return Region::Op::Or;
    case RGN_XOR:
        return Region::Op::Xor;
    default:
        return Region::Op::Diff;
    }
}

bool IsEmptyRect(const RECT& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

RECT IntersectRects(const RECT& a, const RECT& b) {
    const RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return IsEmptyRect(r) ? RECT{0, 0, 0, 0} : r;
}

const Region& VisibleRegion(const GdiDevice& dc) {
    if (!dc.visible) {
        const Region raster(dc.bitmap->raster.Bounds());
        dc.visible = dc.clip ? Region::Combine(*dc.clip, raster, Region::Op::And) : raster;
    }
    return *dc.visible;
}

void SetClip(GdiDevice& dc, std::optional<Region> clip) {
    dc.clip = std::move(clip);
    dc.visible.reset();
}

HRGN NewRegionObject(Region region) {
    return Register(std::make_unique<GdiRegion>(std::move(region)));
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    return NewRegionObject(Region(RECT{left, top, right, bottom}));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
    return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
    GdiRegion* d = Find<GdiRegion>(dest);
    const GdiRegion* a = Find<GdiRegion>(src1);
    const GdiRegion* b = mode == RGN_COPY ? a : Find<GdiRegion>(src2);
    if (!d || !a || !b || !IsCombineMode(mode)) return RGN_ERROR;
    d->region =
        mode == RGN_COPY ? a->region : Region::Combine(a->region, b->region, RegionOpOf(mode));
    return RegionType(d->region);
}

int OffsetRgn(HRGN rgn, int x, int y) {
    GdiRegion* r = Find<GdiRegion>(rgn);
    if (!r) return RGN_ERROR;
    r->region = r->region.Offset(x, y);
    return RegionType(r->region);
}

int GetRgnBox(HRGN rgn, RECT* rect) {
    const GdiRegion* r = Find<GdiRegion>(rgn);
    if (!r || !rect) return RGN_ERROR;
    *rect = r->region.Bounds();
    return RegionType(r->region);
}

int ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    const GdiRegion* rgn = Find<GdiRegion>(hrgn);
    if (!dc || !IsCombineMode(mode) || (!rgn && (hrgn || mode != RGN_COPY))) return RGN_ERROR;
    if (!rgn) {
        SetClip(*dc, std::nullopt);
        return SIMPLEREGION;
    }
    SetClip(*dc, mode == RGN_COPY
                     ? rgn->region
                     : Region::Combine(ClipOrRaster(*dc), rgn->region, RegionOpOf(mode)));
    return RegionType(*dc->clip);
}

int SelectClipRgn(HDC hdc, HRGN hrgn) {
    return ExtSelectClipRgn(hdc, hrgn, RGN_COPY);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    return ClipWithRect(hdc, left, top, right, bottom, Region::Op::And);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
    return ClipWithRect(hdc, left, top, right, bottom, Region::Op::Diff);
}

int OffsetClipRgn(HDC hdc, int x, int y) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return RGN_ERROR;
    if (!dc->clip) return SIMPLEREGION; // the whole raster stays the whole raster
    SetClip(*dc, dc->clip->Offset(x, y));
    return RegionType(*dc->clip);
}

int GetClipBox(HDC hdc, RECT* rect) {
    const GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || !rect) return RGN_ERROR;
    const Region& visible = VisibleRegion(*dc);
    const RECT box = visible.Bounds();
    // The box in logical units.
    const POINT org = dc->viewportOrg;
    *rect = RECT{SaturateToInt(0LL + box.left - org.x), SaturateToInt(0LL + box.top - org.y),
                 SaturateToInt(0LL + box.right - org.x), SaturateToInt(0LL + box.bottom - org.y)};
    return RegionType(visible);
}
