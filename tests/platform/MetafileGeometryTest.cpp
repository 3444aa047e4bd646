// The metafile player's geometry, pixel for pixel: wide pens' joins (round,
// bevel, miter and the miter limit) and caps, dashed and dotted pens and user
// styles, clip paths and the combinations of clip regions; and wide
// polylines against the distance to their path, so that no pixel inside a
// stroke is left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/MetafilePen.h"
#include "tests/platform/MetafilePlayback.h"

using namespace metafiletest;

namespace {

// The picture (TestSurface::Picture) of an EMF played onto a white w x h
// surface, one unit a pixel.
std::string Play(const EmfWriter& w, int width, int height) {
    TestSurface s(width, height);
    PlayEnhMetaFile(s.dc(), w.Metafile(0, 0, width, height), RECT{0, 0, width, height},
                    [](std::span<const BYTE>, std::vector<BYTE>&) { return false; });
    return s.Picture();
}

// A red geometric pen of the style bits and width, selected, then a
// polyline through the points (EMR_POLYLINE16).
EmfWriter Polyline(DWORD style, int width, std::initializer_list<std::int64_t> xy) {
    EmfWriter w;
    ExtPen(w, 1, PS_GEOMETRIC | style, width, kRed).Select(1);
    w.Add(87, {0, 0, 0, 0, std::int64_t(xy.size() / 2)}, Points16(xy));
    return w;
}

// The distance from p to the segment a-b.
double SegmentDistance(PointD p, PointD a, PointD b) {
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    const double t = l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0;
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

} // namespace

TEST(MetafileGeometry, JoinsAndTheMiterLimit) {
    // A right-angle turn and an acute one, pen 5 wide with flat ends.
    const struct {
        const char* what;
        DWORD join;
        std::initializer_list<std::int64_t> xy;
        double miterLimit;
        const char* picture;
    } cases[] = {
        {"round",
         0,
         {1, 3, 9, 3, 9, 11},
         10,
         "....................\n"
         ".RRRRRRRRRR.........\n"
         ".RRRRRRRRRRR........\n"
         ".RRRRRRRRRRR........\n"
         ".RRRRRRRRRRR........\n"
         ".RRRRRRRRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         "....................\n"
         "....................\n"
         "....................\n"},
        {"bevel",
         PS_JOIN_BEVEL,
         {1, 3, 9, 3, 9, 11},
         10,
         "....................\n"
         ".RRRRRRRRR..........\n"
         ".RRRRRRRRRR.........\n"
         ".RRRRRRRRRRR........\n"
         ".RRRRRRRRRRR........\n"
         ".RRRRRRRRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         "....................\n"
         "....................\n"
         "....................\n"},
        {"miter",
         PS_JOIN_MITER,
         {1, 3, 9, 3, 9, 11},
         10,
         "....................\n"
         ".RRRRRRRRRRR........\n"
         ".RRRRRRRRRRR........\n"
         ".RRRRRRRRRRR........\n"
         ".RRRRRRRRRRR........\n"
         ".RRRRRRRRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         ".......RRRRR........\n"
         "....................\n"
         "....................\n"
         "....................\n"},
        {"an acute miter within the limit",
         PS_JOIN_MITER,
         {1, 2, 13, 5, 1, 8},
         10,
         "..RR................\n"
         "..RRRRRR............\n"
         ".RRRRRRRRRRR........\n"
         ".RRRRRRRRRRRRRRR....\n"
         ".RRRRRRRRRRRRRRRRRRR\n"
         "...RRRRRRRRRRRRRRRRR\n"
         ".RRRRRRRRRRRRRRRRRRR\n"
         ".RRRRRRRRRRRRRRR....\n"
         ".RRRRRRRRRRR........\n"
         "..RRRRRR............\n"
         "..RR................\n"
         "....................\n"
         "....................\n"
         "....................\n"},
        {"the same beyond a limit of 2: bevelled",
         PS_JOIN_MITER,
         {1, 2, 13, 5, 1, 8},
         2,
         "..RR................\n"
         "..RRRRRR............\n"
         ".RRRRRRRRRRR........\n"
         ".RRRRRRRRRRRRR......\n"
         ".RRRRRRRRRRRRR......\n"
         "...RRRRRRRRRRR......\n"
         ".RRRRRRRRRRRRR......\n"
         ".RRRRRRRRRRRRR......\n"
         ".RRRRRRRRRRR........\n"
         "..RRRRRR............\n"
         "..RR................\n"
         "....................\n"
         "....................\n"
         "....................\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EmfWriter w;
        w.Add(58, {std::int64_t(c.miterLimit)});
        ExtPen(w, 1, PS_GEOMETRIC | PS_ENDCAP_FLAT | c.join, 5, kRed).Select(1);
        w.Add(87, {0, 0, 0, 0, std::int64_t(c.xy.size() / 2)}, Points16(c.xy));
        const std::string got = Play(w, 20, 14);
        EXPECT_EQ(got, c.picture);
    }
}

TEST(MetafileGeometry, Caps) {
    const std::pair<DWORD, const char*> cases[] = {
        {PS_ENDCAP_FLAT, "................\n"
                         "....RRRRRRR.....\n"
                         "....RRRRRRR.....\n"
                         "....RRRRRRR.....\n"
                         "....RRRRRRR.....\n"
                         "................\n"
                         "................\n"},
        {PS_ENDCAP_SQUARE, "................\n"
                           "..RRRRRRRRRRR...\n"
                           "..RRRRRRRRRRR...\n"
                           "..RRRRRRRRRRR...\n"
                           "..RRRRRRRRRRR...\n"
                           "................\n"
                           "................\n"},
        {0, "................\n"
            "....RRRRRRR.....\n"
            "...RRRRRRRRRR...\n"
            "..RRRRRRRRRRR...\n"
            "...RRRRRRRRRR...\n"
            "................\n"
            "................\n"},
    };
    for (const auto& [cap, picture] : cases) {
        SCOPED_TRACE(cap);
        const std::string got = Play(Polyline(cap, 4, {4, 3, 11, 3}), 16, 7);
        EXPECT_EQ(got, picture);
    }
}

TEST(MetafileGeometry, DashesDotsAndUserStyles) {
    const auto row = [](const std::string& picture) {
        return picture.substr(0, picture.find('\n'));
    };
    const struct {
        const char* what;
        EmfWriter w;
        const char* row;
    } cases[] = {
        {"PS_DASH", EmfWriter().Pen(1, PS_DASH, 1, kRed).Select(1).Add(27, {0, 0}).Add(54, {60, 0}),
         "RRRRRRRRRRRRRRRRRR......RRRRRRRRRRRRRRRRRR......RRRRRRRRRRRR"},
        {"PS_DOT", EmfWriter().Pen(1, PS_DOT, 1, kRed).Select(1).Add(27, {0, 0}).Add(54, {60, 0}),
         "RRR...RRR...RRR...RRR...RRR...RRR...RRR...RRR...RRR...RRR..."},
        {"PS_DASHDOT",
         EmfWriter().Pen(1, PS_DASHDOT, 1, kRed).Select(1).Add(27, {0, 0}).Add(54, {60, 0}),
         "RRRRRRRRR......RRR......RRRRRRRRR......RRR......RRRRRRRRR..."},
        {"PS_DASHDOTDOT",
         EmfWriter().Pen(1, PS_DASHDOTDOT, 1, kRed).Select(1).Add(27, {0, 0}).Add(54, {60, 0}),
         "RRRRRRRRR...RRR...RRR...RRRRRRRRR...RRR...RRR...RRRRRRRRR..."},
        {"PS_ALTERNATE",
         EmfWriter()
             .Add(95, {1, 0, 0, 0, 0, PS_ALTERNATE, 1, BS_SOLID, kRed, 0, 0})
             .Select(1)
             .Add(27, {0, 0})
             .Add(54, {60, 0}),
         "R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R."},
        {"a cosmetic user style 5 on, 2 off, 1 on, 2 off",
         EmfWriter()
             .Add(95, {1, 0, 0, 0, 0, PS_USERSTYLE, 1, BS_SOLID, kRed, 0, 4, 5, 2, 1, 2})
             .Select(1)
             .Add(27, {0, 0})
             .Add(54, {60, 0}),
         "RRRRR..R..RRRRR..R..RRRRR..R..RRRRR..R..RRRRR..R..RRRRR..R.."},
        {"a geometric user style in units of 2 pixels",
         EmfWriter()
             .Add(17, {MM_ANISOTROPIC})
             .Add(9, {1, 1})
             .Add(11, {2, 2})
             .Add(95, {1, 0, 0, 0, 0, PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT, 1, BS_SOLID,
                       kRed, 0, 2, 3, 1})
             .Select(1)
             .Add(27, {0, 0})
             .Add(54, {30, 0}),
         "RRRRRR..RRRRRR..RRRRRR..RRRRRR..RRRRRR..RRRRRR..RRRRRR..RRRR"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string got = row(Play(c.w, 60, 3));
        EXPECT_EQ(got, c.row);
    }
}

TEST(MetafileGeometry, ClipPathsAndRegionCombinations) {
    // A clip of rectangle A, combined with rectangle B under each mode, then
    // the whole surface filled.
    const std::pair<int, const char*> modes[] = {
        {RGN_AND, "..........\n"
                  "..........\n"
                  "..........\n"
                  "....RR....\n"
                  "....RR....\n"
                  "..........\n"
                  "..........\n"
                  "..........\n"},
        {RGN_OR, "..........\n"
                 ".RRRRR....\n"
                 ".RRRRR....\n"
                 ".RRRRRRRR.\n"
                 ".RRRRRRRR.\n"
                 "....RRRRR.\n"
                 "....RRRRR.\n"
                 "..........\n"},
        {RGN_XOR, "..........\n"
                  ".RRRRR....\n"
                  ".RRRRR....\n"
                  ".RRR..RRR.\n"
                  ".RRR..RRR.\n"
                  "....RRRRR.\n"
                  "....RRRRR.\n"
                  "..........\n"},
        {RGN_DIFF, "..........\n"
                   ".RRRRR....\n"
                   ".RRRRR....\n"
                   ".RRR......\n"
                   ".RRR......\n"
                   "..........\n"
                   "..........\n"
                   "..........\n"},
        {RGN_COPY, "..........\n"
                   "..........\n"
                   "..........\n"
                   "....RRRRR.\n"
                   "....RRRRR.\n"
                   "....RRRRR.\n"
                   "....RRRRR.\n"
                   "..........\n"},
    };
    for (const auto& [mode, picture] : modes) {
        SCOPED_TRACE(mode);
        EmfWriter w = Red();
        ClipRegion(w, {{1, 1, 6, 5}}, RGN_COPY);
        ClipRegion(w, {{4, 3, 9, 7}}, mode);
        const std::string got = Play(w.Rectangle(0, 0, 10, 8), 10, 8);
        EXPECT_EQ(got, picture);
    }
    // A triangle path as the clip, then intersected with a rectangle path.
    const std::pair<int, const char*> paths[] = {
        {RGN_COPY, "RRRRRRRRR.\n"
                   "RRRRRRRR..\n"
                   "RRRRRRR...\n"
                   "RRRRRR....\n"
                   "RRRRR.....\n"
                   "RRRR......\n"
                   "RRR.......\n"
                   "RR........\n"
                   "R.........\n"
                   "..........\n"},
        {RGN_AND, "..........\n"
                  "..........\n"
                  "..RRRRR...\n"
                  "..RRRR....\n"
                  "..RRR.....\n"
                  "..RR......\n"
                  "..R.......\n"
                  "..........\n"
                  "..........\n"
                  "..........\n"},
        {RGN_DIFF, "RRRRRRRRR.\n"
                   "RRRRRRRR..\n"
                   "RR........\n"
                   "RR........\n"
                   "RR........\n"
                   "RR........\n"
                   "RR........\n"
                   "RR........\n"
                   "R.........\n"
                   "..........\n"},
    };
    for (const auto& [mode, picture] : paths) {
        SCOPED_TRACE(mode);
        EmfWriter w = Red();
        w.Add(59, {})
            .Add(27, {0, 0})
            .Add(89, {0, 0, 0, 0, 2}, Points16({10, 0, 0, 10}))
            .Add(60, {});
        w.Add(67, {RGN_COPY});
        if (mode != RGN_COPY) w.Add(59, {}).Rectangle(2, 2, 8, 8).Add(60, {}).Add(67, {mode});
        const std::string got = Play(w.Rectangle(0, 0, 10, 10), 10, 10);
        EXPECT_EQ(got, picture);
    }
}

// Round joins and caps: a pixel is painted exactly when its centre lies
// within half the width of the polyline (pixels within 0.3 of the edge,
// where the flattened arcs and the rule for centres on an edge decide, are
// not judged). Joins on pixel centres once left that pixel out.
TEST(MetafileGeometry, WidePolylinesPaintEveryPixelWithinHalfTheirWidth) {
    constexpr int w = 48, h = 32;
    unsigned seed = 1;
    const auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % n);
    };
    int wrong = 0;
    for (int trial = 0; trial < 400; ++trial) {
        const int width = 2 + trial % 8;
        std::vector<PointD> path;
        Bytes points;
        for (int k = 0; k < 3 + trial % 3; ++k) {
            const int x = 4 + next(40), y = 4 + next(24);
            Put16(points, {x, y});
            path.push_back({x + 0.5, y + 0.5}); // lines run through pixel centres
        }
        EmfWriter e;
        ExtPen(e, 1, PS_GEOMETRIC, width, kRed).Select(1);
        e.Add(87, {0, 0, 0, 0, std::int64_t(path.size())}, points);
        const std::string picture = Play(e, w, h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double d = 1e9;
                for (std::size_t k = 0; k + 1 < path.size(); ++k)
                    d = std::min(d, SegmentDistance({x + 0.5, y + 0.5}, path[k], path[k + 1]));
                const bool painted = picture[y * (w + 1) + x] == 'R';
                if ((d < width / 2.0 - 0.3 && !painted) || (d > width / 2.0 + 0.3 && painted)) {
                    ++wrong;
                    ADD_FAILURE() << "trial " << trial << " pixel " << x << "," << y << " at " << d
                                  << " from the path, width " << width;
                }
            }
        }
        if (wrong > 5) break;
    }
}
