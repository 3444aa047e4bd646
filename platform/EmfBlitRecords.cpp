#include "platform/EmfBlitRecords.h"

#include "platform/GdiObjects.h"

namespace {

enum : DWORD {
    EMR_SETPIXELV = 15,
    EMR_EXTFLOODFILL = 53,
    EMR_MASKBLT = 78,
    EMR_PLGBLT = 79,
    EMR_ALPHABLEND = 114,
    EMR_TRANSPARENTBLT = 116,
    EMR_GRADIENTFILL = 118,
};

constexpr BYTE AC_SRC_ALPHA = 1;
// Gradient modes; 0 shades rectangles along x.
constexpr DWORD GRADIENT_FILL_RECT_V = 1, GRADIENT_FILL_TRIANGLE = 2;
constexpr BYTE kKeepDestination = 0xAA; // the raster operation that leaves the output

// The DIB whose usage, header offset and size, bits offset and size are the
// five fields from `at`; nothing for an unreadable one.
std::optional<MetaImage> DibAt(MetafileCanvas& canvas, const RecordView& r, std::size_t at) {
    const std::vector<BYTE> packed = EmfPackedDib(r, at + 4, r.U32(at), canvas.State().Palette());
    if (packed.empty()) return std::nullopt;
    return canvas.ReadImage(packed);
}

PointD PointAt(const RecordView& r, std::size_t at) {
    return {double(r.I32(at)), double(r.I32(at + 4))};
}

// The blits with a destination rectangle at 24 and the source DIB at 80, its
// corner at 44 and (for the stretching ones) its size at 100.
void RectBlit(MetafileCanvas& canvas, const RecordView& r, const ImageMix& mix, bool stretch,
              std::size_t maskAt = 0) {
    const std::optional<MetaImage> src = DibAt(canvas, r, 80);
    if (!src) return;
    const PointD p = PointAt(r, 24), size = PointAt(r, 32);
    const MetafileTransform& t = canvas.Transform();
    ImageBlit blit{
        {t.ToOutput(p), t.ToOutput({p.x + size.x, p.y}), t.ToOutput({p.x, p.y + size.y})},
        r.I32(44),
        r.I32(48),
        stretch ? r.I32(100) : static_cast<LONG>(size.x),
        stretch ? r.I32(104) : static_cast<LONG>(size.y)};
    std::optional<MetaImage> mask;
    if (maskAt) {
        blit.xMask = r.I32(maskAt);
        blit.yMask = r.I32(maskAt + 4);
        mask = DibAt(canvas, r, maskAt + 8);
    }
    canvas.MixImage(blit, *src, mask ? &*mask : nullptr, mix);
}

void PlgBlt(MetafileCanvas& canvas, const RecordView& r) {
    const std::optional<MetaImage> src = DibAt(canvas, r, 92);
    if (!src) return;
    const MetafileTransform& t = canvas.Transform();
    ImageBlit blit{
        {t.ToOutput(PointAt(r, 24)), t.ToOutput(PointAt(r, 32)), t.ToOutput(PointAt(r, 40))},
        r.I32(48),
        r.I32(52),
        r.I32(56),
        r.I32(60),
        r.I32(112),
        r.I32(116)};
    const std::optional<MetaImage> mask = DibAt(canvas, r, 120);
    ImageMix mix;
    mix.background = mask ? kKeepDestination : mix.foreground;
    canvas.MixImage(blit, *src, mask ? &*mask : nullptr, mix);
}

// Vertices of 16 bytes from 36 (point, red, green, blue, alpha), then the
// mesh: two or three vertex indices a shape.
void GradientFill(MetafileCanvas& canvas, const RecordView& r) {
    const std::size_t vertices = r.U32(24), shapes = r.U32(28);
    const DWORD mode = r.U32(32);
    const std::size_t each = mode == GRADIENT_FILL_TRIANGLE ? 3 : 2;
    if (mode > GRADIENT_FILL_TRIANGLE || vertices > r.Size() / 16 || shapes > r.Size() / 8 ||
        !r.Has(36, 16 * vertices) || !r.Has(36 + 16 * vertices, 4 * each * shapes))
        return;
    std::vector<GradientVertex> v;
    for (std::size_t i = 0, at = 36; i < vertices; ++i, at += 16)
        v.push_back(GradientVertex{PointAt(r, at), r.U16(at + 8), r.U16(at + 10), r.U16(at + 12)});
    std::vector<DWORD> mesh;
    for (std::size_t i = 0, at = 36 + 16 * vertices; i < each * shapes; ++i, at += 4)
        mesh.push_back(r.U32(at));
    if (mode == GRADIENT_FILL_TRIANGLE)
        canvas.GradientTriangles(v, mesh);
    else
        canvas.GradientRects(v, mesh, mode == GRADIENT_FILL_RECT_V);
}

} // namespace

std::vector<BYTE> EmfPackedDib(const RecordView& r, std::size_t fields, UINT usage,
                               std::span<const RGBQUAD> palette) {
    const std::span<const BYTE> bmi = r.Bytes(r.U32(fields), r.U32(fields + 4));
    if (bmi.empty()) return {};
    return RgbPackedDib(bmi, r.Bytes(r.U32(fields + 8), r.U32(fields + 12)), usage, palette);
}

bool PlayEmfBlitRecord(MetafileCanvas& canvas, DWORD type, const RecordView& r) {
    ImageMix mix;
    switch (type) {
    case EMR_SETPIXELV:
        canvas.SetPixel(PointAt(r, 8), r.U32(16) & 0xFFFFFF);
        return true;
    case EMR_EXTFLOODFILL:
        canvas.FloodFill(PointAt(r, 8), r.U32(16) & 0xFFFFFF, r.U32(20));
        return true;
    case EMR_ALPHABLEND:
        mix.kind = ImageMix::Kind::Alpha;
        mix.constantAlpha = r.Bytes(42, 1).empty() ? 0 : r.Bytes(42, 1)[0];
        mix.sourceAlpha = !r.Bytes(43, 1).empty() && (r.Bytes(43, 1)[0] & AC_SRC_ALPHA);
        RectBlit(canvas, r, mix, true);
        return true;
    case EMR_TRANSPARENTBLT:
        mix.kind = ImageMix::Kind::Transparent;
        mix.transparent = ColorRefToRgb(r.U32(40));
        RectBlit(canvas, r, mix, true);
        return true;
    case EMR_MASKBLT:
        mix.foreground = static_cast<BYTE>(r.U32(40) >> 16);
        mix.background = static_cast<BYTE>(r.U32(40) >> 24);
        RectBlit(canvas, r, mix, false, 100);
        return true;
    case EMR_PLGBLT:
        PlgBlt(canvas, r);
        return true;
    case EMR_GRADIENTFILL:
        GradientFill(canvas, r);
        return true;
    default:
        return false;
    }
}
