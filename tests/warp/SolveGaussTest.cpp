#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "tests/warp/MessageCapture.h"
#include "warp/WarpMessages.h"
#include "warp/WarpRBF.h"

TEST(SolveGauss, SolvesOrReportsTheSingularSystems) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::vector<double> A, b;
        int result;
        std::vector<double> x; // checked when given; x starts at -99 and a failure keeps it
    } cases[] = {
        {{2}, {3}, 1, {1.5}},
        {{1e-15}, {1}, 1, {}},
        {{1e-17}, {1}, 0, {-99.0}},
        {{1, 2, 1, 2}, {1, 1}, 0, {-99.0, -99.0}}, // equal columns fail at the last pivot
        {{3, 1, 3, 5, 2, 5, 7, 4, 7}, {1, 2, 3}, 0, {}},
        {{0, 1, 1, 0}, {5, 7}, 1, {7, 5}}, // the column exchange is undone
        {{4, 1, 2, 1, 5, 3, 2, 3, 6}, {0, 0, 0}, 1, {0, 0, 0}},
        {{nan, 0, 0, 1}, {1, 1}, 1, {}}, // NaN is never a pivot
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        std::vector<double> A = c.A, b = c.b, x(c.b.size(), -99.0);
        MessageCapture capture;
        EXPECT_EQ(CWarpRBF::SolveGauss(A.data(), b.data(), static_cast<int>(b.size()), x.data()),
                  c.result);
        EXPECT_EQ(capture.Take(), c.result ? "" : "Gauss methods failed!\n");
        // A and b stay as they were, compared bytewise so that NaN equals itself
        EXPECT_EQ(0, std::memcmp(A.data(), c.A.data(), A.size() * sizeof(double)));
        EXPECT_EQ(0, std::memcmp(b.data(), c.b.data(), b.size() * sizeof(double)));
        if (c.x.empty()) continue;
        EXPECT_EQ(x, c.x);
    }
}

TEST(SolveGauss, FailureMessageGoesToTheSinkInForceThenBackToStandardOutput) {
    const double A[] = {0}, b[] = {1};
    double x[1];
    std::vector<std::string> outer, inner;
    {
        const CScopedWarpMessageSink first([&](std::string_view m) { outer.emplace_back(m); });
        {
            const CScopedWarpMessageSink second([&](std::string_view m) { inner.emplace_back(m); });
            CWarpRBF::SolveGauss(A, b, 1, x);
        }
        CWarpRBF::SolveGauss(A, b, 1, x);
    }
    EXPECT_EQ(inner, std::vector<std::string>{"Gauss methods failed!"});
    EXPECT_EQ(outer, std::vector<std::string>{"Gauss methods failed!"});
    testing::internal::CaptureStdout();
    CWarpRBF::SolveGauss(A, b, 1, x);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Gauss methods failed!\n") << "the default";
}

TEST(SolveGauss, FailuresOnSeveralThreadsReachTheSinkOneAtATime) {
    int inside = 0, most = 0, count = 0; // guarded by the sink's serialisation alone
    const CScopedWarpMessageSink sink([&](std::string_view) {
        most = std::max(most, ++inside);
        std::this_thread::yield();
        ++count;
        --inside;
    });
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([] {
                const double A[] = {0}, b[] = {1};
                double x[1];
                for (int k = 0; k < 200; ++k)
                    CWarpRBF::SolveGauss(A, b, 1, x);
            });
    }
    EXPECT_EQ(count, 800);
    EXPECT_EQ(most, 1);
}
