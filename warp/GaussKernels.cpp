// The elimination's row kernels, compiled once per instruction set and
// chosen at run time. Products are rounded before they are subtracted.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "warp/GaussKernels.cpp"
#include "hwy/foreach_target.h" // IWYU pragma: keep

#include <cmath>

#include "hwy/highway.h"
#include "warp/GaussKernels.h"
#include "warp/WarpMessages.h"

HWY_BEFORE_NAMESPACE();
namespace gausskernels {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

double EliminateRow(double* row, const double* pivot, std::size_t begin, std::size_t end,
                    double f) {
    const hn::ScalableTag<double> d;
    const std::size_t lanes = hn::Lanes(d);
    const auto vf = hn::Set(d, f);
    auto best0 = hn::Zero(d), best1 = best0;
    std::size_t l = begin;
    for (; l + 2 * lanes <= end; l += 2 * lanes) {
        const auto v0 = hn::Sub(hn::LoadU(d, row + l), hn::Mul(hn::LoadU(d, pivot + l), vf));
        const auto v1 =
            hn::Sub(hn::LoadU(d, row + l + lanes), hn::Mul(hn::LoadU(d, pivot + l + lanes), vf));
        hn::StoreU(v0, d, row + l);
        hn::StoreU(v1, d, row + l + lanes);
        const auto a0 = hn::Abs(v0), a1 = hn::Abs(v1);
        best0 = hn::IfThenElse(hn::Gt(a0, best0), a0, best0);
        best1 = hn::IfThenElse(hn::Gt(a1, best1), a1, best1);
    }
    double best = hn::GetLane(hn::MaxOfLanes(d, hn::Max(best0, best1)));
    for (; l < end; ++l) {
        row[l] = row[l] - pivot[l] * f;
        if (std::fabs(row[l]) > best) best = std::fabs(row[l]);
    }
    return best;
}

double EliminateRowSteps(double* row, const double* const* pivots, const double* f,
                         std::size_t count, std::size_t begin, std::size_t end) {
    const hn::ScalableTag<double> d;
    const std::size_t lanes = hn::Lanes(d);
    auto best = hn::Zero(d);
    std::size_t l = begin;
    // Four vectors at a time keep the subtractions of the steps in flight.
    for (; l + 4 * lanes <= end; l += 4 * lanes) {
        auto v0 = hn::LoadU(d, row + l), v1 = hn::LoadU(d, row + l + lanes);
        auto v2 = hn::LoadU(d, row + l + 2 * lanes), v3 = hn::LoadU(d, row + l + 3 * lanes);
        for (std::size_t t = 0; t < count; ++t) {
            const double* p = pivots[t] + l;
            const auto vf = hn::Set(d, f[t]);
            v0 = hn::Sub(v0, hn::Mul(hn::LoadU(d, p), vf));
            v1 = hn::Sub(v1, hn::Mul(hn::LoadU(d, p + lanes), vf));
            v2 = hn::Sub(v2, hn::Mul(hn::LoadU(d, p + 2 * lanes), vf));
            v3 = hn::Sub(v3, hn::Mul(hn::LoadU(d, p + 3 * lanes), vf));
        }
        hn::StoreU(v0, d, row + l);
        hn::StoreU(v1, d, row + l + lanes);
        hn::StoreU(v2, d, row + l + 2 * lanes);
        hn::StoreU(v3, d, row + l + 3 * lanes);
        for (const auto a : {hn::Abs(v0), hn::Abs(v1), hn::Abs(v2), hn::Abs(v3)})
            best = hn::IfThenElse(hn::Gt(a, best), a, best);
    }
    double result = hn::GetLane(hn::MaxOfLanes(d, best));
    for (; l < end; ++l) {
        double v = row[l];
        for (std::size_t t = 0; t < count; ++t)
            v = v - pivots[t][l] * f[t];
        row[l] = v;
        if (std::fabs(v) > result) result = std::fabs(v);
    }
    return result;
}

double LargestMagnitude(const double* row, std::size_t begin, std::size_t end) {
    const hn::ScalableTag<double> d;
    const std::size_t lanes = hn::Lanes(d);
    auto bestLanes = hn::Zero(d);
    std::size_t l = begin;
    for (; l + lanes <= end; l += lanes) {
        const auto a = hn::Abs(hn::LoadU(d, row + l));
        bestLanes = hn::IfThenElse(hn::Gt(a, bestLanes), a, bestLanes);
    }
    double best = hn::GetLane(hn::MaxOfLanes(d, bestLanes));
    for (; l < end; ++l) {
        if (std::fabs(row[l]) > best) best = std::fabs(row[l]);
    }
    return best;
}

} // namespace HWY_NAMESPACE
} // namespace gausskernels
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace gausskernels {

HWY_EXPORT(EliminateRow);
HWY_EXPORT(EliminateRowSteps);
HWY_EXPORT(LargestMagnitude);

double EliminateRow(double* row, const double* pivot, std::size_t begin, std::size_t end,
                    double f) {
    return HWY_DYNAMIC_DISPATCH(EliminateRow)(row, pivot, begin, end, f);
}

double EliminateRowSteps(double* row, const double* const* pivots, const double* f,
                         std::size_t count, std::size_t begin, std::size_t end) {
    return HWY_DYNAMIC_DISPATCH(EliminateRowSteps)(row, pivots, f, count, begin, end);
}

double LargestMagnitude(const double* row, std::size_t begin, std::size_t end) {
    return HWY_DYNAMIC_DISPATCH(LargestMagnitude)(row, begin, end);
}

int ReportFailure() {
    ReportWarpMessage("Gauss methods failed!");
    return 0;
}

} // namespace gausskernels
#endif
