// The metafile player's geometry, pixel for pixel: wide pens' joins (round,
// bevel, miter and the miter limit) and caps, dashed and dotted pens and user
// styles, clip paths and the combinations of clip regions; and wide
// polylines against the distance to their path, so that no pixel inside a
// stroke is left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
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

bool Inside(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}
bool Inside(const std::vector<RECT>& rects, int x, int y) {
    return std::any_of(rects.begin(), rects.end(), [&](const RECT& r) { return Inside(r, x, y); });
}

// The picture of a w x h surface, red where `red` says, white elsewhere.
std::string Painted(int width, int height, const std::function<bool(int, int)>& red) {
    std::string s;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            s += red(x, y) ? 'R' : '.';
        s += '\n';
    }
    return s;
}
std::string Painted(int width, int height, const std::vector<RECT>& red) {
    return Painted(width, height, [&](int x, int y) { return Inside(red, x, y); });
}

// Rows of red pixels from the top, each given by its first column and the
// column after its last.
std::vector<RECT> Spans(const std::vector<LONG>& rows) {
    std::vector<RECT> rects;
    for (std::size_t i = 0; i + 1 < rows.size(); i += 2)
        rects.push_back({rows[i], LONG(i / 2), rows[i + 1], LONG(i / 2 + 1)});
    return rects;
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
    // A right-angle turn and an acute one, pen 5 wide with flat ends, on 20 x 14
    // pixels. The acute turn's rows from the top (from, to): symmetric about
    // row 5, the notch of the turn.
    const Bytes right = Points16({1, 3, 9, 3, 9, 11}), sharp = Points16({1, 2, 13, 5, 1, 8});
    const std::vector<RECT> acute =
        Spans({2, 4, 2, 8, 1, 12, 1, 16, 1, 20, 3, 20, 1, 20, 1, 16, 1, 12, 2, 8, 2, 4});
    const auto bevelled = [&](int x, int y) { return x < 14 && Inside(acute, x, y); };
    const struct {
        const char* what;
        DWORD join;
        const Bytes& points;
        int miterLimit;
        std::string picture;
    } cases[] = {
        {"round", 0, right, 10, Painted(20, 14, {{1, 1, 11, 2}, {1, 2, 12, 6}, {7, 6, 12, 11}})},
        {"bevel", PS_JOIN_BEVEL, right, 10,
         Painted(20, 14, {{1, 1, 10, 2}, {1, 2, 11, 3}, {1, 3, 12, 6}, {7, 6, 12, 11}})},
        {"miter", PS_JOIN_MITER, right, 10, Painted(20, 14, {{1, 1, 12, 6}, {7, 6, 12, 11}})},
        {"an acute miter within the limit", PS_JOIN_MITER, sharp, 10, Painted(20, 14, acute)},
        {"beyond a limit of 2: bevelled", PS_JOIN_MITER, sharp, 2, Painted(20, 14, bevelled)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EmfWriter w;
        w.Add(58, {c.miterLimit});
        ExtPen(w, 1, PS_GEOMETRIC | PS_ENDCAP_FLAT | c.join, 5, kRed).Select(1);
        w.Add(87, {0, 0, 0, 0, 3}, c.points);
        EXPECT_EQ(Play(w, 20, 14), c.picture);
    }
}

TEST(MetafileGeometry, Caps) {
    // A line from (4, 3) to (11, 3), 4 wide, on 16 x 7 pixels.
    const std::pair<DWORD, std::vector<RECT>> cases[] = {
        {PS_ENDCAP_FLAT, {{4, 1, 11, 5}}},
        {PS_ENDCAP_SQUARE, {{2, 1, 13, 5}}},
        {0, {{4, 1, 11, 2}, {3, 2, 13, 3}, {2, 3, 13, 4}, {3, 4, 13, 5}}},
    };
    for (const auto& [cap, red] : cases) {
        SCOPED_TRACE(cap);
        EXPECT_EQ(Play(Polyline(cap, 4, {4, 3, 11, 3}), 16, 7), Painted(16, 7, red));
    }
}

TEST(MetafileGeometry, DashesDotsAndUserStyles) {
    // A line along the top row after the pen is made and selected.
    const auto line = [](EmfWriter w, int to = 60) {
        return std::move(w.Select(1).Add(27, {0, 0}).Add(54, {to, 0}));
    };
    const auto ext = [](std::initializer_list<std::int64_t> fields) {
        return EmfWriter().Add(95, fields);
    };
    const struct {
        const char* what;
        EmfWriter w;
        const char* row;
    } cases[] = {
        {"PS_DASH", line(EmfWriter().Pen(1, PS_DASH, 1, kRed)),
         "RRRRRRRRRRRRRRRRRR......RRRRRRRRRRRRRRRRRR......RRRRRRRRRRRR"},
        {"PS_DOT", line(EmfWriter().Pen(1, PS_DOT, 1, kRed)),
         "RRR...RRR...RRR...RRR...RRR...RRR...RRR...RRR...RRR...RRR..."},
        {"PS_DASHDOT", line(EmfWriter().Pen(1, PS_DASHDOT, 1, kRed)),
         "RRRRRRRRR......RRR......RRRRRRRRR......RRR......RRRRRRRRR..."},
        {"PS_DASHDOTDOT", line(EmfWriter().Pen(1, PS_DASHDOTDOT, 1, kRed)),
         "RRRRRRRRR...RRR...RRR...RRRRRRRRR...RRR...RRR...RRRRRRRRR..."},
        {"PS_ALTERNATE", line(ext({1, 0, 0, 0, 0, PS_ALTERNATE, 1, BS_SOLID, kRed, 0, 0})),
         "R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R.R."},
        {"a cosmetic user style 5 on, 2 off, 1 on, 2 off",
         line(ext({1, 0, 0, 0, 0, PS_USERSTYLE, 1, BS_SOLID, kRed, 0, 4, 5, 2, 1, 2})),
         "RRRRR..R..RRRRR..R..RRRRR..R..RRRRR..R..RRRRR..R..RRRRR..R.."},
        {"a geometric user style in units of 2 pixels",
         line(EmfWriter()
                  .Add(17, {MM_ANISOTROPIC})
                  .Add(9, {1, 1})
                  .Add(11, {2, 2})
                  .Add(95, {1, 0, 0, 0, 0, PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT, 1,
                            BS_SOLID, kRed, 0, 2, 3, 1}),
              30),
         "RRRRRR..RRRRRR..RRRRRR..RRRRRR..RRRRRR..RRRRRR..RRRRRR..RRRR"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Play(c.w, 60, 3).substr(0, 60), c.row);
    }
}

TEST(MetafileGeometry, ClipPathsAndRegionCombinations) {
    // A clip of rectangle A, combined with rectangle B under each mode, then
    // the whole surface filled: red where the mode keeps a pixel of A or B.
    const RECT a{1, 1, 6, 5}, b{4, 3, 9, 7};
    const std::pair<int, bool (*)(bool, bool)> modes[] = {
        {RGN_AND, [](bool inA, bool inB) { return inA && inB; }},
        {RGN_OR, [](bool inA, bool inB) { return inA || inB; }},
        {RGN_XOR, [](bool inA, bool inB) { return inA != inB; }},
        {RGN_DIFF, [](bool inA, bool inB) { return inA && !inB; }},
        {RGN_COPY, [](bool, bool inB) { return inB; }},
    };
    for (const auto& [mode, keeps] : modes) {
        SCOPED_TRACE(mode);
        EmfWriter w = Red();
        ClipRegion(w, {a}, RGN_COPY);
        ClipRegion(w, {b}, mode);
        EXPECT_EQ(Play(w.Rectangle(0, 0, 10, 8), 10, 8), Painted(10, 8, [&](int x, int y) {
                      return keeps(Inside(a, x, y), Inside(b, x, y));
                  }));
    }
    // A triangle path (0, 0), (10, 0), (0, 10) as the clip, holding the pixels
    // with x + y < 9, then combined with a rectangle path.
    const RECT r{2, 2, 8, 8};
    const std::pair<int, bool (*)(bool, bool)> paths[] = {
        {RGN_COPY, [](bool inT, bool) { return inT; }},
        {RGN_AND, [](bool inT, bool inR) { return inT && inR; }},
        {RGN_DIFF, [](bool inT, bool inR) { return inT && !inR; }},
    };
    for (const auto& [mode, keeps] : paths) {
        SCOPED_TRACE(mode);
        EmfWriter w = Red();
        w.Add(59, {})
            .Add(27, {0, 0})
            .Add(89, {0, 0, 0, 0, 2}, Points16({10, 0, 0, 10}))
            .Add(60, {});
        w.Add(67, {RGN_COPY});
        if (mode != RGN_COPY) w.Add(59, {}).Rectangle(2, 2, 8, 8).Add(60, {}).Add(67, {mode});
        EXPECT_EQ(Play(w.Rectangle(0, 0, 10, 10), 10, 10),
                  Painted(10, 10, [&](int x, int y) { return keeps(x + y < 9, Inside(r, x, y)); }));
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
