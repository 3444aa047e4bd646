#include <gtest/gtest.h>

#include "warp/WarpIDW.h"

namespace {

void AddCorners(CWarpMethod& m, int w, int h) {
    for (POINT p : {POINT{0, 0}, POINT{0, h}, POINT{w, 0}, POINT{w, h}})
        m.AddPair(p, p);
}

} // namespace

TEST(Idw, CornerPairsOfA100By100Image) {
    CWarpIDW idw;
    AddCorners(idw, 100, 100);
    idw.Prepare();
    const struct {
        POINT in, out;
    } table[] = {{{50, 50}, {50, 50}}, {{25, 25}, {20, 20}}, {{75, 25}, {79, 20}},
                 {{10, 90}, {3, 96}},  {{1, 1}, {0, 0}},     {{99, 99}, {99, 99}},
                 {{0, 0}, {0, 0}}};
    for (const auto& row : table) {
        EXPECT_EQ(idw.MapPoint(row.in.x, row.in.y), row.out)
            << "(" << row.in.x << ", " << row.in.y << ")";
    }
}

TEST(Idw, PixelOnASourcePointTakesTheFirstSuchPairsTarget) {
    CWarpIDW idw;
    idw.AddPair({5, 5}, {40, 41});
    idw.AddPair({5, 5}, {70, 71});
    idw.AddPair({9, 9}, {1, 1});
    EXPECT_EQ(idw.MapPoint(5, 5), (POINT{40, 41}));
    EXPECT_EQ(idw.MapPoint(9, 9), (POINT{1, 1}));
}

TEST(Idw, EquidistantPixelGoesToTheTruncatedMidpoint) {
    CWarpIDW idw;
    idw.AddPair({0, 0}, {0, 0});
    idw.AddPair({10, 0}, {5, 3});
    EXPECT_EQ(idw.MapPoint(5, 0), (POINT{2, 1})); // (2.5, 1.5)
}

TEST(Idw, TruncatesTowardZero) {
    CWarpIDW idw;
    idw.AddPair({0, 0}, {-1, -3});
    idw.AddPair({10, 0}, {0, 0});
    // midpoint of (-1, -3) and (0, 0) is (-0.5, -1.5)
    EXPECT_EQ(idw.MapPoint(5, 0), (POINT{0, -1}));
}

TEST(Idw, RepeatedPairDoublesItsWeight) {
    CWarpIDW once, twice;
    for (CWarpIDW* m : {&once, &twice}) {
        m->AddPair({0, 0}, {0, 0});
        m->AddPair({30, 0}, {90, 0});
    }
    twice.AddPair({30, 0}, {90, 0});
    // at x = 10: weights 1/100 and 1/400 (doubled: 2/400)
    EXPECT_EQ(once.MapPoint(10, 0).x, 18);  // 90 * 0.2
    EXPECT_EQ(twice.MapPoint(10, 0).x, 30); // 90 * (1/3)
}

TEST(Idw, NoPairsIsTheIdentity) {
    CWarpIDW idw;
    idw.Prepare();
    EXPECT_EQ(idw.MapPoint(7, -3), (POINT{7, -3}));
}
