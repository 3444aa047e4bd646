// Rectangles, rectangular regions, the clip region and the clip box.
#include <algorithm>

#include "platform/GdiObjects.h"

namespace {

bool Covers(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The same union without empty rectangles and without rectangles that
// another one covers (of equal ones, the first stays).
std::vector<RECT> Simplified(const std::vector<RECT>& rects) {
    std::vector<RECT> kept;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const RECT& r = rects[i];
        bool covered = IsEmptyRect(r);
        for (std::size_t j = 0; j < rects.size() && !covered; ++j)
            covered = j != i && Covers(rects[j], r) && (j < i || !Covers(r, rects[j]));
        if (!covered) kept.push_back(r);
    }
    return kept;
}

// The clip region; without one the whole raster may be painted.
std::vector<RECT> ClipRegion(const GdiDevice& dc) {
    return dc.clip ? *dc.clip : std::vector<RECT>{dc.bitmap->raster.Bounds()};
}

int RegionType(const std::vector<RECT>& rects) {
    if (rects.empty()) return NULLREGION;
    return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

} // namespace

bool IsEmptyRect(const RECT& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

RECT IntersectRects(const RECT& a, const RECT& b) {
    const RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return IsEmptyRect(r) ? RECT{0, 0, 0, 0} : r;
}

bool InAnyRect(const std::vector<RECT>& rects, long long x, long long y) {
    return std::any_of(rects.begin(), rects.end(), [x, y](const RECT& r) {
        return r.left <= x && x < r.right && r.top <= y && y < r.bottom;
    });
}

RECT BoundingRect(const std::vector<RECT>& rects) {
    if (rects.empty()) return RECT{0, 0, 0, 0};
    RECT box = rects.front();
    for (const RECT& r : rects) {
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
    }
    return box;
}

std::vector<RECT> VisibleRects(const GdiDevice& dc) {
    const RECT bounds = dc.bitmap->raster.Bounds();
    std::vector<RECT> visible;
    for (const RECT& r : ClipRegion(dc)) {
        const RECT v = IntersectRects(r, bounds);
        if (!IsEmptyRect(v)) visible.push_back(v);
    }
    return visible;
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
    if (!rect) return nullptr;
    auto rgn = std::make_unique<GdiRegion>();
    const RECT r{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                 std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
    if (!IsEmptyRect(r)) rgn->rects.push_back(r);
    return Register(std::move(rgn));
}

int ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    const GdiRegion* rgn = Find<GdiRegion>(hrgn);
    if (!dc || !rgn || (mode != RGN_AND && mode != RGN_OR)) return RGN_ERROR;
    const std::vector<RECT> current = ClipRegion(*dc);
    std::vector<RECT> next;
    if (mode == RGN_AND) {
        for (const RECT& a : current) {
            for (const RECT& b : rgn->rects)
                next.push_back(IntersectRects(a, b));
        }
    } else {
        next = current;
        next.insert(next.end(), rgn->rects.begin(), rgn->rects.end());
    }
    dc->clip = Simplified(next);
    return RegionType(*dc->clip);
}

int GetClipBox(HDC hdc, RECT* rect) {
    const GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || !rect) return RGN_ERROR;
    const std::vector<RECT> visible = VisibleRects(*dc);
    const RECT box = BoundingRect(visible);
    // The box in logical units.
    const POINT org = dc->viewportOrg;
    *rect = RECT{SaturateToInt(0LL + box.left - org.x), SaturateToInt(0LL + box.top - org.y),
                 SaturateToInt(0LL + box.right - org.x), SaturateToInt(0LL + box.bottom - org.y)};
    return RegionType(visible);
}
