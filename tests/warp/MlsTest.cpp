#include <gtest/gtest.h>

#include "warp/WarpMLS.h"

namespace {

void AddCorners(CWarpMethod& m, int w, int h) {
    for (POINT p : {POINT{0, 0}, POINT{0, h}, POINT{w, 0}, POINT{w, h}})
        m.AddPair(p, p);
}

} // namespace

TEST(Mls, CornerPairsAloneAreTheIdentity) {
    CWarpMLS mls;
    AddCorners(mls, 100, 100);
    mls.Prepare();
    for (int x = -5; x < 110; x += 9)
        for (int y = -5; y < 110; y += 13)
            EXPECT_EQ(mls.MapPoint(x, y), (POINT{x, y}));
}

TEST(Mls, OnePairWithTheCorners) {
    CWarpMLS mls;
    mls.AddPair({50, 50}, {60, 55});
    AddCorners(mls, 100, 100);
    mls.Prepare();
    EXPECT_EQ(mls.MapPoint(50, 50), (POINT{60, 55}));
    EXPECT_EQ(mls.MapPoint(51, 50), (POINT{59, 53}));
    EXPECT_EQ(mls.GetSrcCentroid(), (POINT{50, 50}));
    EXPECT_EQ(mls.GetDstCentroid(), (POINT{59, 54}));
}

TEST(Mls, RotationAboutTheCentre) {
    CWarpMLS mls;
    mls.AddPair({30, 50}, {30, 40});
    mls.AddPair({70, 50}, {70, 60});
    AddCorners(mls, 100, 100);
    mls.Prepare();
    EXPECT_EQ(mls.MapPoint(50, 50), (POINT{50, 50}));
    EXPECT_EQ(mls.MapPoint(25, 25), (POINT{25, 20}));
}

TEST(Mls, SharedSourcePointTakesTheFirstTarget) {
    CWarpMLS mls;
    mls.AddPair({5, 5}, {40, 41});
    mls.AddPair({5, 5}, {70, 71});
    mls.Prepare();
    EXPECT_EQ(mls.MapPoint(5, 5), (POINT{40, 41}));
}

TEST(Mls, VanishingMuIsATranslation) {
    // All sources on one point: every centred source is (0, 0), so T0 = T1 = 0.
    CWarpMLS mls;
    mls.AddPair({10, 10}, {20, 13});
    mls.AddPair({10, 10}, {30, 17});
    mls.Prepare();
    // p* = (10, 10), q* = (25, 15): v - p* + q*
    EXPECT_EQ(mls.MapPoint(12, 11), (POINT{27, 16}));
}

TEST(Mls, NoPairsOrNoPrepareIsTheIdentity) {
    CWarpMLS mls;
    EXPECT_EQ(mls.MapPoint(3, 4), (POINT{3, 4}));
    mls.AddPair({3, 4}, {9, 9});
    EXPECT_EQ(mls.MapPoint(3, 4), (POINT{3, 4})) << "scratch arrays are sized by Prepare";
    mls.Prepare();
    EXPECT_EQ(mls.MapPoint(3, 4), (POINT{9, 9}));
}

TEST(Mls, ExtremeCoordinatesStayDefined) {
    CWarpMLS mls;
    mls.AddPair({INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX});
    mls.AddPair({INT32_MAX, 0}, {0, INT32_MIN});
    mls.Prepare();
    (void)mls.MapPoint(0, 0);
    (void)mls.MapPoint(INT32_MAX, INT32_MIN);
}
