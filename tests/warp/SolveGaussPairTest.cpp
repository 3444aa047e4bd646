// The paired solver against two calls of the plain one: results bit for bit,
// the same verdict and the same console lines, on every thread count.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "tests/warp/MessageCapture.h"
#include "warp/WarpRBF.h"

namespace {

// The kinds of matrices tried: random reals, small integers (many ties in
// the pivot search), radial basis matrices of random points (duplicates make
// them singular), and reals with NaN and infinities among them.
enum class Kind { Dense, SmallIntegers, Basis, NonFinite };

std::vector<double> RandomMatrix(Kind kind, int n, std::mt19937& rng) {
    std::uniform_real_distribution<double> real(-1.0, 1.0);
    std::uniform_int_distribution<int> small(-3, 3), coord(0, 40), pick(0, 99);
    std::vector<double> A(std::size_t(n) * n);
    std::vector<POINT> points(n);
    for (POINT& p : points)
        p = POINT{coord(rng), coord(rng)};
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            double& a = A[std::size_t(i) * n + j];
            const double dx = points[i].x - points[j].x, dy = points[i].y - points[j].y;
            switch (kind) {
            case Kind::Dense:
                a = real(rng);
                break;
            case Kind::SmallIntegers:
                a = small(rng);
                break;
            case Kind::Basis:
                a = std::sqrt(dx * dx + dy * dy + 25.0 + j % 3);
                break;
            case Kind::NonFinite: {
                const int p = pick(rng);
                a = p == 0   ? std::numeric_limits<double>::quiet_NaN()
                    : p == 1 ? -std::numeric_limits<double>::infinity()
                             : real(rng) * 1e300;
                break;
            }
            }
        }
    }
    return A;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

} // namespace

TEST(SolveGaussPair, EqualsTwoPlainSolvesBitForBit) {
    std::mt19937 rng(7041);
    std::uniform_real_distribution<double> rhs(-50.0, 50.0);
    int failures = 0;
    for (Kind kind : {Kind::Dense, Kind::SmallIntegers, Kind::Basis, Kind::NonFinite}) {
        for (int n : {1, 2, 3, 5, 17, 64, 200, 301}) {
            const std::vector<double> A = RandomMatrix(kind, n, rng);
            std::vector<double> bx(n), by(n);
            for (int i = 0; i < n; ++i)
                bx[i] = rhs(rng), by[i] = std::floor(rhs(rng));
            const double untouched = -12345.0;
            std::vector<double> wantX(n, untouched), wantY(n, untouched);
            MessageCapture plain;
            const int okX = CWarpRBF::SolveGauss(A.data(), bx.data(), n, wantX.data());
            const int okY = CWarpRBF::SolveGauss(A.data(), by.data(), n, wantY.data());
            const std::string said = plain.Take();
            ASSERT_EQ(okX, okY);
            failures += okX == 0;
            for (unsigned threads : {1u, 2u, 3u, 7u}) {
                const std::string where = "kind " + std::to_string(int(kind)) + ", n " +
                                          std::to_string(n) + ", threads " +
                                          std::to_string(threads);
                std::vector<double> x(n, untouched), y(n, untouched);
                const std::vector<double> keptA = A;
                MessageCapture paired;
                const int ok = CWarpRBF::SolveGaussPair(A.data(), bx.data(), by.data(), n, x.data(),
                                                        y.data(), threads);
                EXPECT_EQ(paired.Take(), said) << where;
                EXPECT_EQ(ok, okX) << where;
                EXPECT_TRUE(SameBits(x, wantX)) << where;
                EXPECT_TRUE(SameBits(y, wantY)) << where;
                EXPECT_TRUE(SameBits(A, keptA)) << where;
            }
        }
    }
    EXPECT_GT(failures, 2) << "the cases should include singular systems";
    EXPECT_LT(failures, 24) << "the cases should include solvable systems";
}
