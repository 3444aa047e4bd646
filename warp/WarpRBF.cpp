#include "warp/WarpRBF.h"

#include <cmath>
#include <cstdint>

#include "platform/Truncate.h"
#include "warp/WarpKernels.h"

namespace {

// Largest squared shape parameter: 128 pixels squared.
constexpr int kMaxRadius2 = 16384;

// Sets the shape parameters r_j of the n = radius2.size() source points and
// returns the matrix A[i][j] = g_j(p_i) = sqrt(|p_i - p_j|^2 + r_j).
std::vector<double> BasisMatrix(const std::vector<POINT>& src, std::vector<int>& radius2) {
    const std::size_t n = radius2.size();
    // D[i][j]: squared distance between source points i and j.
    std::vector<int> D(n * n);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            const double dx = static_cast<double>(src[i].x) - src[j].x;
            const double dy = static_cast<double>(src[i].y) - src[j].y;
            D[i * n + j] = TruncToInt(dx * dx + dy * dy);
        }
    }
    // r_j = min(16384, min over k != j of D[j][k])
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t k = 0; k < n; ++k) {
            if (k != j && D[j * n + k] < radius2[j]) radius2[j] = D[j * n + k];
        }
    }
    // The integer sum is widened so huge distances cannot overflow.
    std::vector<double> A(n * n);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            const std::int64_t sum = std::int64_t{D[i * n + j]} + radius2[j];
            A[i * n + j] = std::sqrt(static_cast<double>(sum));
        }
    }
    return A;
}

} // namespace

void CWarpRBF::Prepare() {
    const std::size_t n = m_srcPoints.size();
    m_radius2.assign(n, kMaxRadius2);
    m_coefX.assign(n, 0.0);
    m_coefY.assign(n, 0.0);
    if (n == 0) return;

    const std::vector<double> A = BasisMatrix(m_srcPoints, m_radius2);
    std::vector<double> bx(n), by(n);
    for (std::size_t i = 0; i < n; ++i) {
        bx[i] = static_cast<double>(std::int64_t{m_dstPoints[i].x} - m_srcPoints[i].x);
        by[i] = static_cast<double>(std::int64_t{m_dstPoints[i].y} - m_srcPoints[i].y);
    }
    SolveGaussPair(A.data(), bx.data(), by.data(), static_cast<int>(n), m_coefX.data(),
                   m_coefY.data(), GetThreadCount());
}

POINT CWarpRBF::MapPoint(int x, int y) {
    // v + sum(g_i(v) * (alpha_i, beta_i)) over the pairs of the last Prepare
    double X = x, Y = y;
    const std::size_t n = m_radius2.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = static_cast<double>(x) - m_srcPoints[i].x;
        const double dy = static_cast<double>(y) - m_srcPoints[i].y;
        const double g = std::sqrt(dx * dx + dy * dy + m_radius2[i]);
        X = X + g * m_coefX[i];
        Y = Y + g * m_coefY[i];
    }
    return POINT{TruncToInt(X), TruncToInt(Y)};
}

void CWarpRBF::MapColumn(int x, int y0, int count, POINT* out, WarpScratch&) const {
    warpkernels::RbfColumn(m_srcPoints.data(), m_radius2.data(), m_coefX.data(), m_coefY.data(),
                           m_radius2.size(), x, y0, count, out);
}
