// The metafile player's records that mix with what is drawn: the binary
// raster operations of pens and fills, AlphaBlend, TransparentBlt, MaskBlt,
// PlgBlt, gradient fills, single pixels, the WMF mapping modes and the old
// WMF bitmap blits; and hostile sizes for them.
#include <gtest/gtest.h>

#include <array>
#include <bit>

#include "platform/MetafilePen.h"
#include "platform/MetafileTransform.h"
#include "tests/platform/MetafilePlayback.h"

using namespace metafiletest;

namespace {

// The blend field of AlphaBlend: constant alpha 255, the source's own alpha.
constexpr DWORD kSourceAlpha = (255 << 16) | (1 << 24);
constexpr COLORREF kDst = RGB(0x0F, 0x33, 0x55), kPen = RGB(0x55, 0x0F, 0x33);

COLORREF Not(COLORREF c) {
    return ~c & 0xFFFFFF;
}

// A packed 32-bit DIB, bottom-up; argb[y][x] (0xAARRGGBB) counts rows from
// the top.
Bytes Dib32(const std::vector<std::vector<DWORD>>& argb) {
    Bytes b;
    Put32(b, {40, std::int64_t(argb[0].size()), std::int64_t(argb.size()), 1 | (32 << 16), 0, 0, 0,
              0, 0, 0});
    for (auto row = argb.rbegin(); row != argb.rend(); ++row) {
        for (DWORD c : *row)
            Put32(b, {c});
    }
    return b;
}

// A packed monochrome DIB of one row, black for 0 and white for 1.
Bytes Mask1(BYTE bits, int width) {
    Bytes b;
    Put32(b, {40, width, 1, 1 | (1 << 16), 0, 0, 0, 0, 2, 0, 0, 0xFFFFFF, bits});
    return b;
}

// The identity source transform of the blit records.
std::initializer_list<std::int64_t> kIdentity = {std::bit_cast<DWORD>(1.0f), 0, 0,
                                                 std::bit_cast<DWORD>(1.0f), 0, 0};

// A blit record of the StretchBlt layout (AlphaBlend, TransparentBlt):
// destination, the 32-bit field at 40, the source DIB and its size.
EmfWriter& RectBlit(EmfWriter& w, DWORD type, std::array<int, 4> dest, DWORD field,
                    const Bytes& dib, int srcW, int srcH) {
    Bytes tail;
    Put32(tail, kIdentity);
    Put32(tail, {0, 0, 108, 40, 148, std::int64_t(dib.size()) - 40, srcW, srcH});
    tail.insert(tail.end(), dib.begin(), dib.end());
    return w.Add(type, {0, 0, 0, 0, dest[0], dest[1], dest[2], dest[3], field, 0, 0}, tail);
}

// A gradient record: vertices (x, y, 16-bit red, green, blue) and the mesh.
EmfWriter& Gradient(EmfWriter& w, const std::vector<std::array<int, 5>>& vertices,
                    const std::vector<int>& mesh, int mode) {
    Bytes tail;
    for (const auto& v : vertices)
        Put32(tail, {v[0], v[1], v[2] | (std::int64_t(v[3]) << 16), v[4]});
    for (int i : mesh)
        Put32(tail, {i});
    const std::size_t shapes = mesh.size() / (mode == 2 ? 3 : 2);
    return w.Add(118, {0, 0, 0, 0, std::int64_t(vertices.size()), std::int64_t(shapes), mode},
                 tail);
}

} // namespace

TEST(MetafileMix, BinaryRasterOperationsOfFillsAndPens) {
    // The operation and the colour it leaves from kPen over kDst.
    const std::pair<int, COLORREF> cases[] = {
        {R2_BLACK, kBlack},       {2, Not(kPen | kDst)},  {3, kDst & Not(kPen)},
        {4, Not(kPen)},           {5, kPen & Not(kDst)},  {R2_NOT, Not(kDst)},
        {R2_XORPEN, kPen ^ kDst}, {8, Not(kPen & kDst)},  {R2_MASKPEN, kPen & kDst},
        {10, Not(kPen ^ kDst)},   {R2_NOP, kDst},         {12, kDst | Not(kPen)},
        {R2_COPYPEN, kPen},       {14, kPen | Not(kDst)}, {R2_MERGEPEN, kPen | kDst},
        {R2_WHITE, kWhite},
    };
    for (const auto& [rop2, expected] : cases) {
        SCOPED_TRACE(rop2);
        EmfWriter fill;
        fill.Pen(1, PS_NULL, 0, 0).Brush(2, BS_SOLID, kDst).Brush(3, BS_SOLID, kPen);
        fill.Select(1).Select(2).Rectangle(0, 0, kW, kH).Add(20, {rop2}).Select(3);
        Check("a brush", Emf(fill.Rectangle(10, 10, 20, 20)), kAny,
              {{15, 15, expected}, {25, 15, kDst}});
        EmfWriter line;
        line.Pen(1, PS_NULL, 0, 0).Brush(2, BS_SOLID, kDst).Pen(3, PS_SOLID, 1, kPen);
        line.Select(1).Select(2).Rectangle(0, 0, kW, kH).Add(20, {rop2}).Select(3);
        Check("a pen", Emf(line.Add(27, {5, 5}).Add(54, {40, 5})), kAny,
              {{20, 5, expected}, {20, 6, kDst}});
    }
    EmfWriter twice = Red(), restored = Red(), wide;
    twice.Add(20, {R2_XORPEN}).Rectangle(0, 0, 20, 20).Rectangle(10, 10, 30, 30);
    Check("XOR twice takes the colour away again", Emf(twice), kAny,
          {{5, 5, RGB(0, 255, 255)}, {15, 15, kWhite}, {25, 25, RGB(0, 255, 255)}});
    restored.Add(33, {}).Add(20, {R2_NOP}).Add(34, {-1}).Rectangle(0, 0, 8, 8);
    Check("RestoreDC brings back R2_COPYPEN", Emf(restored), {0, 0, 8, 8});
    ExtPen(wide, 1, PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER, 6, kRed).Select(1);
    wide.Add(20, {R2_NOT}).Add(87, {0, 0, 0, 0, 3}, Points16({4, 16, 40, 16, 40, 4}));
    Check("a wide pen's segments and join are inverted once", Emf(wide), kNone,
          {{20, 16, kBlack}, {40, 16, kBlack}, {39, 8, kBlack}, {20, 10, kWhite}});
    WmfWriter wmf;
    wmf.Brush(BS_SOLID, kRed).Select(0).Rectangle(0, 0, kW, kH).Add(0x0104, {R2_NOT});
    Check("META_SETROP2", wmf.Rectangle(0, 0, 10, 10).Metafile(), kAny,
          {{5, 5, RGB(0, 255, 255)}, {15, 5, kRed}});
}

TEST(MetafileMix, BlitsThatMixTheSourceWithTheOutput) {
    EmfWriter alpha, constant, transparent, masked, plg;
    // Half-transparent red, premultiplied, and opaque green.
    RectBlit(alpha, 114, {0, 0, 20, 10}, kSourceAlpha, Dib32({{0x80800000, 0xFF00FF00}}), 2, 1);
    Check("AlphaBlend with the source's alpha", Emf(alpha), kNone,
          {{5, 5, RGB(255, 127, 127)}, {15, 5, kGreen}, {25, 5, kWhite}});
    RectBlit(constant, 114, {0, 0, 10, 10}, 128 << 16, Dib24({{0x0000FF}}), 1, 1);
    Check("AlphaBlend of an opaque source at a constant alpha of 128", Emf(constant), kNone,
          {{5, 5, RGB(127, 127, 255)}, {10, 5, kWhite}});
    RectBlit(transparent, 116, {0, 0, 30, 10}, kGreen, Dib24({{0xFF0000, 0x00FF00, 0x0000FF}}), 3,
             1);
    Check("TransparentBlt leaves out green", Emf(transparent), {0, 0, 10, 10},
          {{15, 5, kWhite}, {25, 5, kBlue}});
    // MaskBlt: source where the mask is 1, the output kept where it is 0.
    const Bytes src = Dib24({{0xFF0000, 0x0000FF}}), mask = Mask1(0x80, 2);
    Bytes tail;
    Put32(tail, kIdentity);
    Put32(tail, {0, 0, 128, 40, 168, 8, 0, 0, 0, 176, 48, 224, 4});
    tail.insert(tail.end(), src.begin(), src.end());
    tail.insert(tail.end(), mask.begin(), mask.end());
    masked.Add(78, {0, 0, 0, 0, 0, 0, 2, 1, 0xAACC0020, 0, 0}, tail);
    Check("MaskBlt", Emf(masked), {0, 0, 1, 1}, {{1, 0, kWhite}});
    // PlgBlt onto a square turned a quarter: the source's top edge runs
    // down the right side.
    const Bytes quad = Dib24({{0xFF0000, 0x00FF00}, {0x0000FF, 0x000000}});
    Bytes plgTail;
    Put32(plgTail, kIdentity);
    Put32(plgTail, {0, 0, 140, 40, 180, 16, 0, 0, 0, 0, 0, 0, 0});
    plgTail.insert(plgTail.end(), quad.begin(), quad.end());
    plg.Add(79, {0, 0, 0, 0, 20, 0, 20, 20, 0, 0, 0, 0, 2, 2}, plgTail);
    Check("PlgBlt", Emf(plg), {10, 0, 20, 10},
          {{15, 15, kGreen}, {5, 5, kBlue}, {5, 15, kBlack}, {25, 5, kWhite}});
}

TEST(MetafileMix, TernaryRasterOperationsOfBlits) {
    // Over a red background with a blue brush selected.
    const auto over = [] {
        EmfWriter w = Red();
        w.Rectangle(0, 0, kW, kH).Brush(3, BS_SOLID, kBlue).Select(3);
        return w;
    };
    const auto patternOnly = [&](DWORD rop) {
        EmfWriter w = over();
        Bytes tail;
        Put32(tail, kIdentity);
        Put32(tail, {0, 0, 0, 0, 0, 0});
        return w.Add(76, {0, 0, 0, 0, 0, 0, 10, 10, rop, 0, 0}, tail);
    };
    Check("DSTINVERT", Emf(patternOnly(0x550009)), kAny,
          {{5, 5, RGB(0, 255, 255)}, {9, 9, RGB(0, 255, 255)}, {10, 5, kRed}, {5, 10, kRed}});
    Check("PATINVERT", Emf(patternOnly(0x5A0049)), kAny, {{5, 5, RGB(255, 0, 255)}, {10, 5, kRed}});
    Check("a raster operation that keeps the output", Emf(patternOnly(0xAA0029)), kAll);
    EmfWriter brushThrough = over();
    RectBlit(brushThrough, 77, {0, 0, 20, 10}, 0xE20746, Dib24({{0xFFFFFF, 0x000000}}), 2, 1);
    Check("the brush where the source is white, the output where it is black (0xE20746)",
          Emf(brushThrough), kAny, {{5, 5, kBlue}, {15, 5, kRed}, {25, 5, kRed}});
    EmfWriter notSource = over();
    RectBlit(notSource, 77, {0, 0, 10, 10}, 0x330008, Dib24({{0x00FFFF}}), 1, 1);
    Check("NOTSRCCOPY", Emf(notSource), kAny, {{5, 5, kRed}, {5, 15, kRed}, {15, 5, kRed}});
}

TEST(MetafileMix, StretchModesWhenShrinking) {
    // Red, green, blue and white onto two pixels.
    const Bytes dib = Dib24({{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}});
    const std::tuple<int, COLORREF, COLORREF> cases[] = {
        {BLACKONWHITE, kBlack, kBlue},
        {WHITEONBLACK, RGB(255, 255, 0), kWhite},
        {COLORONCOLOR, kGreen, kWhite},
        {HALFTONE, kGreen, kWhite},
    };
    for (const auto& [mode, left, right] : cases) {
        SCOPED_TRACE(mode);
        EmfWriter w;
        w.Add(21, {mode})
            .Add(81, {0, 0, 0, 0, 0, 0, 0, 0, 4, 1, 80, 40, 120, 12, 0, SRCCOPY, 2, 1}, dib);
        Check("", Emf(w), kAny, {{0, 0, left}, {1, 0, right}, {0, 1, kWhite}});
    }
    EmfWriter enlarged;
    enlarged.Add(81, {0, 0, 0, 0, 0, 0, 0, 0, 4, 1, 80, 40, 120, 12, 0, SRCCOPY, 8, 1}, dib);
    Check("enlarging under BLACKONWHITE copies", Emf(enlarged), kAny,
          {{1, 0, kRed}, {2, 0, kGreen}, {7, 0, kWhite}});
}

TEST(MetafileMix, GradientsAndPixels) {
    EmfWriter horizontal, vertical, reversed, triangle, pixel;
    Gradient(horizontal, {{0, 0, 0, 0, 0}, {16, 4, 0xFF00, 0, 0x8000}}, {0, 1}, 0);
    Check("a horizontal gradient: the first column has the first colour", Emf(horizontal), kNone,
          {{0, 0, kBlack},
           {8, 3, RGB(127, 0, 64)},
           {15, 0, RGB(239, 0, 120)},
           {16, 0, kWhite},
           {0, 4, kWhite}});
    Gradient(vertical, {{0, 0, 0, 0xFF00, 0}, {4, 8, 0, 0, 0}}, {0, 1}, 1);
    Check("a vertical one", Emf(vertical), kNone, {{2, 0, kGreen}, {2, 4, RGB(0, 127, 0)}});
    Gradient(reversed, {{16, 4, 0xFF00, 0, 0}, {0, 0, 0, 0, 0}}, {0, 1}, 0);
    Check("corners given the other way round shade from the first", Emf(reversed), kAny,
          {{15, 0, kRed}, {0, 0, RGB(15, 0, 0)}});
    Gradient(triangle, {{0, 0, 0xFF00, 0, 0}, {40, 0, 0xFF00, 0, 0}, {0, 20, 0xFF00, 0, 0}},
             {0, 1, 2}, 2);
    Check("a triangle of one colour covers the pixels whose centres are inside", Emf(triangle),
          kAny, {{1, 1, kRed}, {37, 0, kRed}, {20, 9, kRed}, {21, 10, kWhite}, {0, 19, kRed}});
    EmfWriter shaded;
    Gradient(shaded, {{0, 0, 0xFF00, 0, 0}, {48, 0, 0, 0xFF00, 0}, {0, 32, 0, 0, 0xFF00}},
             {0, 1, 2}, 2);
    Check("a shaded triangle: each corner's colour there, their mean at the centroid", Emf(shaded),
          kAny, {{0, 0, RGB(248, 2, 3)}, {45, 0, RGB(9, 241, 3)}, {15, 10, RGB(88, 82, 83)}});
    pixel.Add(15, {3, 4, kBlue}).Add(15, {-1, 4, kBlue});
    Check("EMR_SETPIXELV", Emf(pixel), kNone, {{3, 4, kBlue}, {4, 4, kWhite}, {3, 5, kWhite}});
    WmfWriter wmf;
    Check("META_SETPIXEL", wmf.Add(0x041F, {0xFF, 0, 6, 7}).Metafile(), {7, 6, 8, 7});
}

TEST(MetafileMix, FloodFills) {
    // A red frame (10, 5)-(30, 20) on white, then a blue brush.
    const auto framed = [] {
        EmfWriter w;
        w.Pen(1, PS_SOLID, 1, kRed).Select(1).Select(0x80000005).Rectangle(10, 5, 30, 20);
        w.Brush(2, BS_SOLID, kBlue).Select(2);
        return w;
    };
    EmfWriter border = framed(), surface = framed(), outside = framed(), clipped = framed();
    border.Add(53, {15, 10, kRed, FLOODFILLBORDER});
    Check("up to the border", Emf(border), kAny,
          {{11, 6, kBlue}, {28, 18, kBlue}, {10, 5, kRed}, {9, 5, kWhite}, {31, 21, kWhite}});
    surface.Add(53, {0, 0, kWhite, FLOODFILLSURFACE});
    Check("the white surface around it", Emf(surface), kAny,
          {{0, 0, kBlue}, {47, 31, kBlue}, {15, 10, kWhite}, {10, 5, kRed}});
    outside.Add(53, {10, 5, kRed, FLOODFILLBORDER});
    Check("starting on the border fills nothing", Emf(outside), kAny, {{15, 10, kWhite}});
    clipped.Add(30, {0, 0, 20, 32}).Add(53, {15, 10, kRed, FLOODFILLBORDER});
    Check("within the clip", Emf(clipped), kAny, {{19, 10, kBlue}, {20, 10, kWhite}});
    WmfWriter wmf, ext;
    wmf.Add(0x02FA, {PS_SOLID, 1, 0, 0xFF, 0}).Select(0).Rectangle(10, 5, 30, 20);
    wmf.Brush(BS_SOLID, kBlue).Select(1);
    ext = wmf;
    Check("META_FLOODFILL", wmf.Add(0x0419, {0xFF, 0, 10, 15}).Metafile(), kAny,
          {{15, 10, kBlue}, {5, 5, kWhite}});
    Check("META_EXTFLOODFILL of a surface",
          ext.Add(0x0548, {FLOODFILLSURFACE, 0xFFFF, 0xFF, 10, 15}).Metafile(), kAny,
          {{15, 10, kBlue}, {5, 5, kWhite}});
}

TEST(MetafileMix, WmfMappingModesAndOldBitmapBlits) {
    WmfWriter text, metric, aniso, blit, stretch;
    for (WmfWriter* w : {&text, &metric, &aniso})
        w->Add(0x02FA, {PS_NULL, 0, 0, 0, 0}).Select(0).Brush(BS_SOLID, kRed).Select(1);
    text.Window(0, 0, 12, 8).Add(0x0103, {MM_TEXT});
    Check("MM_TEXT: a unit is a pixel", text.Rectangle(2, 2, 6, 6).Metafile(), {2, 2, 6, 6});
    metric.Add(0x0103, {MM_LOMETRIC});
    Check("MM_LOMETRIC at 96 dpi, y upwards", metric.Rectangle(0, 0, 100, -50).Metafile(),
          {0, 0, 38, 19});
    aniso.Window(0, 0, 12, 8).Add(0x0103, {MM_ANISOTROPIC});
    Check("MM_ANISOTROPIC keeps the window on the output", aniso.Rectangle(0, 0, 3, 2).Metafile(),
          {0, 0, 12, 8});
    // A Bitmap16 of two pixels, white and black, 2 bytes a row.
    const Bytes bitmap = {0, 0, 2, 0, 1, 0, 2, 0, 1, 1, 0x80, 0};
    blit.Brush(BS_SOLID, kRed).Select(0).Rectangle(0, 0, kW, kH);
    blit.Add(0x0922, {0x20, 0xCC, 0, 0, 1, 2, 3, 4}, bitmap);
    Check("META_BITBLT of a monochrome bitmap", blit.Metafile(), kAny,
          {{4, 3, kWhite}, {5, 3, kBlack}, {6, 3, kRed}, {4, 4, kRed}});
    stretch.Add(0x0B23, {0x20, 0xCC, 1, 2, 0, 0, 10, 20, 0, 0}, bitmap);
    Check("META_STRETCHBLT of it onto 20 x 10", stretch.Metafile(), kNone,
          {{9, 9, kWhite}, {10, 0, kBlack}, {19, 9, kBlack}, {20, 0, kWhite}});
}

TEST(MetafileMix, HostileSizesStayWithinTheWorkCap) {
    EmfWriter huge, many, rects;
    RectBlit(huge, 114, {-15000, -15000, 30000, 30000}, 255 << 16, Dib24({{0xFF0000}}), 1, 1);
    Check("an AlphaBlend 30000 x 30000 units is cut to the output", Emf(huge), kAll);
    // A million vertices (all black at the origin but three) and a hundred
    // thousand triangles over the whole output, written straight into the
    // record's bytes.
    constexpr std::size_t kVertices = 1'000'000, kTriangles = 100'000;
    Bytes tail(16 * kVertices + 12 * kTriangles, 0);
    for (std::size_t i = 0; i < 3; ++i) {
        PutLE32(tail.data() + 16 * i, i == 1 ? kW : 0);
        PutLE32(tail.data() + 16 * i + 4, i == 2 ? kH : 0);
        PutLE32(tail.data() + 16 * i + 8, 0xFF00);
    }
    for (std::size_t t = 0; t < kTriangles; ++t) {
        PutLE32(tail.data() + 16 * kVertices + 12 * t + 4, 1);
        PutLE32(tail.data() + 16 * kVertices + 12 * t + 8, 2);
    }
    many.Add(118, {0, 0, 0, 0, kVertices, kTriangles, 2}, tail);
    Check("a million vertices and a hundred thousand triangles", Emf(many), kAny, {{1, 1, kRed}});
    Check("a mesh whose indices lie outside the vertices",
          Emf(Gradient(rects, {{0, 0, 0xFF00, 0, 0}}, {0, 7, 9, 0}, 0)), kNone);
    Check("more vertices than the record holds",
          Emf(EmfWriter().Add(118, {0, 0, 0, 0, 1 << 30, 1, 0})), kNone);
}
