// The metafile player on a surface: mapping modes, transforms and saved
// states, shapes and fill modes, pens and brushes, paths, DIB blits, and
// hostile records.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/MetafilePlayer.h"
#include "platform/MetafileTransform.h"
#include "tests/support/MetafileWriter.h"
#include "tests/support/TestSurface.h"

using namespace metafiletest;

namespace {

constexpr int kW = 48, kH = 32;

// DIBs in these tests are already uncompressed 24-bit ones.
bool PassDib(std::span<const BYTE> packed, std::vector<BYTE>& out) {
    out.assign(packed.begin(), packed.end());
    return true;
}

struct Painted {
    RECT box{kW, kH, 0, 0}; // bounding box of the colour's pixels
    int count = 0;
};

Painted Find(const TestSurface& s, COLORREF c) {
    Painted p;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            if (s.Pixel(x, y) != c) continue;
            ++p.count;
            p.box = RECT{std::min<LONG>(p.box.left, x), std::min<LONG>(p.box.top, y),
                         std::max<LONG>(p.box.right, x + 1), std::max<LONG>(p.box.bottom, y + 1)};
        }
    }
    return p;
}

// An EMF of kW x kH pixels (one unit a pixel in MM_TEXT) with a red brush
// and no pen selected before the given records.
EmfWriter RedEmf() {
    EmfWriter w;
    w.Pen(1, PS_NULL, 0, 0).Brush(2, BS_SOLID, kRed).Select(1).Select(2);
    return w;
}

void Play(TestSurface& s, const EmfWriter& w) {
    const Bytes b = w.Metafile(0, 0, kW, kH);
    ASSERT_TRUE(PlayEnhMetaFile(s.dc(), b, RECT{0, 0, kW, kH}, PassDib));
}

Painted PlayRed(const EmfWriter& w) {
    TestSurface s(kW, kH);
    Play(s, w);
    return Find(s, kRed);
}

// EMR_POLYGON16 and EMR_POLYPOLYGON16 with the points given as x, y pairs.
Bytes Points16(std::initializer_list<int> xy) {
    Bytes b;
    for (int v : xy)
        Put16(b, static_cast<WORD>(v));
    return b;
}

} // namespace

TEST(MetafileMapping, ModesExtentsAndWorldTransform) {
    // 4 pixels per mm: a 0.1 mm unit is 0.4 pixels, y upwards.
    Painted p = PlayRed(RedEmf().Add(17, {MM_LOMETRIC}).Rectangle(0, 0, 100, -50));
    EXPECT_EQ(p.box, (RECT{0, 0, 40, 20}));
    EXPECT_EQ(p.count, 800);
    // Window 10 x 10 onto viewport 40 x 20, then kept square.
    EmfWriter aniso = RedEmf();
    aniso.Add(17, {MM_ANISOTROPIC}).Add(9, {10, 10}).Add(11, {40, 20}).Rectangle(1, 1, 5, 5);
    EXPECT_EQ(PlayRed(aniso).box, (RECT{4, 2, 20, 10}));
    EmfWriter iso = RedEmf();
    iso.Add(17, {MM_ISOTROPIC}).Add(9, {10, 10}).Add(11, {40, 20}).Rectangle(1, 1, 5, 5);
    EXPECT_EQ(PlayRed(iso).box, (RECT{2, 2, 10, 10}));
    // Origins: window (2, 2) and viewport (1, 3).
    EmfWriter origins = RedEmf();
    origins.Add(10, {2, 2}).Add(12, {1, 3}).Rectangle(2, 2, 6, 6);
    EXPECT_EQ(PlayRed(origins).box, (RECT{1, 3, 5, 7}));
    // World transform: scale 2, move (10, 5); then back to identity.
    const auto f = [](float v) { return std::bit_cast<DWORD>(v); };
    EmfWriter world = RedEmf();
    world.Add(35, {f(2), 0, 0, f(2), f(10), f(5)}).Rectangle(0, 0, 5, 5);
    EXPECT_EQ(PlayRed(world).box, (RECT{10, 5, 20, 15}));
    world.Add(36, {0, 0, 0, 0, 0, 0, 1}).Rectangle(30, 20, 32, 22);
    EXPECT_EQ(PlayRed(world).count, 100 + 4);
}

TEST(MetafileMapping, SavedStatesComeBack) {
    EmfWriter w = RedEmf();
    w.Brush(3, BS_SOLID, kBlue).Add(33, {}).Select(3).Add(10, {-20, 0}).Add(33, {});
    w.Add(30, {0, 0, 2, 2}); // clip, then restored away
    w.Add(34, {-2}).Rectangle(0, 0, 8, 8);
    TestSurface s(kW, kH);
    Play(s, w);
    EXPECT_EQ(Find(s, kRed).box, (RECT{0, 0, 8, 8}));
    EXPECT_EQ(Find(s, kBlue).count, 0);
    // Clipping by IntersectClipRect limits the same rectangle.
    EXPECT_EQ(PlayRed(RedEmf().Add(30, {2, 3, 5, 6}).Rectangle(0, 0, 8, 8)).box,
              (RECT{2, 3, 5, 6}));
}

TEST(MetafileShapes, PolygonsUnderBothFillModes) {
    // A five-pointed star drawn in one stroke: its centre is inside under
    // WINDING only.
    const Bytes star = Points16({24, 0, 38, 30, 2, 11, 46, 11, 10, 30});
    const auto starEmf = [&](int mode) {
        EmfWriter w = RedEmf();
        w.Add(19, {mode}).Add(86, {0, 0, 0, 0, 5}, star);
        return w;
    };
    TestSurface alternate(kW, kH), winding(kW, kH);
    Play(alternate, starEmf(ALTERNATE));
    Play(winding, starEmf(WINDING));
    EXPECT_EQ(alternate.Pixel(24, 18), kWhite);
    EXPECT_EQ(winding.Pixel(24, 18), kRed);
    EXPECT_EQ(alternate.Pixel(24, 5), kRed);
    // A square with a square hole, as one poly-polygon.
    EmfWriter holed = RedEmf();
    holed.Add(91, {0, 0, 0, 0, 2, 8, 4, 4},
              Points16({0, 0, 20, 0, 20, 20, 0, 20, 5, 5, 15, 5, 15, 15, 5, 15}));
    EXPECT_EQ(PlayRed(holed).count, 400 - 100);
}

TEST(MetafileShapes, EllipsesArcsPiesAndRoundRectangles) {
    TestSurface s(kW, kH);
    Play(s, RedEmf().Add(42, {0, 0, 40, 20}));
    EXPECT_EQ(s.Pixel(20, 10), kRed);
    EXPECT_EQ(s.Pixel(1, 1), kWhite);
    EXPECT_EQ(s.Pixel(38, 18), kWhite);
    EXPECT_EQ(Find(s, kRed).box, (RECT{0, 0, 40, 20}));
    // A pie from 3 o'clock counterclockwise to 12 o'clock: the upper right quarter.
    TestSurface pie(kW, kH);
    Play(pie, RedEmf().Add(47, {0, 0, 32, 32, 32, 16, 16, 0}));
    EXPECT_EQ(pie.Pixel(24, 8), kRed);
    EXPECT_EQ(pie.Pixel(8, 8), kWhite);
    EXPECT_EQ(pie.Pixel(24, 24), kWhite);
    // Clockwise the same radial lines give the other three quarters.
    TestSurface cw(kW, kH);
    Play(cw, RedEmf().Add(57, {2}).Add(47, {0, 0, 32, 32, 32, 16, 16, 0}));
    EXPECT_EQ(cw.Pixel(24, 8), kWhite);
    EXPECT_EQ(cw.Pixel(8, 24), kRed);
    // An arc is only outlined; a rounded rectangle misses its corners.
    TestSurface arc(kW, kH);
    Play(arc, EmfWriter().Add(45, {0, 0, 32, 32, 32, 16, 16, 0}));
    EXPECT_GT(Find(arc, kBlack).count, 20);
    EXPECT_EQ(arc.Pixel(24, 8), kWhite);
    TestSurface round(kW, kH);
    Play(round, RedEmf().Add(44, {0, 0, 40, 30, 20, 20}));
    EXPECT_EQ(round.Pixel(1, 1), kWhite);
    EXPECT_EQ(round.Pixel(20, 1), kRed);
}

TEST(MetafileShapes, PensAndBrushes) {
    // A 5-unit pen along a horizontal line paints 5 rows.
    TestSurface wide(kW, kH);
    Play(wide, EmfWriter().Pen(1, PS_SOLID, 5, kBlue).Select(1).Add(27, {4, 10}).Add(54, {40, 10}));
    EXPECT_EQ(Find(wide, kBlue).box, (RECT{4, 8, 40, 13}));
    // A null brush leaves the inside alone; a hatched one paints its lines
    // and, opaque, the background colour between them.
    TestSurface hollow(kW, kH);
    Play(hollow, EmfWriter().Select(0x80000005).Rectangle(0, 0, 20, 20));
    EXPECT_EQ(hollow.Pixel(10, 10), kWhite);
    EXPECT_EQ(hollow.Pixel(0, 10), kBlack);
    EmfWriter hatch = RedEmf();
    hatch.Brush(3, BS_HATCHED, kBlue, 0).Select(3).Add(25, {kGreen}).Rectangle(0, 0, 16, 16);
    TestSurface hatched(kW, kH);
    Play(hatched, hatch);
    EXPECT_EQ(hatched.Pixel(3, 8), kBlue);
    EXPECT_EQ(hatched.Pixel(3, 9), kGreen);
    hatch.Add(18, {TRANSPARENT}).Rectangle(20, 0, 36, 16);
    Play(hatched, hatch);
    EXPECT_EQ(hatched.Pixel(23, 9), kWhite);
}

TEST(MetafileShapes, BezierPathsFill) {
    // A closed figure of a line and a Bezier bulge, filled from the path.
    EmfWriter w = RedEmf();
    w.Add(59, {}).Add(27, {4, 20}).Add(88, {0, 0, 0, 0, 3}, Points16({4, 0, 36, 0, 36, 20}));
    w.Add(61, {}).Add(60, {}).Add(62, {0, 0, 0, 0});
    TestSurface s(kW, kH);
    Play(s, w);
    EXPECT_EQ(s.Pixel(20, 12), kRed);
    EXPECT_EQ(s.Pixel(20, 25), kWhite);
    // Nothing is drawn while the path is recorded.
    EmfWriter open = RedEmf();
    open.Add(59, {}).Rectangle(0, 0, 10, 10).Add(60, {});
    EXPECT_EQ(PlayRed(open).count, 0);
}

TEST(MetafileDib, StretchedBlitsInBothFormats) {
    const Bytes dib = Dib24({{0xFF0000, 0x00FF00}, {0x0000FF, 0x000000}});
    // EMR_STRETCHDIBITS: the 2 x 2 DIB onto (4, 4)-(24, 24).
    EmfWriter emf;
    emf.Add(81,
            {0, 0, 0, 0, 4, 4, 0, 0, 2, 2, 80, 40, 120, DWORD(dib.size()) - 40, 0, SRCCOPY, 20, 20},
            dib);
    TestSurface s(kW, kH);
    Play(s, emf);
    EXPECT_EQ(s.Pixel(5, 5), kRed);
    EXPECT_EQ(s.Pixel(22, 5), kGreen);
    EXPECT_EQ(s.Pixel(5, 22), kBlue);
    EXPECT_EQ(s.Pixel(22, 22), kBlack);
    EXPECT_EQ(s.Pixel(24, 24), kWhite);
    // META_STRETCHDIB of the same DIB into a 10 x 10 window scaled to 40 x 40.
    TestSurface w(40, 40);
    const Bytes wmf = WmfWriter()
                          .Window(0, 0, 10, 10)
                          .Add(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 5, 5, 0, 0}, dib)
                          .Metafile();
    ASSERT_TRUE(PlayWinMetaFile(w.dc(), wmf, RECT{0, 0, 10, 10}, RECT{0, 0, 40, 40}, PassDib));
    EXPECT_EQ(w.Pixel(2, 2), kRed);
    EXPECT_EQ(w.Pixel(18, 18), kBlack);
    EXPECT_EQ(w.Pixel(21, 21), kWhite);
}

TEST(MetafileHostile, BrokenRecordsStopOrAreSkipped) {
    // A zero-sized WMF record stops the playback before the rectangle.
    TestSurface s(kW, kH);
    const std::size_t live = GetLiveGdiObjectCount();
    const Bytes wmf = WmfWriter().Add(0x001E, {}).Rectangle(0, 0, 10, 10).Metafile();
    Bytes zero = wmf;
    PutLE32(zero.data() + 18, 0);
    PlayWinMetaFile(s.dc(), zero, RECT{0, 0, kW, kH}, RECT{0, 0, kW, kH}, PassDib);
    EXPECT_EQ(Find(s, kBlack).count, 0);
    // EMF records with an odd size or one past the end stop it too.
    for (DWORD size : {13u, 4000u}) {
        Bytes emf = RedEmf().Rectangle(0, 0, 10, 10).Metafile(0, 0, kW, kH);
        PutLE32(emf.data() + 88 + 4, size);
        TestSurface t(kW, kH);
        PlayEnhMetaFile(t.dc(), emf, RECT{0, 0, kW, kH}, PassDib);
        EXPECT_EQ(Find(t, kRed).count, 0);
    }
    // Object indices out of range select nothing: the stock white brush stays.
    EXPECT_EQ(
        PlayRed(EmfWriter().Brush(99999, BS_SOLID, kRed).Select(99999).Rectangle(0, 0, 9, 9)).count,
        0);
    EXPECT_EQ(PlayRed(EmfWriter().Select(0x80001234).Select(7).Rectangle(0, 0, 9, 9)).count, 0);
    // More points than the record holds: the polygon is skipped.
    EXPECT_EQ(PlayRed(RedEmf().Add(86, {0, 0, 0, 0, 1000000}, Points16({0, 0, 9, 0, 9, 9}))).count,
              0);
    // A DIB claiming far more pixels than the record holds is skipped.
    Bytes huge = Dib24({{0xFF0000}});
    PutLE32(huge.data() + 4, 30000);
    PutLE32(huge.data() + 8, 30000);
    EmfWriter blit;
    blit.Add(81, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 80, 40, 120, 4, 0, SRCCOPY, 20, 20}, huge);
    EXPECT_EQ(PlayRed(blit).count, 0);
    EXPECT_EQ(GetLiveGdiObjectCount(), live);
}

TEST(MetafileHostile, HugeValuesDeepNestingAndTheWorkCap) {
    // Coordinates at the ends of the range fill the raster, clipped.
    EXPECT_EQ(PlayRed(RedEmf().Rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX)).count,
              kW * kH);
    EmfWriter extents = RedEmf();
    extents.Add(17, {MM_ANISOTROPIC}).Add(9, {1, 1}).Add(11, {INT32_MAX, INT32_MAX});
    extents.Rectangle(-5, -5, 5, 5).Add(42, {-9, -9, 9, 9});
    EXPECT_EQ(PlayRed(extents).count, kW * kH);
    // Saves far beyond the stack's depth, then restores.
    EmfWriter deep = RedEmf();
    for (int i = 0; i < 5000; ++i)
        deep.Add(33, {});
    deep.Add(34, {-4000}).Add(34, {INT32_MIN}).Rectangle(0, 0, 4, 4);
    EXPECT_EQ(PlayRed(deep).count, 16);
    // Thousands of full fills: the cap on work leaves the rest out, quickly.
    EmfWriter heavy = RedEmf();
    for (int i = 0; i < 10000; ++i)
        heavy.Rectangle(0, 0, kW, kH);
    heavy.Brush(3, BS_SOLID, kGreen).Select(3).Rectangle(0, 0, 4, 4);
    TestSurface s(kW, kH);
    const auto start = std::chrono::steady_clock::now();
    Play(s, heavy);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(Find(s, kGreen).count, 0);
    EXPECT_EQ(Find(s, kRed).count, kW * kH);
}

TEST(MetafileHostile, EveryTruncationOfAMixedFile) {
    const Bytes dib = Dib24({{0xFF0000, 0x00FF00}});
    EmfWriter w = RedEmf();
    w.Add(17, {MM_ANISOTROPIC}).Add(9, {10, 10}).Add(11, {40, 20}).Add(33, {});
    w.Add(86, {0, 0, 0, 0, 3}, Points16({0, 0, 9, 0, 9, 9})).Add(42, {0, 0, 9, 9});
    w.Add(59, {}).Add(27, {1, 1}).Add(88, {0, 0, 0, 0, 3}, Points16({4, 0, 8, 0, 8, 8}));
    w.Add(60, {}).Add(63, {0, 0, 0, 0}).Add(34, {-1});
    w.Add(81, {0, 0, 0, 0, 4, 4, 0, 0, 2, 1, 80, 40, 120, 8, 0, SRCCOPY, 20, 20}, dib);
    const Bytes whole = w.Metafile(0, 0, kW, kH);
    for (std::size_t n = 0; n <= whole.size(); ++n) {
        TestSurface s(kW, kH);
        const bool played =
            PlayEnhMetaFile(s.dc(), std::span(whole).first(n), RECT{0, 0, kW, kH}, PassDib);
        EXPECT_EQ(played, n >= 88) << n;
    }
}
