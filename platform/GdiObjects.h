// Inside the software device context: the objects behind the handles, the
// rasters they draw on and the registry of live objects. Only the platform
// layer's own sources include this header.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/Gdi.h"
#include "platform/PointD.h"
#include "platform/Region.h"
#include "platform/Truncate.h"

// A raster a context draws on: the 32-bit surface of a surface context (rows
// top-down, 0xFFRRGGBB) or the rows of a 24-bit DIB section (bottom-up, blue,
// green, red). Colours go in and out as 0x00RRGGBB.
struct Raster {
    enum class Layout { Rgb32TopDown, Bgr24BottomUp };

    BYTE* bits = nullptr;
    LONG width = 0;
    LONG height = 0;
    std::size_t stride = 0;
    Layout layout = Layout::Rgb32TopDown;

    RECT Bounds() const { return RECT{0, 0, width, height}; }
    DWORD Get(LONG x, LONG y) const;
    void Set(LONG x, LONG y, DWORD rgb);
    // Sets the pixel to what the binary raster operation `rop2` makes of
    // `rgb` (the pen or brush colour) over the pixel's colour.
    void Mix(LONG x, LONG y, DWORD rgb, int rop2);
    // Sets the pixels left to right - 1 of row y to one colour.
    void Fill(LONG left, LONG right, LONG y, DWORD rgb);
};

// A binary raster operation R2_BLACK .. R2_WHITE: its number less one is the
// truth table, bit 2 * pen + destination, applied to every bit of the colours.
DWORD MixRop2(int rop2, DWORD pen, DWORD dst);
// A ternary raster operation, by its index (bits 16 to 23 of the code): a
// truth table over pattern, source and destination, bit 4p + 2s + d.
DWORD MixRop3(BYTE index, DWORD pattern, DWORD src, DWORD dst);
// Whether the operation of that index reads the source.
inline bool UsesSource(BYTE index) {
    return ((index >> 2) & 0x33) != (index & 0x33);
}

inline DWORD ColorRefToRgb(COLORREF c) {
    return (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) |
           GetBValue(c);
}

enum class GdiKind { Pen, Brush, Region, Bitmap, Font, Device };

struct GdiObject {
    explicit GdiObject(GdiKind k) : kind(k) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    virtual ~GdiObject() = default;

    const GdiKind kind;
    int selections = 0; // contexts that hold it selected
    bool stock = false; // shared default object, never released
};

struct GdiPen : GdiObject {
    static constexpr GdiKind kKind = GdiKind::Pen;
    GdiPen(LONG w, DWORD c, bool n = false) : GdiObject(kKind), width(w), rgb(c), null(n) {}
    LONG width; // 1 or more
    DWORD rgb;
    bool null; // PS_NULL: draws nothing
};

struct GdiBrush : GdiObject {
    static constexpr GdiKind kKind = GdiKind::Brush;
    GdiBrush(UINT s, DWORD c, LONG h) : GdiObject(kKind), style(s), rgb(c), hatch(h) {}
    UINT style; // BS_SOLID, BS_NULL or BS_HATCHED
    DWORD rgb;
    LONG hatch; // HS_HORIZONTAL .. HS_DIAGCROSS
};

struct GdiRegion : GdiObject {
    static constexpr GdiKind kKind = GdiKind::Region;
    explicit GdiRegion(Region r = {}) : GdiObject(kKind), region(std::move(r)) {}
    Region region; // device pixels for a clip region, else logical units
};
// The set operation of a combine mode RGN_AND .. RGN_DIFF.
Region::Op RegionOpOf(int mode);

struct GdiBitmap : GdiObject {
    static constexpr GdiKind kKind = GdiKind::Bitmap;
    GdiBitmap() : GdiObject(kKind) {}
    // A zero-filled raster of the given layout, or false when the size is
    // out of range or the memory cannot be had.
    bool Allocate(LONG width, LONG height, Raster::Layout layout);

    Raster raster;
    std::unique_ptr<std::uint32_t[]> storage;
};

struct GdiFont;

struct GdiDevice : GdiObject {
    static constexpr GdiKind kKind = GdiKind::Device;
    GdiDevice() : GdiObject(kKind) {}

    std::unique_ptr<GdiBitmap> surface; // a surface context's own raster
    GdiBitmap* bitmap = nullptr;        // the raster drawn on
    GdiPen* pen = nullptr;
    GdiBrush* brush = nullptr;
    GdiFont* font = nullptr;
    POINT position{0, 0};       // the current position, in logical units
    POINT viewportOrg{0, 0};    // device point of the logical origin
    std::optional<Region> clip; // none: the whole raster
    // The clip region cut to the raster, made when first needed after the
    // clip region or the bitmap changed.
    mutable std::optional<Region> visible;
    int stretchMode = BLACKONWHITE;
    int rop2 = R2_COPYPEN;
    int fillMode = ALTERNATE;
    int bkMode = OPAQUE;
    DWORD bkRgb = 0xFFFFFF;
    DWORD textRgb = 0;
    UINT textAlign = 0;
    int charExtra = 0;
};

// The value a handle to the object has: registry entries are keyed by it,
// so a handle is looked up without converting an unchecked pointer.
inline const void* HandleOf(const GdiObject* obj) {
    return obj;
}
inline const void* HandleOf(const GdiDevice* dc) {
    return dc;
}

// Takes ownership of a new object and records it as live under its handle.
void AddObject(std::unique_ptr<GdiObject> obj, const void* handle);
template <class T>
T* Register(std::unique_ptr<T> obj) {
    T* raw = obj.get();
    AddObject(std::move(obj), HandleOf(raw));
    return raw;
}
// Releases a live object.
void DestroyObject(const void* handle);
// The live or stock object that `handle` names, or null.
GdiObject* FindObject(const void* handle);
// The same when it is of kind T, else null.
template <class T>
T* Find(const void* handle) {
    GdiObject* obj = FindObject(handle);
    return obj && obj->kind == T::kKind ? static_cast<T*>(obj) : nullptr;
}

// A logical point of a context in device units, saturated to the int range.
inline POINT ToDevice(const GdiDevice& dc, long long x, long long y) {
    return POINT{SaturateToInt(x + dc.viewportOrg.x), SaturateToInt(y + dc.viewportOrg.y)};
}

// The pixels a context may paint: its clip region cut to its raster.
const Region& VisibleRegion(const GdiDevice& dc);
// Replaces the clip region (none: the whole raster).
void SetClip(GdiDevice& dc, std::optional<Region> clip);
// A new region object holding `region`.
HRGN NewRegionObject(Region region);
RECT IntersectRects(const RECT& a, const RECT& b); // empty when they miss
bool IsEmptyRect(const RECT& r);

// Paints the path from `from` to `to` in device units without its end pixel,
// the pen's cross-section at every path pixel.
// The pixels combine with the raster under `rop2`.
void PaintLine(Raster& raster, const Region& visible, POINT from, POINT to, const GdiPen& pen,
               int rop2 = R2_COPYPEN);
// Fills the device rectangle `r` (cut to the visible rectangles) with a
// brush; pixels of a hatched brush's gaps take `bkRgb` when `opaque`.
void PaintRect(Raster& raster, const Region& visible, const RECT& r, const GdiBrush& brush,
               bool opaque, DWORD bkRgb, int rop2 = R2_COPYPEN);

// Paints spans of device pixels in one colour, cut to the visible region:
// the one way text and PaintSpans put pixels on the raster.
void PaintDeviceSpans(Raster& raster, const Region& visible, std::span<const PIXELSPAN> spans,
                      DWORD rgb);

// Scan conversion of polygons given in device units (real coordinates): a
// pixel is inside when its centre is, under the fill mode. Calls row(y,
// spans) for each row of `window` with pixels inside, spans sorted, disjoint
// and cut to the window.
void ScanPolygons(const std::vector<std::vector<PointD>>& rings, int fillMode, const RECT& window,
                  const std::function<void(LONG y, std::span<const RegionSpan>)>& row);
// The pixels of the polygons inside `window`.
Region PolygonRegion(const std::vector<std::vector<PointD>>& rings, int fillMode,
                     const RECT& window);
// Fills the polygons with a brush through the context's clip region.
void FillPolygons(GdiDevice& dc, const std::vector<std::vector<PointD>>& rings, int fillMode,
                  const GdiBrush& brush);
