// Small helpers of the metafile canvas for talking to the device context.
#pragma once

#include <algorithm>
#include <cmath>

#include "platform/MetafileCanvas.h"

// An output point as a device pixel position, kept far inside the int range.
inline POINT Pixel(PointD p) {
    const double limit = 1e9;
    if (std::isnan(p.x) || std::isnan(p.y)) return POINT{0, 0};
    return POINT{static_cast<LONG>(std::lround(std::clamp(p.x, -limit, limit))),
                 static_cast<LONG>(std::lround(std::clamp(p.y, -limit, limit)))};
}

// Selects a new GDI object and undoes both when it goes.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ obj) : dc(dc), obj(obj), previous(SelectObject(dc, obj)) {}
    ~Selected() {
        SelectObject(dc, previous);
        DeleteObject(obj);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc;
    HGDIOBJ obj, previous;
};

// The colour a brush paints with in a state: a monochrome pattern takes
// the state's text and background colours.
inline COLORREF BrushColor(const MetaBrush& b, const MetaState& s) {
    if (b.monoShare < 0) return b.color;
    const auto mix = [&](BYTE text, BYTE bk) {
        return static_cast<BYTE>(std::lround(text + (bk - text) * b.monoShare));
    };
    return RGB(mix(GetRValue(s.textColor), GetRValue(s.bkColor)),
               mix(GetGValue(s.textColor), GetGValue(s.bkColor)),
               mix(GetBValue(s.textColor), GetBValue(s.bkColor)));
}

inline HBRUSH BrushOf(const MetaBrush& b, const MetaState& s) {
    const LOGBRUSH lb{b.style, BrushColor(b, s), b.hatch};
    return CreateBrushIndirect(&lb);
}

// The area of a rectangle, 0 when it is empty.
inline double AreaOf(const RECT& r) {
    return std::max(0.0, 0.0 + r.right - r.left) * std::max(0.0, 0.0 + r.bottom - r.top);
}

// The work of scan converting polygons within the clip box: every edge for
// the rows it spans there, every row, and `painted` pixels.
double ScanWork(const std::vector<std::vector<PointD>>& rings, const RECT& clip, double painted);
