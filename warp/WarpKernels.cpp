// The column kernels, compiled once per instruction set (foreach_target) and
// chosen at run time (HWY_DYNAMIC_DISPATCH). No multiply-add is ever fused:
// every product is rounded before it is added, as in MapPoint.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "warp/WarpKernels.cpp"
#include "hwy/foreach_target.h" // IWYU pragma: keep

#include <algorithm>
#include <cstdint>

#include "hwy/highway.h"
#include "warp/WarpKernels.h"

HWY_BEFORE_NAMESPACE();
namespace warpkernels {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;
using DI = hn::Rebind<std::int32_t, D>; // as many 32-bit lanes as D has doubles
using DU = hn::Rebind<std::uint32_t, D>;
using V = hn::Vec<D>;
using VI = hn::Vec<DI>;
using VU = hn::Vec<DU>;

constexpr std::size_t kMaxLanes = HWY_MAX_BYTES / sizeof(double);

// TruncToInt in every lane: toward zero, saturating beyond the int range,
// NaN giving INT32_MIN. The lanes are truncated and brought into range before
// converting, so the conversion is exact on every instruction set (the scalar
// one saturates any value of magnitude above INT32_MAX, -2147483647.5 too).
VI TruncLanes(V v) {
    const D d;
    const auto high = hn::Ge(v, hn::Set(d, 2147483648.0));
    const auto low = hn::Or(hn::IsNaN(v), hn::Le(v, hn::Set(d, -2147483649.0)));
    v = hn::Trunc(v);
    v = hn::IfThenElse(high, hn::Set(d, 2147483647.0), v);
    v = hn::IfThenElse(low, hn::Set(d, -2147483648.0), v);
    return hn::DemoteTo(DI(), v);
}

// A wrapping 32-bit integer lane as a double.
V ToDouble(VU v) {
    return hn::PromoteTo(D(), hn::BitCast(DI(), v));
}

// Writes the first `count` lanes of (x, y) as points.
void StorePoints(VI x, VI y, std::size_t count, POINT* out) {
    const DI di;
    std::int32_t xs[kMaxLanes], ys[kMaxLanes];
    hn::StoreU(x, di, xs);
    hn::StoreU(y, di, ys);
    for (std::size_t k = 0; k < count; ++k)
        out[k] = POINT{xs[k], ys[k]};
}

// The view y of each lane of the block starting at y0 + k, as a double; lanes
// past the end of the column hold values that are computed and dropped.
V RowLanes(int y0, std::size_t k) {
    return hn::Iota(D(), static_cast<double>(y0) + static_cast<double>(k));
}

} // namespace

void IdwColumn(const POINT* src, const POINT* dst, std::size_t n, int x, int y0, int count,
               POINT* out) {
    const D d;
    const std::size_t lanes = hn::Lanes(d), total = static_cast<std::size_t>(count);
    const double xd = x;
    for (std::size_t k = 0; k < total; k += lanes) {
        const V y = RowLanes(y0, k);
        // (X, Y) = sum(w_i * q_i) / sum(w_i) with w_i = 1 / |v - p_i|^2
        V sumW = hn::Zero(d), sumX = hn::Zero(d), sumY = hn::Zero(d);
        for (std::size_t i = 0; i < n; ++i) {
            const double dx = xd - src[i].x;
            const V dy = hn::Sub(y, hn::Set(d, static_cast<double>(src[i].y)));
            const V w = hn::Div(hn::Set(d, 1.0), hn::Add(hn::Set(d, dx * dx), hn::Mul(dy, dy)));
            sumW = hn::Add(sumW, w);
            sumX = hn::Add(sumX, hn::Mul(w, hn::Set(d, static_cast<double>(dst[i].x))));
            sumY = hn::Add(sumY, hn::Mul(w, hn::Set(d, static_cast<double>(dst[i].y))));
        }
        StorePoints(TruncLanes(hn::Div(sumX, sumW)), TruncLanes(hn::Div(sumY, sumW)),
                    std::min(lanes, total - k), out + k);
    }
}

void RbfColumn(const POINT* src, const int* radius2, const double* coefX, const double* coefY,
               std::size_t n, int x, int y0, int count, POINT* out) {
    const D d;
    const std::size_t lanes = hn::Lanes(d), total = static_cast<std::size_t>(count);
    const double xd = x;
    for (std::size_t k = 0; k < total; k += lanes) {
        const V y = RowLanes(y0, k);
        // v + sum(g_i(v) * (alpha_i, beta_i)), g_i(v) = sqrt(|v - p_i|^2 + r_i)
        V X = hn::Set(d, xd), Y = y;
        for (std::size_t i = 0; i < n; ++i) {
            const double dx = xd - src[i].x;
            const V dy = hn::Sub(y, hn::Set(d, static_cast<double>(src[i].y)));
            const V g = hn::Sqrt(hn::Add(hn::Add(hn::Set(d, dx * dx), hn::Mul(dy, dy)),
                                         hn::Set(d, static_cast<double>(radius2[i]))));
            X = hn::Add(X, hn::Mul(g, hn::Set(d, coefX[i])));
            Y = hn::Add(Y, hn::Mul(g, hn::Set(d, coefY[i])));
        }
        StorePoints(TruncLanes(X), TruncLanes(Y), std::min(lanes, total - k), out + k);
    }
}

void MlsColumn(const POINT* src, const POINT* dst, std::size_t n, int x, int y0, int count,
               POINT* out, std::vector<double>& weights) {
    const D d;
    const DU du;
    const std::size_t lanes = hn::Lanes(d), total = static_cast<std::size_t>(count);
    if (weights.size() < n * lanes) weights.resize(n * lanes);
    double* w = weights.data(); // w_i of every lane at w + i * lanes
    const double xd = x;
    const auto U = [&](LONG v) { return hn::Set(du, static_cast<std::uint32_t>(v)); };
    for (std::size_t k = 0; k < total; k += lanes) {
        const V y = RowLanes(y0, k);
        // p* = sum(w_i p_i) / sum(w_i), q* = sum(w_i q_i) / sum(w_i), w_i = 1 / |p_i - v|^2
        V W = hn::Zero(d), Px = W, Py = W, Qx = W, Qy = W;
        for (std::size_t i = 0; i < n; ++i) {
            const double dx = xd - src[i].x;
            const V dy = hn::Sub(y, hn::Set(d, static_cast<double>(src[i].y)));
            const V wi = hn::Div(hn::Set(d, 1.0), hn::Add(hn::Set(d, dx * dx), hn::Mul(dy, dy)));
            hn::StoreU(wi, d, w + i * lanes);
            W = hn::Add(W, wi);
            Px = hn::Add(Px, hn::Mul(wi, hn::Set(d, static_cast<double>(src[i].x))));
            Py = hn::Add(Py, hn::Mul(wi, hn::Set(d, static_cast<double>(src[i].y))));
            Qx = hn::Add(Qx, hn::Mul(wi, hn::Set(d, static_cast<double>(dst[i].x))));
            Qy = hn::Add(Qy, hn::Mul(wi, hn::Set(d, static_cast<double>(dst[i].y))));
        }
        const VU pStarX = hn::BitCast(du, TruncLanes(hn::Div(Px, W)));
        const VU pStarY = hn::BitCast(du, TruncLanes(hn::Div(Py, W)));
        const VU qStarX = hn::BitCast(du, TruncLanes(hn::Div(Qx, W)));
        const VU qStarY = hn::BitCast(du, TruncLanes(hn::Div(Qy, W)));
        // T0 = sum(w_i (p-hat_i . q-hat_i)), T1 = sum(w_i (p-hat_i x q-hat_i)),
        // the brackets in wrapping 32-bit integers
        V T0 = hn::Zero(d), T1 = T0;
        for (std::size_t i = 0; i < n; ++i) {
            const VU pHatX = hn::Sub(U(src[i].x), pStarX), pHatY = hn::Sub(U(src[i].y), pStarY);
            const VU qHatX = hn::Sub(U(dst[i].x), qStarX), qHatY = hn::Sub(U(dst[i].y), qStarY);
            const VU dot = hn::Add(hn::Mul(pHatX, qHatX), hn::Mul(pHatY, qHatY));
            const VU cross = hn::Sub(hn::Mul(pHatX, qHatY), hn::Mul(pHatY, qHatX));
            const V wi = hn::LoadU(d, w + i * lanes);
            T0 = hn::Add(T0, hn::Mul(wi, ToDouble(dot)));
            T1 = hn::Add(T1, hn::Mul(wi, ToDouble(cross)));
        }
        // the best rotation (c, s); with mu = 0 the map is v - p* + q*
        const V mu = hn::Sqrt(hn::Add(hn::Mul(T0, T0), hn::Mul(T1, T1)));
        const auto flat = hn::Eq(mu, hn::Zero(d));
        const V c = hn::IfThenElse(flat, hn::Set(d, 1.0), hn::Div(T0, mu));
        const V s = hn::IfThenElse(flat, hn::Zero(d), hn::Div(T1, mu));
        const VU yu = hn::Iota(du, static_cast<std::uint32_t>(y0) + static_cast<std::uint32_t>(k));
        const V dx = ToDouble(hn::Sub(U(x), pStarX)), dy = ToDouble(hn::Sub(yu, pStarY));
        const V X = hn::Add(hn::Sub(hn::Mul(c, dx), hn::Mul(s, dy)), ToDouble(qStarX));
        const V Y = hn::Add(hn::Add(hn::Mul(s, dx), hn::Mul(c, dy)), ToDouble(qStarY));
        StorePoints(TruncLanes(X), TruncLanes(Y), std::min(lanes, total - k), out + k);
    }
}

const char* TargetName() {
    return hwy::TargetName(HWY_TARGET);
}

} // namespace HWY_NAMESPACE
} // namespace warpkernels
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace warpkernels {

HWY_EXPORT(IdwColumn);
HWY_EXPORT(RbfColumn);
HWY_EXPORT(MlsColumn);
HWY_EXPORT(TargetName);

void IdwColumn(const POINT* src, const POINT* dst, std::size_t n, int x, int y0, int count,
               POINT* out) {
    HWY_DYNAMIC_DISPATCH(IdwColumn)(src, dst, n, x, y0, count, out);
}

void RbfColumn(const POINT* src, const int* radius2, const double* coefX, const double* coefY,
               std::size_t n, int x, int y0, int count, POINT* out) {
    HWY_DYNAMIC_DISPATCH(RbfColumn)(src, radius2, coefX, coefY, n, x, y0, count, out);
}

void MlsColumn(const POINT* src, const POINT* dst, std::size_t n, int x, int y0, int count,
               POINT* out, std::vector<double>& weights) {
    HWY_DYNAMIC_DISPATCH(MlsColumn)(src, dst, n, x, y0, count, out, weights);
}

const char* TargetName() {
    return HWY_DYNAMIC_DISPATCH(TargetName)();
}

} // namespace warpkernels
#endif
