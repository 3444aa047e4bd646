#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "warp/WarpRBF.h"

namespace {

struct Solve {
    int result;
    std::vector<double> x;
    std::string printed;
};

Solve RunSolver(std::vector<double> A, std::vector<double> b, std::vector<double> x0 = {}) {
    const std::vector<double> A0 = A, b0 = b;
    Solve s{0, x0.empty() ? std::vector<double>(b.size(), -99.0) : x0, {}};
    testing::internal::CaptureStdout();
    s.result = CWarpRBF::SolveGauss(A.data(), b.data(), static_cast<int>(b.size()), s.x.data());
    s.printed = testing::internal::GetCapturedStdout();
    // compared bytewise, so that NaN entries compare equal to themselves
    EXPECT_EQ(0, std::memcmp(A.data(), A0.data(), A.size() * sizeof(double))) << "A changed";
    EXPECT_EQ(0, std::memcmp(b.data(), b0.data(), b.size() * sizeof(double))) << "b changed";
    return s;
}

} // namespace

TEST(SolveGauss, OneByOne) {
    const Solve ok = RunSolver({2}, {3});
    EXPECT_EQ(ok.result, 1);
    EXPECT_EQ(ok.x[0], 1.5);
    EXPECT_EQ(ok.printed, "");

    const Solve tiny = RunSolver({1e-17}, {1});
    EXPECT_EQ(tiny.result, 0);
    EXPECT_EQ(tiny.printed, "Gauss methods failed!\n");
    EXPECT_EQ(tiny.x[0], -99.0) << "x stays as it was";

    EXPECT_EQ(RunSolver({1e-15}, {1}).result, 1);
}

TEST(SolveGauss, EqualColumnsFailAtTheLastPivot) {
    const Solve s = RunSolver({1, 2, 1, 2}, {1, 1});
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.printed, "Gauss methods failed!\n");
    EXPECT_EQ(s.x, (std::vector<double>{-99.0, -99.0}));

    EXPECT_EQ(RunSolver({3, 1, 3, 5, 2, 5, 7, 4, 7}, {1, 2, 3}).result, 0);
}

TEST(SolveGauss, ColumnExchangeIsUndone) {
    const Solve s = RunSolver({0, 1, 1, 0}, {5, 7});
    EXPECT_EQ(s.result, 1);
    EXPECT_EQ(s.x, (std::vector<double>{7, 5}));
}

TEST(SolveGauss, ZeroRightHandSideGivesExactZeros) {
    const Solve s = RunSolver({4, 1, 2, 1, 5, 3, 2, 3, 6}, {0, 0, 0});
    EXPECT_EQ(s.result, 1);
    for (double v : s.x)
        EXPECT_EQ(v, 0.0);
}

TEST(SolveGauss, SolvesAGeneralSystem) {
    // A x = b for x = (1, -2, 3)
    const Solve s = RunSolver({2, 1, -1, -3, -1, 2, -2, 1, 2}, {-3, 5, 2});
    ASSERT_EQ(s.result, 1);
    EXPECT_NEAR(s.x[0], 1, 1e-12);
    EXPECT_NEAR(s.x[1], -2, 1e-12);
    EXPECT_NEAR(s.x[2], 3, 1e-12);
}

TEST(SolveGauss, NotANumberIsNeverAPivot) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // NaN entries are skipped by the pivot search; the 1 is chosen
    const Solve s = RunSolver({nan, 0, 0, 1}, {1, 1});
    EXPECT_EQ(s.result, 1);
}
