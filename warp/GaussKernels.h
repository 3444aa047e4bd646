// The row operations of the Gauss elimination, vectorised along the row, and
// the pieces both solvers share. Each element goes through exactly the
// scalar operations of the plain solver.
#pragma once

#include <cstddef>

namespace gausskernels {

// row[l] = row[l] - pivot[l] * f for l in [begin, end). Returns the largest
// |row[l]| afterwards, or 0 when none is greater; NaN never counts.
double EliminateRow(double* row, const double* pivot, std::size_t begin, std::size_t end, double f);

// EliminateRow with the pivot rows pivots[0 .. count), multipliers f[0 ..
// count), one after another, over [begin, end): each element goes through
// the count steps in order in a register. Returns the largest magnitude
// after the last step.
double EliminateRowSteps(double* row, const double* const* pivots, const double* f,
                         std::size_t count, std::size_t begin, std::size_t end);

// The largest |row[l]| for l in [begin, end), as EliminateRow counts it.
double LargestMagnitude(const double* row, std::size_t begin, std::size_t end);

// A pivot is unusable when adding it to 1.0 leaves 1.0 (|p| <= 2^-53).
inline bool NegligiblePivot(double magnitude) {
    return magnitude + 1.0 == 1.0;
}

// Reports "Gauss methods failed!" (ReportWarpMessage) on the calling thread;
// returns 0, the solvers' failure result.
int ReportFailure();

} // namespace gausskernels
