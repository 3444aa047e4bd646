// The per-pixel maps of the three methods over a run of pixels down one
// column, vectorised across the pixels. Each lane performs exactly the
// operations of the method's MapPoint in the same order, so the results are
// those of MapPoint bit for bit; the caller handles pixels on a source point
// and the case of no pairs. The best instruction set the processor offers is
// chosen at run time.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/WinTypes.h"

namespace warpkernels {

// Inverse distance weighting with the n pairs (src[i], dst[i]), n >= 1.
void IdwColumn(const POINT* src, const POINT* dst, std::size_t n, int x, int y0, int count,
               POINT* out);

// The radial basis interpolant with n basis functions (n may be 0).
void RbfColumn(const POINT* src, const int* radius2, const double* coefX, const double* coefY,
               std::size_t n, int x, int y0, int count, POINT* out);

// Rigid moving least squares with the n pairs, n >= 1; `weights` is the
// thread's scratch, grown as needed.
void MlsColumn(const POINT* src, const POINT* dst, std::size_t n, int x, int y0, int count,
               POINT* out, std::vector<double>& weights);

// The name of the instruction set the kernels run on ("AVX3", "AVX2", ...).
const char* TargetName();

} // namespace warpkernels
