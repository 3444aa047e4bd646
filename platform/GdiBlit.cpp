// Device-independent bitmap output, DIB sections, block copies and the
// stretch mode.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>

#include "platform/ByteOrder.h"
#include "platform/GdiObjects.h"

// A BITMAPINFO is read as the little-endian bytes of a DIB block, which is
// also how the host lays the struct out.
static_assert(std::endian::native == std::endian::little);

namespace {

DWORD RgbAt(const BYTE* bgr) {
    return (static_cast<DWORD>(bgr[2]) << 16) | (static_cast<DWORD>(bgr[1]) << 8) | bgr[0];
}

// A bottom-up, uncompressed DIB of 1, 4, 8 or 24 bits per pixel.
struct DibLayout {
    BITMAPINFOHEADER header{};
    const BYTE* colors = nullptr; // the colour table, `entries` RGBQUADs
    DWORD entries = 0;
    std::size_t stride = 0;

    // Reads the header and finds the colour table; false for any other kind
    // of DIB.
    bool Open(const BITMAPINFO* bmi, UINT colorUse) {
        if (!bmi || colorUse != DIB_RGB_COLORS) return false;
        const BYTE* bytes = reinterpret_cast<const BYTE*>(bmi);
        header = LoadInfoHeader(bytes);
        const WORD bpp = header.biBitCount;
        if (header.biSize < kInfoHeaderSize || header.biWidth <= 0 || header.biHeight <= 0 ||
            header.biCompression != BI_RGB || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24))
            return false;
        const DWORD tableSize = bpp == 24 ? 0 : 1u << bpp;
        entries = header.biClrUsed && header.biClrUsed < tableSize ? header.biClrUsed : tableSize;
        colors = bytes + header.biSize;
        stride = ((static_cast<std::size_t>(header.biWidth) * bpp + 31) / 32) * 4;
        return true;
    }

    // The colour of pixel x of a row; black for an index beyond the table.
    DWORD Pixel(const BYTE* row, long long x) const {
        DWORD index;
        switch (header.biBitCount) {
        case 24:
            return RgbAt(row + 3 * x);
        case 8:
            index = row[x];
            break;
        case 4:
            index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
            break;
        default:
            index = (row[x / 8] >> (7 - x % 8)) & 1;
            break;
        }
        return index < entries ? RgbAt(colors + 4 * index) : 0;
    }
};

} // namespace

// Device row yDest + j shows the DIB's row ySrc + height - 1 - j counted from
// the bottom; `bits` holds the rows startScan to startScan + lines - 1.
int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT lines, const void* bits, const BITMAPINFO* bmi,
                      UINT colorUse) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    DibLayout dib;
    if (!dc || !bits || !dib.Open(bmi, colorUse)) return 0;
    const POINT dest = ToDevice(*dc, xDest, yDest);
    xDest = dest.x;
    yDest = dest.y;
    const BYTE* rows = static_cast<const BYTE*>(bits);
    const long long scanEnd = std::min(static_cast<long long>(startScan) + lines,
                                       static_cast<long long>(dib.header.biHeight));
    const long long xShift = static_cast<long long>(xSrc) - xDest; // DIB column - device column
    Raster& raster = dc->bitmap->raster;
    for (const RECT& v : VisibleRegion(*dc).Rects()) {
        const long long left = std::max({static_cast<long long>(v.left), 0LL + xDest, -xShift});
        const long long right = std::min(
            {static_cast<long long>(v.right), 0LL + xDest + width, dib.header.biWidth - xShift});
        const long long bottom = std::min(static_cast<long long>(v.bottom), 0LL + yDest + height);
        for (long long y = std::max(v.top, yDest); y < bottom; ++y) {
            const long long row = 0LL + ySrc + height - 1 - (y - yDest);
            if (row < startScan || row >= scanEnd) continue;
            const BYTE* p = rows + static_cast<std::size_t>(row - startScan) * dib.stride;
            for (long long x = left; x < right; ++x)
                raster.Set(static_cast<LONG>(x), static_cast<LONG>(y), dib.Pixel(p, x + xShift));
        }
    }
    return static_cast<int>(std::max(scanEnd - startScan, 0LL));
}

HBITMAP CreateDIBSection([[maybe_unused]] HDC hdc, const BITMAPINFO* bmi, UINT usage, void** bits,
                         HANDLE section, DWORD offset) {
    if (bits) *bits = nullptr;
    DibLayout dib;
    if (!dib.Open(bmi, usage) || dib.header.biBitCount != 24 || section || offset) return nullptr;
    auto bitmap = std::make_unique<GdiBitmap>();
    if (!bitmap->Allocate(dib.header.biWidth, dib.header.biHeight, Raster::Layout::Bgr24BottomUp))
        return nullptr;
    if (bits) *bits = bitmap->raster.bits;
    return Register(std::move(bitmap));
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    GdiDevice* dst = Find<GdiDevice>(hdc);
    const GdiDevice* src = Find<GdiDevice>(hdcSrc);
    if (!dst || !src || rop != SRCCOPY) return FALSE;
    const POINT to0 = ToDevice(*dst, x, y), from0 = ToDevice(*src, x1, y1);
    x = to0.x;
    y = to0.y;
    x1 = from0.x;
    y1 = from0.y;
    const Raster& from = src->bitmap->raster;
    Raster& to = dst->bitmap->raster;
    const long long dx = static_cast<long long>(x1) - x, dy = static_cast<long long>(y1) - y;
    const Region& visible = VisibleRegion(*dst);
    const RECT box = visible.Bounds();
    // The destination pixels in the clip box whose source pixels exist.
    const long long left = std::max({static_cast<long long>(box.left), 0LL + x, -dx});
    const long long right =
        std::min({static_cast<long long>(box.right), 0LL + x + cx, from.width - dx});
    const long long top = std::max({static_cast<long long>(box.top), 0LL + y, -dy});
    const long long bottom =
        std::min({static_cast<long long>(box.bottom), 0LL + y + cy, from.height - dy});
    // Read the whole block first: source and destination may overlap.
    std::vector<DWORD> block;
    for (long long row = top; row < bottom; ++row) {
        for (long long col = left; col < right; ++col)
            block.push_back(from.Get(static_cast<LONG>(col + dx), static_cast<LONG>(row + dy)));
    }
    auto next = block.begin();
    for (long long row = top; row < bottom; ++row) {
        for (long long col = left; col < right; ++col, ++next) {
            if (visible.Contains(col, row))
                to.Set(static_cast<LONG>(col), static_cast<LONG>(row), *next);
        }
    }
    return TRUE;
}

namespace {

// Combines a source pixel with the destination pixel under a raster
// operation; SRCCOPY for any other.
DWORD Combine(DWORD rop, DWORD dst, DWORD src) {
    switch (rop) {
    case SRCAND:
        return dst & src;
    case SRCPAINT:
        return dst | src;
    case SRCINVERT:
        return dst ^ src;
    default:
        return src;
    }
}

constexpr double kMaxMergeWork = 1 << 26;

// One axis of a stretch: destination pixel d samples source pixel
// src + floor((d + 0.5 - dest) * srcSize / destSize). A negative size on
// either side mirrors.
struct StretchAxis {
    long long dst0, dstEnd; // the destination span, dst0 <= dstEnd
    long long dest, src;
    double scale;

    StretchAxis(long long d, long long destSize, long long s, long long srcSize)
        : dst0(std::min(d, d + destSize)), dstEnd(std::max(d, d + destSize)), dest(d), src(s),
          scale(static_cast<double>(srcSize) / static_cast<double>(destSize)) {}
    long long Source(long long d) const {
        return src + static_cast<long long>(std::floor((d + 0.5 - dest) * scale));
    }
    bool Shrinks() const { return std::fabs(scale) > 1; }
    // The source pixels first to last that fall on destination pixel d:
    // all those it covers when shrinking, else the one under its centre.
    std::pair<long long, long long> Block(long long d) const {
        if (!Shrinks()) return {Source(d), Source(d)};
        const double e0 = (d - dest) * scale, e1 = (d + 1 - dest) * scale;
        const auto lo = static_cast<long long>(std::floor(std::min(e0, e1)));
        const auto hi = static_cast<long long>(std::ceil(std::max(e0, e1))) - 1;
        return {src + lo, src + std::max(lo, hi)};
    }
};

// The source pixels that fall on one destination pixel merged as the
// BLACKONWHITE (AND: black survives) or WHITEONBLACK (OR: white survives)
// stretch modes do; nothing when none of them lies inside the DIB.
std::optional<DWORD> MergedPixel(const DibLayout& dib, const BYTE* rows, const StretchAxis& ax,
                                 const StretchAxis& ay, long long x, long long y, long long top,
                                 bool keepBlack) {
    const auto [c0, c1] = ax.Block(x);
    const auto [r0, r1] = ay.Block(y);
    std::optional<DWORD> merged;
    for (long long r = std::max(r0, top - dib.header.biHeight + 1); r <= std::min(r1, top); ++r) {
        const BYTE* p = rows + static_cast<std::size_t>(top - r) * dib.stride;
        for (long long c = std::max(c0, 0LL); c <= std::min<long long>(c1, dib.header.biWidth - 1);
             ++c) {
            const DWORD v = dib.Pixel(p, c);
            merged = !merged ? v : keepBlack ? *merged & v : *merged | v;
        }
    }
    return merged;
}

} // namespace

int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* bmi,
                  UINT colorUse, DWORD rop) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    DibLayout dib;
    if (!dc || !bits || !dib.Open(bmi, colorUse) || destWidth == 0 || destHeight == 0 ||
        srcWidth == 0 || srcHeight == 0)
        return 0;
    const POINT dest = ToDevice(*dc, xDest, yDest);
    const StretchAxis ax(dest.x, destWidth, xSrc, srcWidth);
    // Rows counted down from the top of the source rectangle; DIB rows count
    // up from the bottom.
    const StretchAxis ay(dest.y, destHeight, 0, srcHeight);
    const BYTE* rows = static_cast<const BYTE*>(bits);
    const long long topRow = 0LL + ySrc + srcHeight - 1; // DIB row of the rectangle's top
    // Merging reads every source pixel under each destination pixel; past a
    // bound on that work the pixel under the centre stands for them.
    const RECT shown = IntersectRects(VisibleRegion(*dc).Bounds(),
                                      RECT{SaturateToInt(ax.dst0), SaturateToInt(ay.dst0),
                                           SaturateToInt(ax.dstEnd), SaturateToInt(ay.dstEnd)});
    const double mergeWork = std::ceil(std::max(1.0, std::fabs(ax.scale))) *
                             std::ceil(std::max(1.0, std::fabs(ay.scale))) *
                             (0.0 + shown.right - shown.left) * (0.0 + shown.bottom - shown.top);
    const bool merge = (ax.Shrinks() || ay.Shrinks()) && mergeWork <= kMaxMergeWork &&
                       (dc->stretchMode == BLACKONWHITE || dc->stretchMode == WHITEONBLACK);
    Raster& raster = dc->bitmap->raster;
    for (const RECT& v : VisibleRegion(*dc).Rects()) {
        const long long top = std::max<long long>(v.top, ay.dst0);
        const long long bottom = std::min<long long>(v.bottom, ay.dstEnd);
        const long long left = std::max<long long>(v.left, ax.dst0);
        const long long right = std::min<long long>(v.right, ax.dstEnd);
        for (long long y = top; y < bottom; ++y) {
            for (long long x = left; x < right && merge; ++x) {
                const std::optional<DWORD> v =
                    MergedPixel(dib, rows, ax, ay, x, y, topRow, dc->stretchMode == BLACKONWHITE);
                const LONG dx = static_cast<LONG>(x), dy = static_cast<LONG>(y);
                if (v) raster.Set(dx, dy, Combine(rop, raster.Get(dx, dy), *v));
            }
            const long long row = topRow - ay.Source(y);
            if (merge || row < 0 || row >= dib.header.biHeight) continue;
            const BYTE* p = rows + static_cast<std::size_t>(row) * dib.stride;
            for (long long x = left; x < right; ++x) {
                const long long col = ax.Source(x);
                if (col < 0 || col >= dib.header.biWidth) continue;
                const LONG dx = static_cast<LONG>(x), dy = static_cast<LONG>(y);
                raster.Set(dx, dy, Combine(rop, raster.Get(dx, dy), dib.Pixel(p, col)));
            }
        }
    }
    return std::abs(destHeight);
}

int SetStretchBltMode(HDC hdc, int mode) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
    return std::exchange(dc->stretchMode, mode);
}
