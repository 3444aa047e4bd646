// Radial basis functions: the warp is the identity plus a sum of multiquadric
// basis functions g_i(v) = sqrt(|v - p_i|^2 + r_i), one centred on each
// source point, with coefficients that carry every p_i onto its q_i.
#pragma once

#include <vector>

#include "warp/WarpMethod.h"

class CWarpRBF : public CWarpMethod {
public:
    // Builds the n x n system and solves it for the x and y displacements
    // (one elimination for both, on the thread count). A system the solver
    // rejects leaves zero coefficients: the identity.
    void Prepare() override;
    POINT MapPoint(int x, int y) override;
    void MapColumn(int x, int y0, int count, POINT* out, WarpScratch& scratch) const override;

    // Gauss elimination with complete pivoting of the n x n row-major system
    // A x = b (n >= 1). Returns 1 and writes x on success; returns 0, leaves x
    // untouched and reports "Gauss methods failed!" (ReportWarpMessage) when
    // A is singular.
    // A and b are never modified.
    static int SolveGauss(const double* A, const double* b, int n, double* x);
    // SolveGauss for A x = bx and A y = by at once, with one elimination on up
    // to `threads` threads: the same results bit for bit, and on failure the
    // message twice with x and y untouched.
    static int SolveGaussPair(const double* A, const double* bx, const double* by, int n, double* x,
                              double* y, unsigned threads);

    const std::vector<double>& GetCoefX() const { return m_coefX; }
    const std::vector<double>& GetCoefY() const { return m_coefY; }
    const std::vector<int>& GetRadius2() const { return m_radius2; }

private:
    std::vector<double> m_coefX; // alpha_i, x displacement coefficients
    std::vector<double> m_coefY; // beta_i, y displacement coefficients
    std::vector<int> m_radius2;  // r_i, squared shape parameter, in square pixels
};
