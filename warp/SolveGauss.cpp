// Dense linear solver: Gauss elimination with complete pivoting, done plainly.
#include <cmath>
#include <utility>
#include <vector>

#include "warp/GaussKernels.h"
#include "warp/WarpRBF.h"

using gausskernels::NegligiblePivot;
using gausskernels::ReportFailure;

int CWarpRBF::SolveGauss(const double* A, const double* b, int n, double* x) {
    if (n < 1) return ReportFailure();
    const std::size_t N = static_cast<std::size_t>(n);
    std::vector<double> M(A, A + N * N);
    std::vector<double> c(b, b + N);
    std::vector<std::size_t> perm(N);
    auto m = [&](std::size_t i, std::size_t j) -> double& { return M[i * N + j]; };

    for (std::size_t j = 0; j + 1 < N; ++j) {
        // Pivot: the largest magnitude in the remaining block, first in
        // row-major order on ties; NaN never compares greater.
        double best = 0.0;
        std::size_t pivotRow = j;
        perm[j] = j;
        for (std::size_t k = j; k < N; ++k) {
            for (std::size_t l = j; l < N; ++l) {
                if (std::fabs(m(k, l)) > best) {
                    best = std::fabs(m(k, l));
                    pivotRow = k;
                    perm[j] = l;
                }
            }
        }
        if (NegligiblePivot(best)) return ReportFailure();
        if (perm[j] != j) {
            for (std::size_t i = 0; i < N; ++i)
                std::swap(m(i, j), m(i, perm[j]));
        }
        if (pivotRow != j) {
            for (std::size_t l = j; l < N; ++l)
                std::swap(m(j, l), m(pivotRow, l));
            std::swap(c[j], c[pivotRow]);
        }
        // Normalise row j; M[j][j] keeps its value and counts as 1 from here.
        const double p = m(j, j);
        for (std::size_t l = j + 1; l < N; ++l)
            m(j, l) /= p;
        c[j] /= p;
        // Eliminate column j below the pivot row.
        for (std::size_t i = j + 1; i < N; ++i) {
            const double f = m(i, j);
            for (std::size_t l = j + 1; l < N; ++l)
                m(i, l) = m(i, l) - m(j, l) * f;
            c[i] = c[i] - c[j] * f;
        }
    }
    if (NegligiblePivot(std::fabs(m(N - 1, N - 1)))) return ReportFailure();

    x[N - 1] = c[N - 1] / m(N - 1, N - 1);
    for (std::size_t i = N - 1; i-- > 0;) {
        double s = 0.0;
        for (std::size_t l = i + 1; l < N; ++l)
            s += m(i, l) * x[l];
        x[i] = c[i] - s;
    }
    perm[N - 1] = N - 1;
    for (std::size_t i = N; i-- > 0;) {
        if (perm[i] != i) std::swap(x[i], x[perm[i]]);
    }
    return 1;
}
