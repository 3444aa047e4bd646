// The canvas's blits: DIBs from the records stretched onto the output, the
// brush painted over a rectangle, and pattern brushes as their average
// colour.
#include <algorithm>
#include <cmath>

#include "platform/ByteOrder.h"
#include "platform/GdiObjects.h"
#include "platform/MetafileCanvas.h"
#include "platform/MetafileDevice.h"

namespace {

constexpr double kMaxDibPixels = 1 << 24;
constexpr LONG kPatternSide = 64; // pattern brushes are averaged over at most this square

struct DibSize {
    double width = 0, height = 0, bitsNeeded = 0;
};

// The size a packed DIB claims, and how many bytes its bits need when they
// are not compressed; nothing for a header that cannot be read.
std::optional<DibSize> ClaimedSize(std::span<const BYTE> packed) {
    if (packed.size() < 12) return std::nullopt;
    const DWORD headerSize = GetLE32(packed.data());
    double width, height;
    DWORD bpp, compression = BI_RGB;
    if (headerSize == 12) {
        width = GetLE16(packed.data() + 4), height = GetLE16(packed.data() + 6);
        bpp = GetLE16(packed.data() + 10);
    } else if (headerSize >= 40 && packed.size() >= 40) {
        width = std::fabs(static_cast<double>(static_cast<LONG>(GetLE32(packed.data() + 4))));
        height = std::fabs(static_cast<double>(static_cast<LONG>(GetLE32(packed.data() + 8))));
        bpp = GetLE16(packed.data() + 14);
        compression = GetLE32(packed.data() + 16);
    } else {
        return std::nullopt;
    }
    DibSize s{width, height, 0};
    if (compression == BI_RGB || compression == BI_BITFIELDS)
        s.bitsNeeded = std::floor((width * bpp + 31) / 32) * 4 * height;
    return s;
}

} // namespace

MetaObject MetafileCanvas::PatternBrush(std::span<const BYTE> packed) {
    MetaObject obj;
    const std::optional<COLORREF> color = AverageColor(packed);
    obj.kind = color ? MetaObject::Kind::Brush : MetaObject::Kind::Other;
    obj.brush = MakeBrush(BS_SOLID, color.value_or(0), 0);
    return obj;
}

MetaObject MetafileCanvas::MonoBrush(std::span<const BYTE> packed) {
    MetaObject obj = PatternBrush(packed);
    if (obj.kind == MetaObject::Kind::Brush)
        obj.brush.monoShare = GetRValue(obj.brush.color) / 255.0;
    return obj;
}

bool MetafileCanvas::DecodeDib(std::span<const BYTE> packed, std::vector<BYTE>& dib) {
    const std::optional<DibSize> size = ClaimedSize(packed);
    if (!size || size->width * size->height > kMaxDibPixels ||
        size->bitsNeeded > static_cast<double>(packed.size()) || !Spend(size->width * size->height))
        return false;
    if (!readDib || !readDib(packed, dib) || dib.size() < kInfoHeaderSize) return false;
    const BITMAPINFOHEADER h = LoadInfoHeader(dib.data());
    const double stride = std::floor((static_cast<double>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    return h.biSize == kInfoHeaderSize && h.biWidth > 0 && h.biHeight > 0 &&
           kInfoHeaderSize + 4.0 * h.biClrUsed + stride * h.biHeight <= dib.size();
}

namespace {

// The raster operations StretchDIBits combines with; the others (those
// with the brush among them) go pixel by pixel through MixImage.
bool StretchesItself(DWORD rop) {
    return rop == SRCCOPY || rop == SRCAND || rop == SRCPAINT || rop == SRCINVERT;
}

} // namespace

void MetafileCanvas::StretchDib(const DibBlit& blit, std::span<const BYTE> packed) {
    if (!StretchesItself(blit.rop)) {
        MixDib(blit, packed);
        return;
    }
    std::vector<BYTE> dib;
    if (!DecodeDib(packed, dib)) return;
    const BITMAPINFOHEADER h = LoadInfoHeader(dib.data());
    const POINT a = Pixel(state.transform.ToOutput({blit.x, blit.y}));
    const POINT b = Pixel(state.transform.ToOutput({blit.x + blit.width, blit.y + blit.height}));
    const double area = std::fabs((0.0 + b.x - a.x) * (0.0 + b.y - a.y));
    if (!Spend(std::min(area, AreaOf(state.clip->Bounds())))) return;
    const LONG ySrc = blit.srcFromTop ? h.biHeight - blit.ySrc - blit.srcHeight : blit.ySrc;
    StretchDIBits(hdc, a.x, a.y, b.x - a.x, b.y - a.y, blit.xSrc, ySrc, blit.srcWidth,
                  blit.srcHeight, dib.data() + kInfoHeaderSize + 4 * h.biClrUsed,
                  reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, blit.rop);
}

void MetafileCanvas::PatBlt(double x, double y, double width, double height, DWORD rop) {
    const POINT a = Pixel(state.transform.ToOutput({x, y}));
    const POINT b = Pixel(state.transform.ToOutput({x + width, y + height}));
    const RECT r = IntersectRects(
        RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)},
        state.clip->Bounds());
    if (!Spend((0.0 + r.right - r.left) * (r.bottom - r.top))) return;
    const Selected brush(hdc, BrushOf(state.brush, state));
    SetBkMode(hdc, state.bkMode);
    SetBkColor(hdc, state.bkColor);
    ::PatBlt(hdc, a.x, a.y, b.x - a.x, b.y - a.y, rop);
}

// The pattern is stretched onto a small 24-bit DIB section, whose pixels
// are then averaged.
std::optional<COLORREF> MetafileCanvas::AverageColor(std::span<const BYTE> packed) {
    std::vector<BYTE> dib;
    if (!DecodeDib(packed, dib)) return std::nullopt;
    const BITMAPINFOHEADER h = LoadInfoHeader(dib.data());
    const LONG w = std::min(h.biWidth, kPatternSide), ht = std::min(h.biHeight, kPatternSide);
    BITMAPINFO bmi{};
    bmi.bmiHeader = BITMAPINFOHEADER{40, w, ht, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(mem, section);
    StretchDIBits(mem, 0, 0, w, ht, 0, 0, h.biWidth, h.biHeight,
                  dib.data() + kInfoHeaderSize + 4 * h.biClrUsed,
                  reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
    double sum[3] = {0, 0, 0};
    const std::size_t stride = ((static_cast<std::size_t>(w) * 3 + 3) / 4) * 4;
    for (LONG y = 0; bits && y < ht; ++y) {
        const BYTE* row = static_cast<const BYTE*>(bits) + y * stride;
        for (LONG x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c)
                sum[c] += row[3 * x + c];
        }
    }
    SelectObject(mem, previous);
    DeleteDC(mem);
    DeleteObject(section);
    const double n = static_cast<double>(w) * ht;
    return RGB(static_cast<BYTE>(sum[2] / n), static_cast<BYTE>(sum[1] / n),
               static_cast<BYTE>(sum[0] / n));
}

void MetafileCanvas::MixDib(const DibBlit& blit, std::span<const BYTE> packed) {
    const std::optional<MetaImage> src = ReadImage(packed);
    if (!src) return;
    const MetafileTransform& t = state.transform;
    const LONG top = blit.srcFromTop ? blit.ySrc : src->height - blit.ySrc - blit.srcHeight;
    const ImageBlit at{{t.ToOutput({blit.x, blit.y}), t.ToOutput({blit.x + blit.width, blit.y}),
                        t.ToOutput({blit.x, blit.y + blit.height})},
                       blit.xSrc,
                       top,
                       blit.srcWidth,
                       blit.srcHeight};
    ImageMix mix;
    mix.foreground = mix.background = static_cast<BYTE>(blit.rop >> 16);
    MixImage(at, *src, nullptr, mix);
}
