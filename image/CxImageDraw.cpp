// Presenting the image on a device context: unscaled straight from the pixel
// rows, or through a 24-bit buffer of the visible rectangle when the image is
// stretched or composited over the device's pixels.
#include <algorithm>
#include <cmath>

#include "image/CxImage.h"
#include "platform/Truncate.h"

namespace {

// floor(v), limited to 0 .. size - 1. The lower limit catches rounding just
// below 0; the upper one a huge stretch, where single precision can round a
// position at the far edge up to the size itself.
LONG SourceIndex(float v, LONG size) {
    return std::clamp<LONG>(TruncToInt(std::floor(v)), 0, size - 1);
}

// The destination rectangle, its part inside the clip box (xmin, ymin to
// xmax, ymax) and the mapping of that part's pixels to source pixels. Buffer
// rows count from the bottom, like the image's rows.
struct DrawArea {
    LONG x, y, cx, cy;
    LONG w, h; // the image's size
    LONG xmin, ymin, xmax, ymax;
    bool stretched;
    float fx, fy;

    DrawArea(LONG dx, LONG dy, LONG dcx, LONG dcy, const RECT& box, LONG iw, LONG ih)
        : x(dx), y(dy), cx(dcx), cy(dcy), w(iw), h(ih) {
        ymin = std::min(box.bottom, std::max(y, box.top));
        xmin = std::min(box.right, std::max(x, box.left));
        xmax = SaturateToInt(
            std::max<long long>(box.left, std::min<long long>(box.right, 0LL + x + cx)));
        ymax = SaturateToInt(
            std::max<long long>(box.top, std::min<long long>(box.bottom, 0LL + y + cy)));
        stretched = cx != w || cy != h;
        fx = static_cast<float>(w) / static_cast<float>(cx);
        fy = static_cast<float>(h) / static_cast<float>(cy);
    }

    LONG DestWidth() const { return xmax - xmin; }
    LONG DestHeight() const { return ymax - ymin; }

    // Stretched: the source row of buffer row yy and the real row it samples.
    LONG StretchedRow(LONG yy, float& dy) const {
        dy = h - static_cast<float>(0LL + ymax - yy - y) * fy;
        return SourceIndex(dy, h);
    }
    LONG StretchedColumn(LONG xx, float& dx) const {
        dx = static_cast<float>(0LL + xx + xmin - x) * fx;
        return SourceIndex(dx, w);
    }
    // Unscaled: the offset of the visible part enters the source position.
    LONG UnscaledRow(LONG yy) const { return static_cast<LONG>(0LL + y + h - ymax + yy); }
    LONG UnscaledColumn(LONG xx) const { return static_cast<LONG>(0LL + xmin - x + xx); }
};

// One source pixel of a destination pixel, and the real position a smoothed
// stretch samples for it.
struct SourcePoint {
    LONG sx = 0, sy = 0;
    float dx = 0, dy = 0;
};

RGBQUAD SmoothColor(const CxImage& img, const SourcePoint& p) {
    return img.GetPixelColorInterpolated(p.dx - 0.5f, p.dy - 0.5f, InterpolateBilinear,
                                         OverflowClampToEdge);
}

// Blue, green and red from the pixel rows; the fourth byte is 0.
RGBQUAD RowColor(const CxImage& img, LONG sx, LONG sy) {
    const BYTE* p = img.GetBits() + static_cast<std::size_t>(sy) * img.GetEffWidth() + 3 * sx;
    return RGBQUAD{p[0], p[1], p[2], 0};
}

void PutColor(BYTE* d, RGBQUAD c) {
    d[0] = c.rgbBlue;
    d[1] = c.rgbGreen;
    d[2] = c.rgbRed;
}

// d = (d * (255 - a) + a * s) >> 8 per channel; 0 keeps d and 255 replaces it.
void Blend(BYTE* d, RGBQUAD c, int a) {
    if (a == 0) return;
    if (a == 255) {
        PutColor(d, c);
        return;
    }
    d[0] = static_cast<BYTE>((d[0] * (255 - a) + a * c.rgbBlue) >> 8);
    d[1] = static_cast<BYTE>((d[1] * (255 - a) + a * c.rgbGreen) >> 8);
    d[2] = static_cast<BYTE>((d[2] * (255 - a) + a * c.rgbRed) >> 8);
}

struct DrawOptions {
    bool smooth;
    BYTE alphaMax;
    bool alphaPaletteEnabled;
};

// The destination buffer: desth rows of ew bytes, bottom row first.
struct Buffer {
    BYTE* bits;
    std::size_t ew;
    BYTE* Row(LONG yy) const { return bits + static_cast<std::size_t>(yy) * ew; }
};

void FillStretched(const CxImage& img, const DrawArea& area, bool smooth, const Buffer& buf) {
    SourcePoint p;
    for (LONG yy = 0; yy < area.DestHeight(); ++yy) {
        p.sy = area.StretchedRow(yy, p.dy);
        BYTE* d = buf.Row(yy);
        for (LONG xx = 0; xx < area.DestWidth(); ++xx, d += 3) {
            p.sx = area.StretchedColumn(xx, p.dx);
            if (smooth) {
                PutColor(d, SmoothColor(img, p));
            } else if (img.IsIndexed()) {
                PutColor(d, img.GetPaletteColor(img.GetPixelIndex(p.sx, p.sy)));
            } else {
                PutColor(d, RowColor(img, p.sx, p.sy));
            }
        }
    }
}

// Lays each source pixel over the device pixels copied into the buffer, by
// its transparency key and its effective alpha.
void Composite(const CxImage& img, const DrawArea& area, const DrawOptions& opt,
               const Buffer& buf) {
    const RGBQUAD ct = img.GetTransColor();
    const LONG cit = img.GetTransIndex();
    const bool transparent = cit != -1;
    const BYTE* alpha = img.AlphaGetPointer(0, 0);
    const bool smooth = area.stretched && opt.smooth;
    SourcePoint p;
    for (LONG yy = 0; yy < area.DestHeight(); ++yy) {
        p.sy = area.stretched ? area.StretchedRow(yy, p.dy) : area.UnscaledRow(yy);
        BYTE* d = buf.Row(yy);
        for (LONG xx = 0; xx < area.DestWidth(); ++xx, d += 3) {
            p.sx = area.stretched ? area.StretchedColumn(xx, p.dx) : area.UnscaledColumn(xx);
            int a = alpha ? alpha[static_cast<std::size_t>(p.sy) * area.w + p.sx] : 255;
            a = (a * (opt.alphaMax + 1)) >> 8;
            RGBQUAD c;
            bool isKey;
            if (img.IsIndexed()) {
                const BYTE ci = img.GetPixelIndex(p.sx, p.sy);
                c = smooth ? SmoothColor(img, p) : img.GetPaletteColor(ci);
                if (opt.alphaPaletteEnabled) a = (a * (c.rgbReserved + 1)) >> 8;
                isKey = ci == cit;
            } else {
                c = smooth ? SmoothColor(img, p) : RowColor(img, p.sx, p.sy);
                isKey = c == ct;
            }
            if (!(transparent && isKey)) Blend(d, c, a);
        }
    }
}

// Builds the buffer as a DIB section in a memory context, fills it (over a
// copy of the device's pixels when compositing), puts it on the device and
// releases the temporary objects. A buffer whose memory cannot be had is
// left unfilled and paints nothing.
void DrawThroughBuffer(HDC hdc, const CxImage& img, const DrawArea& area, const DrawOptions& opt,
                       bool composite) {
    const LONG destw = area.DestWidth(), desth = area.DestHeight();
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = destw;
    bmi.bmiHeader.biHeight = desth;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    HDC memdc = CreateCompatibleDC(hdc);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memdc, section);
    if (composite) BitBlt(memdc, 0, 0, destw, desth, hdc, area.xmin, area.ymin, SRCCOPY);
    if (bits) {
        const Buffer buf{static_cast<BYTE*>(bits),
                         ((static_cast<std::size_t>(destw) * 24 + 31) / 32) * 4};
        if (composite) {
            Composite(img, area, opt, buf);
        } else {
            FillStretched(img, area, opt.smooth, buf);
        }
    }
    SetDIBitsToDevice(hdc, area.xmin, area.ymin, destw, desth, 0, 0, 0, desth, bits, &bmi,
                      DIB_RGB_COLORS);
    SelectObject(memdc, previous);
    DeleteObject(section);
    DeleteDC(memdc);
}

// Combines the device's clip region with a rectangle through a temporary
// region.
void CombineClip(HDC hdc, const RECT& rect, int mode) {
    HRGN rgn = CreateRectRgnIndirect(&rect);
    ExtSelectClipRgn(hdc, rgn, mode);
    DeleteObject(rgn);
}

} // namespace

LONG CxImage::Draw(HDC hdc, LONG x, LONG y, LONG cx, LONG cy, const RECT* pClipRect,
                   bool bSmooth) const {
    if (!dib || !hdc || cx == 0 || cy == 0 || !info.enabled) return 0;
    if (cx < 0) cx = header.biWidth;
    if (cy < 0) cy = header.biHeight;

    RECT savedBox{};
    if (pClipRect) {
        GetClipBox(hdc, &savedBox);
        CombineClip(hdc, *pClipRect, RGN_AND);
    }
    RECT box{};
    GetClipBox(hdc, &box);
    const DrawArea area(x, y, cx, cy, box, header.biWidth, header.biHeight);
    const bool direct = info.transIndex == -1 && !alpha && !info.alphaPaletteEnabled;
    if (direct && !area.stretched) {
        // The whole image in one call; the device's clipping limits it.
        SetStretchBltMode(hdc, COLORONCOLOR);
        SetDIBitsToDevice(hdc, x, y, cx, cy, 0, 0, 0, cy, info.pixels,
                          reinterpret_cast<const BITMAPINFO*>(dib), DIB_RGB_COLORS);
    } else {
        const DrawOptions opt{bSmooth, info.alphaMax, info.alphaPaletteEnabled};
        DrawThroughBuffer(hdc, *this, area, opt, !direct);
    }
    if (pClipRect) CombineClip(hdc, savedBox, RGN_OR);
    return 1;
}

LONG CxImage::Draw(HDC hdc, const RECT& rect, const RECT* pClipRect, bool bSmooth) const {
    return Draw(hdc, rect.left, rect.top, SaturateToInt(0LL + rect.right - rect.left),
                SaturateToInt(0LL + rect.bottom - rect.top), pClipRect, bSmooth);
}
