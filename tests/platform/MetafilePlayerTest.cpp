// The metafile player on a surface: a drawing for each kind of record
// (mapping, transforms, saved states, fill modes, shapes, pens and brushes,
// paths, DIB blits, wide and dashed pens, clip regions), the region sets,
// and crafted hostile records.
#include <gtest/gtest.h>

#include <bit>
#include <tuple>

#include "platform/MetafilePen.h"
#include "platform/MetafileTransform.h"
#include "platform/Region.h"
#include "tests/platform/MetafilePlayback.h"

using namespace metafiletest;

TEST(Region, CombinationsKeepTheBandedForm) {
    const Region a(RECT{0, 0, 10, 10}), b(RECT{5, 5, 15, 15});
    // The operation, points inside, points outside, and the rectangle count.
    const std::tuple<Region::Op, std::vector<POINT>, std::vector<POINT>, std::size_t> cases[] = {
        {Region::Op::And, {{5, 5}, {9, 9}}, {{4, 4}, {10, 10}}, 1},
        {Region::Op::Or, {{0, 0}, {14, 14}, {9, 12}}, {{12, 2}, {2, 12}}, 3},
        {Region::Op::Xor, {{0, 0}, {14, 14}}, {{7, 7}, {12, 2}}, 4},
        {Region::Op::Diff, {{0, 0}, {4, 9}}, {{5, 5}, {14, 14}}, 2}};
    for (const auto& [op, in, out, count] : cases) {
        SCOPED_TRACE(int(op));
        const Region r = Region::Combine(a, b, op);
        for (const POINT& p : in)
            EXPECT_TRUE(r.Contains(p.x, p.y)) << p.x << "," << p.y;
        for (const POINT& p : out)
            EXPECT_FALSE(r.Contains(p.x, p.y)) << p.x << "," << p.y;
        EXPECT_EQ(r.RectCount(), count);
        EXPECT_EQ(Region::FromRects(r.Rects()), r);
    }
    EXPECT_TRUE(Region(RECT{3, 3, 3, 9}).Empty());
    EXPECT_EQ(Region(RECT{9, 9, 1, 1}).Bounds(), (RECT{1, 1, 9, 9}));
    const std::vector<RECT> touching = {{0, 0, 4, 4}, {4, 0, 8, 4}, {0, 4, 8, 8}};
    EXPECT_EQ(Region::FromRects(touching), Region(RECT{0, 0, 8, 8}));
}

// Wide, dashed and styled pens and region combinations: MetafileGeometryTest.
TEST(MetafilePlayer, ClipRectanglesAndRegionsOfSeveralRectangles) {
    EmfWriter clipped = Red(), copied = Red();
    clipped.Add(30, {10, 10, 30, 20}).Add(29, {15, 12, 20, 18}).Rectangle(0, 0, kW, kH);
    Check("an excluded rectangle makes a hole in the intersected clip", Emf(clipped), kAny,
          {{12, 15, kRed}, {28, 18, kRed}, {17, 15, kWhite}, {5, 5, kWhite}, {31, 15, kWhite}});
    ClipRegion(copied, {{0, 0, 10, 10}, {20, 20, 30, 30}}, RGN_COPY).Rectangle(0, 0, kW, kH);
    Check("a region of two rectangles clips to both", Emf(copied), kAny,
          {{5, 5, kRed}, {25, 25, kRed}, {15, 15, kWhite}, {5, 25, kWhite}});
}

TEST(MetafilePlayer, EachKindOfRecordDrawsWhereItSays) {
    Check("MM_LOMETRIC: 0.4 pixels a unit, y upwards",
          Emf(Red().Add(17, {MM_LOMETRIC}).Rectangle(0, 0, 100, -50)), {0, 0, 40, 20});
    EmfWriter iso = Red();
    iso.Add(17, {MM_ISOTROPIC}).Add(9, {10, 10}).Add(11, {40, 20}).Add(10, {2, 2}).Add(12, {1, 3});
    Check("window 10 x 10 onto viewport 40 x 20 kept square, and origins",
          Emf(iso.Rectangle(3, 3, 7, 7)), {3, 5, 11, 13});
    const auto f = [](float v) { return std::bit_cast<DWORD>(v); };
    EmfWriter world = Red();
    world.Add(35, {f(2), 0, 0, f(2), 0, 0}).Add(36, {f(1), 0, 0, f(1), f(10), f(5), 3});
    Check("world transform: scale 2, then move (10, 5)", Emf(world.Rectangle(0, 0, 5, 5)),
          {10, 5, 20, 15});
    EmfWriter saved = Red();
    saved.Brush(3, BS_SOLID, kBlue).Add(33, {}).Select(3).Add(10, {-20, 0}).Add(33, {});
    saved.Add(30, {0, 0, 2, 2}).Add(34, {-2}).Add(30, {2, 3, 5, 6});
    Check("brush, origin and clip come back; a clip rectangle limits",
          Emf(saved.Rectangle(0, 0, 8, 8)), {2, 3, 5, 6});
    const Bytes star = Points16({24, 0, 38, 30, 2, 11, 46, 11, 10, 30}); // in one stroke
    Check("a star under ALTERNATE: the centre is outside",
          Emf(Red().Add(19, {ALTERNATE}).Add(86, {0, 0, 0, 0, 5}, star)), kAny,
          {{24, 18, kWhite}, {24, 5, kRed}});
    Check("under WINDING it is inside",
          Emf(Red().Add(19, {WINDING}).Add(86, {0, 0, 0, 0, 5}, star)), kAny, {{24, 18, kRed}});
    Check("an ellipse", Emf(Red().Add(42, {0, 0, 40, 20})), kAny,
          {{20, 10, kRed}, {1, 1, kWhite}, {38, 18, kWhite}, {39, 10, kRed}});
    Check("a pie from 3 o'clock counterclockwise to 12: the upper right quarter",
          Emf(Red().Add(47, {0, 0, 32, 32, 32, 16, 16, 0})), kAny,
          {{24, 8, kRed}, {8, 8, kWhite}, {24, 24, kWhite}});
    Check("clockwise: the other three quarters",
          Emf(Red().Add(57, {2}).Add(47, {0, 0, 32, 32, 32, 16, 16, 0})), kAny,
          {{24, 8, kWhite}, {8, 24, kRed}});
    EmfWriter arc;
    arc.Pen(1, PS_SOLID, 1, kRed).Select(1).Add(45, {0, 0, 32, 32, 32, 16, 16, 0});
    Check("an arc is only outlined", Emf(arc), kAny,
          {{24, 8, kWhite}, {20, 1, kRed}, {31, 12, kRed}, {0, 16, kWhite}});
    Check("a rounded rectangle misses its corners", Emf(Red().Add(44, {0, 0, 40, 30, 20, 20})),
          kAny, {{1, 1, kWhite}, {20, 1, kRed}});
    Check("a flat-capped pen 5 units wide paints 5 rows",
          Emf(EmfWriter().Pen(1, 0x200, 5, kRed).Select(1).Add(27, {4, 10}).Add(54, {40, 10})),
          {4, 8, 40, 13});
    Check("a null brush leaves the inside alone",
          Emf(EmfWriter().Select(0x80000005).Rectangle(0, 0, 20, 20)), kNone,
          {{10, 10, kWhite}, {0, 10, kBlack}});
    EmfWriter hatch = Red();
    hatch.Brush(3, BS_HATCHED, kBlue, HS_HORIZONTAL).Select(3).Add(25, {kGreen});
    hatch.Rectangle(0, 0, 16, 16).Add(18, {TRANSPARENT}).Rectangle(20, 0, 36, 16);
    Check("hatches over the background colour, then transparent", Emf(hatch), kNone,
          {{3, 8, kBlue}, {3, 9, kGreen}, {23, 8, kBlue}, {23, 9, kWhite}});
    EmfWriter path = Red();
    path.Add(59, {}).Add(27, {4, 20}).Add(88, {0, 0, 0, 0, 3}, Points16({4, 0, 36, 0, 36, 20}));
    Check("a path of a line and a Bezier bulge, filled",
          Emf(path.Add(61, {}).Add(60, {}).Add(62, {0, 0, 0, 0})), kAny,
          {{20, 12, kRed}, {20, 25, kWhite}});
    Check("nothing is drawn while a path is recorded",
          Emf(Red().Add(59, {}).Rectangle(0, 0, 10, 10).Add(60, {})), kNone);
    // Red and green over blue and black.
    const Bytes dib = Dib24({{0xFF0000, 0x00FF00}, {0x0000FF, 0x000000}});
    EmfWriter emfDib; // EMR_STRETCHDIBITS: header at 80 (40 bytes), bits at 120 (16 bytes)
    emfDib.Add(81, {0, 0, 0, 0, 24, 4, 0, 0, 2, 2, 80, 40, 120, 16, 0, SRCCOPY, -20, 20}, dib);
    Check("a 2 x 2 DIB stretched onto (24, 4)-(4, 24), mirrored", Emf(emfDib), {14, 4, 24, 14},
          {{5, 5, kGreen}, {22, 22, kBlue}, {5, 22, kBlack}, {24, 24, kWhite}});
    WmfWriter wmf; // 4 pixels a unit
    wmf.Window(0, 0, 12, 8).Brush(BS_SOLID, kRed).Select(0).Add(0x061D, {0x21, 0xF0, -5, -5, 5, 5});
    wmf.Add(0x0F43, {0x00C6, 0x0088, 0, 2, 2, 0, 0, 5, 5, 0, 0}, dib);
    Check("META_PATBLT with negative extents, then META_STRETCHDIB ANDed onto it", wmf.Metafile(),
          {0, 0, 10, 10}, {{18, 2, kBlack}, {2, 18, kBlack}, {21, 21, kWhite}});
}

TEST(MetafilePlayer, HostileRecordsStopOrAreSkippedWithinTheWorkCap) {
    const std::size_t live = GetLiveGdiObjectCount();
    WmfWriter wmf;
    wmf.Add(0x001E, {}).Brush(BS_SOLID, kRed).Select(0).Rectangle(0, 0, 10, 10);
    Check("a WMF record of size 0 stops the playback", Patched(wmf.Metafile(), 18, 0), kNone);
    // An unknown record with a rectangle 13 bytes in, its size field set to 13 or 4000.
    Bytes hidden(5, 0);
    Put32(hidden, {43, 24, 0, 0, 9, 9});
    for (DWORD size : {13u, 4000u})
        Check("an EMF record of odd size or past the end stops the playback",
              Patched(Emf(Red().Add(1000, {}, hidden)), Emf(Red()).size() - 16, size), kNone);
    EmfWriter indices = Red();
    indices.Brush(99999, BS_SOLID, kBlue).Select(99999).Select(0x80001234).Select(7);
    Check("object indices out of range select nothing", Emf(indices.Rectangle(0, 0, 9, 9)),
          {0, 0, 9, 9});
    Check("more points than the record holds",
          Emf(Red().Add(86, {0, 0, 0, 0, 1000000}, Points16({0, 0, 9, 0, 9, 9}))), kNone);
    EmfWriter hugeDib;
    hugeDib.Add(81, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 80, 40, 120, 4, 0, SRCCOPY, 20, 20},
                Patched(Patched(Dib24({{0xFF0000}}), 4, 30000), 8, 30000));
    Check("a DIB claiming far more pixels than its record holds", Emf(hugeDib), kNone);
    Check("coordinates at the ends of the range fill the raster, clipped",
          Emf(Red().Rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX)), kAll);
    EmfWriter extents = Red(), deep = Red(), heavy = Red();
    extents.Add(17, {MM_ANISOTROPIC}).Add(9, {1, 1}).Add(11, {INT32_MAX, INT32_MAX});
    Check("huge extents", Emf(extents.Rectangle(-5, -5, 5, 5).Add(42, {-9, -9, 9, 9})), kAll);
    for (int i = 0; i < 5000; ++i)
        deep.Add(33, {});
    deep.Add(34, {-4000}).Add(34, {INT32_MIN});
    Check("saves far beyond the stack's depth, then restores", Emf(deep.Rectangle(0, 0, 4, 4)),
          {0, 0, 4, 4});
    for (int i = 0; i < 10000; ++i)
        heavy.Rectangle(0, 0, kW, kH);
    heavy.Brush(3, BS_SOLID, kGreen).Select(3).Rectangle(0, 0, 4, 4);
    Check("thousands of full fills: the work cap leaves the rest out", Emf(heavy), kAll);
    EmfWriter widePen = Red(), manyRects = Red();
    ExtPen(widePen, 5, PS_GEOMETRIC, 1000000000, kRed).Select(5);
    Check("a pen a billion units wide covers the raster",
          Emf(widePen.Add(27, {10, 10}).Add(54, {5, 30})), kAll);
    std::vector<RECT> rects;
    for (LONG i = 0; i < 1000000; ++i)
        rects.push_back(RECT{i % kW, i / kW % kH, i % kW + 1, i / kW % kH + 1});
    ClipRegion(manyRects, rects, RGN_COPY).Rectangle(0, 0, kW, kH);
    Check("a clip region of a million rectangles", Emf(manyRects), kAll);
    EXPECT_EQ(GetLiveGdiObjectCount(), live);
}
