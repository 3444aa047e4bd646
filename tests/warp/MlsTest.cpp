#include <gtest/gtest.h>

#include "warp/WarpMLS.h"

TEST(Mls, CornersAloneAreTheIdentityAndPairsMoveTheirNeighbours) {
    CWarpMLS corners, one, rotation;
    one.AddPair({50, 50}, {60, 55});
    rotation.AddPair({30, 50}, {30, 40});
    rotation.AddPair({70, 50}, {70, 60});
    for (CWarpMLS* m : {&corners, &one, &rotation}) {
        for (POINT p : {POINT{0, 0}, POINT{0, 100}, POINT{100, 0}, POINT{100, 100}})
            m->AddPair(p, p);
        m->Prepare();
    }
    for (int x = -5; x < 110; x += 9)
        for (int y = -5; y < 110; y += 13)
            EXPECT_EQ(corners.MapPoint(x, y), (POINT{x, y}));
    EXPECT_EQ(one.MapPoint(50, 50), (POINT{60, 55}));
    EXPECT_EQ(one.MapPoint(51, 50), (POINT{59, 53}));
    EXPECT_EQ(one.GetSrcCentroid(), (POINT{50, 50}));
    EXPECT_EQ(one.GetDstCentroid(), (POINT{59, 54}));
    EXPECT_EQ(rotation.MapPoint(50, 50), (POINT{50, 50}));
    EXPECT_EQ(rotation.MapPoint(25, 25), (POINT{25, 20}));
}

TEST(Mls, UnpreparedAndSharedSourcePointsStayDefined) {
    CWarpMLS mls;
    EXPECT_EQ(mls.MapPoint(3, 4), (POINT{3, 4}));
    mls.AddPair({10, 10}, {20, 13});
    EXPECT_EQ(mls.MapPoint(10, 10), (POINT{10, 10})) << "scratch arrays are sized by Prepare";
    // All sources on one point: mu vanishes, and the map is the translation
    // v - p* + q* with p* (10, 10), q* (25, 15); the point itself takes the first target.
    mls.AddPair({10, 10}, {30, 17});
    mls.Prepare();
    EXPECT_EQ(mls.MapPoint(12, 11), (POINT{27, 16}));
    EXPECT_EQ(mls.MapPoint(10, 10), (POINT{20, 13}));
}
