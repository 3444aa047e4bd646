#include <gtest/gtest.h>

#include <vector>

#include "warp/WarpIDW.h"

TEST(Idw, CornerPairsOfA100By100Image) {
    CWarpIDW idw;
    for (POINT p : {POINT{0, 0}, POINT{0, 100}, POINT{100, 0}, POINT{100, 100}})
        idw.AddPair(p, p);
    idw.Prepare();
    const struct {
        POINT in, out;
    } table[] = {{{50, 50}, {50, 50}}, {{25, 25}, {20, 20}}, {{75, 25}, {79, 20}},
                 {{10, 90}, {3, 96}},  {{1, 1}, {0, 0}},     {{99, 99}, {99, 99}},
                 {{0, 0}, {0, 0}}};
    for (const auto& row : table)
        EXPECT_EQ(idw.MapPoint(row.in.x, row.in.y), row.out) << row.in.x << ", " << row.in.y;
}

TEST(Idw, WeightsTruncationAndSharedSourcePoints) {
    const struct {
        std::vector<std::pair<POINT, POINT>> pairs;
        POINT in, out;
    } cases[] = {
        {{}, {7, -3}, {7, -3}}, // no pairs: the identity
        {{{{5, 5}, {40, 41}}, {{5, 5}, {70, 71}}, {{9, 9}, {1, 1}}}, {5, 5}, {40, 41}},
        {{{{0, 0}, {0, 0}}, {{10, 0}, {5, 3}}}, {5, 0}, {2, 1}},    // (2.5, 1.5)
        {{{{0, 0}, {-1, -3}}, {{10, 0}, {0, 0}}}, {5, 0}, {0, -1}}, // (-0.5, -1.5)
        {{{{0, 0}, {0, 0}}, {{30, 0}, {90, 0}}}, {10, 0}, {18, 0}}, // weights 1/100, 1/400
        {{{{0, 0}, {0, 0}}, {{30, 0}, {90, 0}}, {{30, 0}, {90, 0}}}, {10, 0}, {30, 0}},
    };
    for (const auto& c : cases) {
        CWarpIDW idw;
        for (const auto& [source, target] : c.pairs)
            idw.AddPair(source, target);
        idw.Prepare();
        EXPECT_EQ(idw.MapPoint(c.in.x, c.in.y), c.out) << "case " << &c - cases;
    }
}
