// The registry of live objects, stock objects, selection, and the creation
// and release of contexts.
#include <algorithm>
#include <new>
#include <unordered_map>
#include <utility>

#include "platform/GdiFont.h"
#include "platform/GdiObjects.h"

namespace {

std::unordered_map<const void*, std::unique_ptr<GdiObject>>& Registry() {
    static std::unordered_map<const void*, std::unique_ptr<GdiObject>> live;
    return live;
}

GdiPen* StockPen() {
    static GdiPen pen(1, 0);
    pen.stock = true;
    return &pen;
}

GdiBrush* StockBrush() {
    static GdiBrush brush(BS_SOLID, 0xFFFFFF, 0);
    brush.stock = true;
    return &brush;
}

GdiBitmap* StockBitmap() {
    static GdiBitmap bitmap;
    bitmap.stock = true;
    return &bitmap;
}

// Replaces the object selected in one slot of a context and returns the
// previous one; the selection counts follow.
template <class T>
T* Reselect(T*& slot, T* obj) {
    T* previous = slot;
    ++obj->selections;
    if (previous) --previous->selections;
    slot = obj;
    return previous;
}

GdiDevice* NewDevice(std::unique_ptr<GdiBitmap> surface) {
    auto dc = std::make_unique<GdiDevice>();
    dc->surface = std::move(surface);
    Reselect(dc->pen, StockPen());
    Reselect(dc->brush, StockBrush());
    Reselect(dc->font, StockFont());
    Reselect(dc->bitmap, dc->surface ? dc->surface.get() : StockBitmap());
    return Register(std::move(dc));
}

} // namespace

void AddObject(std::unique_ptr<GdiObject> obj, const void* handle) {
    Registry().emplace(handle, std::move(obj));
}

void DestroyObject(const void* handle) {
    Registry().erase(handle);
}

GdiObject* FindObject(const void* handle) {
    if (handle == HandleOf(StockPen())) return StockPen();
    if (handle == HandleOf(StockBrush())) return StockBrush();
    if (handle == HandleOf(StockBitmap())) return StockBitmap();
    if (handle == HandleOf(StockFont())) return StockFont();
    const auto it = Registry().find(handle);
    return it != Registry().end() ? it->second.get() : nullptr;
}

bool GdiBitmap::Allocate(LONG width, LONG height, Raster::Layout layout) {
    if (width < 0 || height < 0 || static_cast<long long>(width) * height > kMaxRasterPixels)
        return false;
    const std::size_t bytesPerPixel = layout == Raster::Layout::Rgb32TopDown ? 4 : 3;
    const std::size_t stride = ((width * bytesPerPixel + 3) / 4) * 4;
    const std::size_t words = stride / 4 * static_cast<std::size_t>(height);
    storage.reset(new (std::nothrow) std::uint32_t[words ? words : 1]());
    if (!storage) return false;
    raster = Raster{reinterpret_cast<BYTE*>(storage.get()), width, height, stride, layout};
    return true;
}

DWORD Raster::Get(LONG x, LONG y) const {
    if (layout == Layout::Rgb32TopDown)
        return reinterpret_cast<const std::uint32_t*>(bits + y * stride)[x] & 0x00FFFFFF;
    const BYTE* p = bits + static_cast<std::size_t>(height - 1 - y) * stride + 3 * x;
    return (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[1]) << 8) | p[0];
}

void Raster::Mix(LONG x, LONG y, DWORD rgb, int rop2) {
    Set(x, y, rop2 == R2_COPYPEN ? rgb : MixRop2(rop2, rgb, Get(x, y)));
}

void Raster::Fill(LONG left, LONG right, LONG y, DWORD rgb) {
    if (layout == Layout::Rgb32TopDown) {
        std::uint32_t* row = reinterpret_cast<std::uint32_t*>(bits + y * stride);
        std::fill(row + left, row + right, 0xFF000000 | rgb);
        return;
    }
    for (LONG x = left; x < right; ++x)
        Set(x, y, rgb);
}

DWORD MixRop2(int rop2, DWORD pen, DWORD dst) {
    const unsigned table = static_cast<unsigned>(rop2 - 1) & 15;
    DWORD out = 0;
    if (table & 8) out |= pen & dst;
    if (table & 4) out |= pen & ~dst;
    if (table & 2) out |= ~pen & dst;
    if (table & 1) out |= ~pen & ~dst;
    return out & 0xFFFFFF;
}

DWORD MixRop3(BYTE index, DWORD pattern, DWORD src, DWORD dst) {
    DWORD out = 0;
    for (int i = 0; i < 8; ++i) {
        if (index & (1 << i))
            out |= (i & 4 ? pattern : ~pattern) & (i & 2 ? src : ~src) & (i & 1 ? dst : ~dst);
    }
    return out & 0xFFFFFF;
}

void Raster::Set(LONG x, LONG y, DWORD rgb) {
    if (layout == Layout::Rgb32TopDown) {
        reinterpret_cast<std::uint32_t*>(bits + y * stride)[x] = 0xFF000000 | rgb;
        return;
    }
    BYTE* p = bits + static_cast<std::size_t>(height - 1 - y) * stride + 3 * x;
    p[0] = static_cast<BYTE>(rgb);
    p[1] = static_cast<BYTE>(rgb >> 8);
    p[2] = static_cast<BYTE>(rgb >> 16);
}

HDC CreateSurfaceDC(int width, int height, COLORREF background) {
    auto surface = std::make_unique<GdiBitmap>();
    if (!surface->Allocate(width, height, Raster::Layout::Rgb32TopDown)) return nullptr;
    const DWORD rgb = ColorRefToRgb(background);
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x)
            surface->raster.Set(x, y, rgb);
    }
    return NewDevice(std::move(surface));
}

bool GetSurfacePixels(HDC hdc, SurfacePixels* out) {
    const GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || !dc->surface || !out) return false;
    const Raster& r = dc->surface->raster;
    *out = SurfacePixels{reinterpret_cast<std::uint32_t*>(r.bits), r.width, r.height};
    return true;
}

std::size_t GetLiveGdiObjectCount() {
    return Registry().size();
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return nullptr;
    if (GdiPen* pen = Find<GdiPen>(obj)) return Reselect(dc->pen, pen);
    if (GdiBrush* brush = Find<GdiBrush>(obj)) return Reselect(dc->brush, brush);
    if (GdiFont* font = Find<GdiFont>(obj)) return Reselect(dc->font, font);
    GdiBitmap* bitmap = Find<GdiBitmap>(obj);
    // A bitmap goes into a memory context only, and into one at a time.
    if (!bitmap || dc->surface) return nullptr;
    if (bitmap == dc->bitmap) return bitmap;
    if (bitmap->selections > 0 && !bitmap->stock) return nullptr;
    dc->visible.reset();
    return Reselect(dc->bitmap, bitmap);
}

BOOL DeleteObject(HGDIOBJ obj) {
    GdiObject* found = FindObject(obj);
    if (!found || found->kind == GdiKind::Device) return FALSE;
    if (found->stock) return TRUE;
    if (found->selections > 0) return FALSE;
    DestroyObject(obj);
    return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->viewportOrg;
    dc->viewportOrg = POINT{x, y};
    return TRUE;
}

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc && !Find<GdiDevice>(hdc)) return nullptr;
    return NewDevice(nullptr);
}

BOOL DeleteDC(HDC hdc) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return FALSE;
    --dc->pen->selections;
    --dc->brush->selections;
    --dc->font->selections;
    --dc->bitmap->selections;
    DestroyObject(hdc);
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
    const GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return 0;
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case BITSPIXEL:
        return dc->bitmap->raster.layout == Raster::Layout::Bgr24BottomUp ? 24 : 32;
    default:
        return 0;
    }
}

COLORREF GetSysColor(int index) {
    return index == COLOR_WINDOW ? RGB(255, 255, 255) : RGB(0, 0, 0);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
    if (!brush || brush->lbStyle > BS_HATCHED) return nullptr;
    if (brush->lbStyle == BS_HATCHED &&
        (brush->lbHatch < HS_HORIZONTAL || brush->lbHatch > HS_DIAGCROSS))
        return nullptr;
    return Register(
        std::make_unique<GdiBrush>(brush->lbStyle, ColorRefToRgb(brush->lbColor), brush->lbHatch));
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc) return 0xFFFFFFFF; // CLR_INVALID
    const DWORD previous = std::exchange(dc->bkRgb, ColorRefToRgb(color));
    return RGB(static_cast<BYTE>(previous >> 16), static_cast<BYTE>(previous >> 8),
               static_cast<BYTE>(previous));
}

int SetBkMode(HDC hdc, int mode) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    return std::exchange(dc->bkMode, mode);
}

int SetPolyFillMode(HDC hdc, int mode) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || (mode != ALTERNATE && mode != WINDING)) return 0;
    return std::exchange(dc->fillMode, mode);
}
