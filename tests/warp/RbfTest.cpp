#include <gtest/gtest.h>

#include "tests/warp/MessageCapture.h"
#include "warp/WarpRBF.h"

namespace {

void AddCorners(CWarpMethod& m, int w, int h) {
    for (POINT p : {POINT{0, 0}, POINT{0, h}, POINT{w, 0}, POINT{w, h}})
        m.AddPair(p, p);
}

// Prepares the method and returns the engine's messages, one line each.
std::string PrepareCapturingMessages(CWarpRBF& rbf) {
    MessageCapture capture;
    rbf.Prepare();
    return capture.Take();
}

} // namespace

TEST(Rbf, CornerPairsAloneGiveZeroCoefficientsAndTheIdentity) {
    CWarpRBF rbf, wide;
    AddCorners(rbf, 100, 100);
    AddCorners(wide, 320, 240);
    EXPECT_EQ(PrepareCapturingMessages(rbf), "");
    wide.Prepare();
    EXPECT_EQ(rbf.GetRadius2(), (std::vector<int>{10000, 10000, 10000, 10000}));
    EXPECT_EQ(wide.GetRadius2(), (std::vector<int>{16384, 16384, 16384, 16384})) << "capped";
    EXPECT_EQ(rbf.GetCoefX(), std::vector<double>(4, 0.0));
    for (int x = 0; x < 100; x += 7)
        for (int y = 0; y < 100; y += 11)
            EXPECT_EQ(rbf.MapPoint(x, y), (POINT{x, y}));
}

TEST(Rbf, PairCarriesItsSourceOntoItsTargetUpToTruncation) {
    CWarpRBF rbf;
    rbf.AddPair({50, 50}, {60, 55});
    AddCorners(rbf, 100, 100);
    rbf.Prepare();
    EXPECT_EQ(rbf.GetRadius2(), (std::vector<int>(5, 5000)));
    // x comes out as 59.99999999999999 and truncates to 59
    EXPECT_EQ(rbf.MapPoint(50, 50), (POINT{59, 55}));
    EXPECT_EQ(rbf.MapPoint(0, 0), (POINT{0, 0}));
}

TEST(Rbf, SharedSourcePointsReportTwiceAndFallBackToTheIdentity) {
    CWarpRBF rbf;
    EXPECT_EQ(rbf.MapPoint(4, 9), (POINT{4, 9})) << "no pairs";
    rbf.AddPair({50, 50}, {60, 55});
    EXPECT_EQ(rbf.MapPoint(50, 50), (POINT{50, 50})) << "not prepared";
    AddCorners(rbf, 100, 100);
    AddCorners(rbf, 100, 100); // a second warp run on the same object
    EXPECT_EQ(PrepareCapturingMessages(rbf), "Gauss methods failed!\nGauss methods failed!\n");
    EXPECT_EQ(rbf.GetRadius2()[1], 0);
    EXPECT_EQ(rbf.GetCoefX(), std::vector<double>(9, 0.0));
    EXPECT_EQ(rbf.GetCoefY(), rbf.GetCoefX());
    EXPECT_EQ(rbf.MapPoint(50, 50), (POINT{50, 50}));
    EXPECT_EQ(rbf.MapPoint(13, 77), (POINT{13, 77}));
}
