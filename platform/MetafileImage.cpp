// The canvas's blits that mix a DIB with the output pixel by pixel:
// AlphaBlend, TransparentBlt, MaskBlt and PlgBlt. The source is read into
// 0xAARRGGBB pixels (rows from the top), and each output pixel whose centre
// falls inside the destination parallelogram takes the source pixel under
// it.
#include <algorithm>
#include <cmath>

#include "platform/ByteOrder.h"
#include "platform/GdiObjects.h"
#include "platform/MetafileCanvas.h"
#include "platform/MetafileDevice.h"

namespace {

constexpr double kMaxImagePixels = 1 << 24;
constexpr DWORD kBiRgb = 0, kBiBitfields = 3;

DWORD Channel(DWORD c, int shift) {
    return (c >> shift) & 0xFF;
}

// A 32-bit DIB with its alpha channel, uncompressed or with the usual masks.
std::optional<MetaImage> Read32(std::span<const BYTE> packed) {
    if (packed.size() < kInfoHeaderSize) return std::nullopt;
    const BITMAPINFOHEADER h = LoadInfoHeader(packed.data());
    if (h.biSize < kInfoHeaderSize || h.biBitCount != 32 ||
        (h.biCompression != kBiRgb && h.biCompression != kBiBitfields) || h.biWidth <= 0 ||
        h.biHeight == 0 || h.biHeight == LONG(0x80000000))
        return std::nullopt;
    std::size_t bitsAt = h.biSize + 4 * std::size_t{std::min<DWORD>(h.biClrUsed, 256)};
    if (h.biCompression == kBiBitfields) {
        const std::size_t masksAt = h.biSize == kInfoHeaderSize ? h.biSize : 40;
        if (packed.size() < masksAt + 12 || GetLE32(packed.data() + masksAt) != 0xFF0000 ||
            GetLE32(packed.data() + masksAt + 4) != 0xFF00 ||
            GetLE32(packed.data() + masksAt + 8) != 0xFF)
            return std::nullopt;
        if (h.biSize == kInfoHeaderSize) bitsAt += 12;
    }
    const double width = h.biWidth, height = std::fabs(double(h.biHeight));
    if (width * height > kMaxImagePixels || bitsAt > packed.size() ||
        width * height * 4 > double(packed.size() - bitsAt))
        return std::nullopt;
    MetaImage image{h.biWidth, static_cast<LONG>(height), {}};
    image.pixels.resize(static_cast<std::size_t>(width * height));
    const BYTE* bits = packed.data() + bitsAt;
    for (LONG y = 0; y < image.height; ++y) {
        const LONG row = h.biHeight > 0 ? image.height - 1 - y : y; // stored bottom-up
        for (LONG x = 0; x < image.width; ++x)
            image.pixels[std::size_t(y) * image.width + x] =
                GetLE32(bits + (std::size_t(row) * image.width + x) * 4);
    }
    return image;
}

// Source over destination: the source premultiplied by its alpha (or
// opaque) and scaled by the constant alpha.
DWORD Blend(const ImageMix& mix, DWORD src, DWORD dst) {
    const DWORD k = mix.constantAlpha;
    const DWORD a = mix.sourceAlpha ? Channel(src, 24) : 255;
    const DWORD keep = 255 - (a * k + 127) / 255;
    DWORD out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const DWORD v =
            (Channel(src, shift) * k + 127) / 255 + (Channel(dst, shift) * keep + 127) / 255;
        out |= std::min<DWORD>(v, 255) << shift;
    }
    return out;
}

} // namespace

std::optional<MetaImage> MetafileCanvas::ReadImage(std::span<const BYTE> packed) {
    if (std::optional<MetaImage> image = Read32(packed)) {
        if (!Spend(double(image->width) * image->height)) return std::nullopt;
        return image;
    }
    std::vector<BYTE> dib;
    if (!DecodeDib(packed, dib)) return std::nullopt;
    const BITMAPINFOHEADER h = LoadInfoHeader(dib.data());
    // The other depths are drawn onto a 24-bit DIB section and read back.
    BITMAPINFO bmi{};
    bmi.bmiHeader = BITMAPINFOHEADER{40, h.biWidth, h.biHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(mem, section);
    StretchDIBits(mem, 0, 0, h.biWidth, h.biHeight, 0, 0, h.biWidth, h.biHeight,
                  dib.data() + kInfoHeaderSize + 4 * h.biClrUsed,
                  reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
    MetaImage image{h.biWidth, h.biHeight, {}};
    const GdiDevice* dc = Find<GdiDevice>(mem);
    if (bits && dc) {
        image.pixels.reserve(std::size_t(h.biWidth) * h.biHeight);
        for (LONG y = 0; y < h.biHeight; ++y) {
            for (LONG x = 0; x < h.biWidth; ++x)
                image.pixels.push_back(0xFF000000 | dc->bitmap->raster.Get(x, y));
        }
    }
    SelectObject(mem, previous);
    DeleteDC(mem);
    DeleteObject(section);
    if (image.pixels.empty()) return std::nullopt;
    return image;
}

void MetafileCanvas::MixImage(const ImageBlit& blit, const MetaImage& src, const MetaImage* mask,
                              const ImageMix& mix) {
    GdiDevice* dc = Find<GdiDevice>(hdc);
    if (!dc || blit.srcWidth <= 0 || blit.srcHeight <= 0) return;
    const PointD o = blit.corner[0];
    const PointD u{blit.corner[1].x - o.x, blit.corner[1].y - o.y};
    const PointD v{blit.corner[2].x - o.x, blit.corner[2].y - o.y};
    const double det = u.x * v.y - u.y * v.x;
    if (!std::isfinite(det) || std::fabs(det) < 1e-9) return;
    const PointD far{o.x + u.x + v.x, o.y + u.y + v.y};
    const Region& visible = VisibleRegion(*dc);
    const RECT clip = visible.Bounds();
    const auto cut = [](double value, LONG lo, LONG hi) {
        return static_cast<LONG>(std::clamp(std::floor(value), double(lo), double(hi)));
    };
    const double xs[4] = {o.x, blit.corner[1].x, blit.corner[2].x, far.x};
    const double ys[4] = {o.y, blit.corner[1].y, blit.corner[2].y, far.y};
    const RECT box{cut(*std::min_element(xs, xs + 4), clip.left, clip.right),
                   cut(*std::min_element(ys, ys + 4), clip.top, clip.bottom),
                   cut(*std::max_element(xs, xs + 4) + 1, clip.left, clip.right),
                   cut(*std::max_element(ys, ys + 4) + 1, clip.top, clip.bottom)};
    if (!Spend(AreaOf(box))) return;
    Raster& raster = dc->bitmap->raster;
    const DWORD pattern = ColorRefToRgb(BrushColor(state.brush, state));
    for (LONG y = box.top; y < box.bottom; ++y) {
        for (LONG x = box.left; x < box.right; ++x) {
            // The pixel centre in the parallelogram's own coordinates, 0 to 1.
            const double dx = x + 0.5 - o.x, dy = y + 0.5 - o.y;
            const double s = (dx * v.y - dy * v.x) / det, t = (u.x * dy - u.y * dx) / det;
            if (!(s >= 0 && s < 1 && t >= 0 && t < 1) || !visible.Contains(x, y)) continue;
            const long long i = static_cast<long long>(std::floor(s * blit.srcWidth));
            const long long j = static_cast<long long>(std::floor(t * blit.srcHeight));
            const long long col = blit.xSrc + i, row = blit.ySrc + j;
            if (col < 0 || row < 0 || col >= src.width || row >= src.height) continue;
            const DWORD pixel = src.pixels[std::size_t(row) * src.width + std::size_t(col)];
            const DWORD dst = raster.Get(x, y);
            bool masked = true;
            if (mask) {
                const long long mx = blit.xMask + i, my = blit.yMask + j;
                masked =
                    mx >= 0 && my >= 0 && mx < mask->width && my < mask->height &&
                    (mask->pixels[std::size_t(my) * mask->width + std::size_t(mx)] & 0xFFFFFF) != 0;
            }
            switch (mix.kind) {
            case ImageMix::Kind::Alpha:
                raster.Set(x, y, Blend(mix, pixel, dst));
                break;
            case ImageMix::Kind::Transparent:
                if ((pixel & 0xFFFFFF) != mix.transparent) raster.Set(x, y, pixel & 0xFFFFFF);
                break;
            case ImageMix::Kind::Rop:
                raster.Set(x, y,
                           MixRop3(masked ? mix.foreground : mix.background, pattern,
                                   pixel & 0xFFFFFF, dst));
                break;
            }
        }
    }
}
