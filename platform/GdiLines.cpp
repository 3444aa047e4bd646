// Solid pens, the current position and line drawing.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/GdiObjects.h"

namespace {

// A line in the coordinates of its own axes: `major` advances by one pixel
// per step, `minor` by `rise` pixels over all `steps`.
struct LineAxes {
    bool xMajor;
    long long steps, rise;
    long long major0, minor0;
    long long majorStep, minorStep;

    LineAxes(POINT from, POINT to) {
        const long long dx = static_cast<long long>(to.x) - from.x;
        const long long dy = static_cast<long long>(to.y) - from.y;
        xMajor = std::llabs(dx) >= std::llabs(dy);
        steps = std::llabs(xMajor ? dx : dy);
        rise = std::llabs(xMajor ? dy : dx);
        major0 = xMajor ? from.x : from.y;
        minor0 = xMajor ? from.y : from.x;
        majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
        minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
    }

    // Bresenham's minor coordinate at step i: i * rise / steps rounded to
    // nearest, halves towards the end. Both factors may need 32 bits.
    long long Minor(long long i) const {
        using U128 = unsigned __int128;
        const U128 twice = 2 * static_cast<U128>(i) * static_cast<U128>(rise) + steps;
        return minor0 + minorStep * static_cast<long long>(twice / (2 * static_cast<U128>(steps)));
    }
};

} // namespace

// Only the steps that fall inside the clip box are visited, so far-away end
// points cost nothing.
void PaintLine(Raster& raster, const Region& visible, POINT from, POINT to, const GdiPen& pen,
               int rop2) {
    const LineAxes line(from, to);
    const RECT box = visible.Bounds();
    if (pen.null || line.steps == 0 || IsEmptyRect(box)) return;
    const long long majorLo = line.xMajor ? box.left : box.top;
    const long long majorHi = (line.xMajor ? box.right : box.bottom) - 1;
    const long long minorLo = line.xMajor ? box.top : box.left;
    const long long minorHi = (line.xMajor ? box.bottom : box.right) - 1;
    const bool forward = line.majorStep > 0;
    const long long first = std::max(forward ? majorLo - line.major0 : line.major0 - majorHi, 0LL);
    const long long last =
        std::min(forward ? majorHi - line.major0 : line.major0 - majorLo, line.steps - 1);
    const long long below = (pen.width - 1) / 2, above = pen.width / 2;
    for (long long i = first; i <= last; ++i) {
        const long long major = line.major0 + line.majorStep * i;
        const long long minor = line.Minor(i);
        const long long mLast = std::min(minor + above, minorHi);
        for (long long m = std::max(minor - below, minorLo); m <= mLast; ++m) {
            const long long x = line.xMajor ? major : m, y = line.xMajor ? m : major;
            if (visible.Contains(x, y))
                raster.Mix(static_cast<LONG>(x), static_cast<LONG>(y), pen.rgb, rop2);
        }
    }
}

HPEN CreatePen(int style, int width, COLORREF color) {
    if (style != PS_SOLID && style != PS_NULL) return nullptr;
    return Register(
        std::make_unique<GdiPen>(std::max(width, 1), ColorRefToRgb(color), style == PS_NULL));
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->position;
    dc->position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return FALSE;
    PaintLine(dc->bitmap->raster, VisibleRegion(*dc), ToDevice(*dc, dc->position.x, dc->position.y),
              ToDevice(*dc, x, y), *dc->pen, dc->rop2);
    dc->position = POINT{x, y};
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || !points || count < 2) return FALSE;
    const Region& visible = VisibleRegion(*dc);
    for (int i = 1; i < count; ++i) {
        PaintLine(dc->bitmap->raster, visible, ToDevice(*dc, points[i - 1].x, points[i - 1].y),
                  ToDevice(*dc, points[i].x, points[i].y), *dc->pen, dc->rop2);
    }
    return TRUE;
}

int SetROP2(HDC hdc, int mode) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || mode < R2_BLACK || mode > R2_WHITE) return 0;
    return std::exchange(dc->rop2, mode);
}
