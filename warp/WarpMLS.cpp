#include "warp/WarpMLS.h"

#include <cmath>
#include <cstdint>

#include "platform/Truncate.h"
#include "warp/WarpKernels.h"

namespace {

// 32-bit signed arithmetic that wraps instead of overflowing. The values are
// exact as long as the coordinates stay below 32768 in magnitude.
std::uint32_t U(std::int32_t v) {
    return static_cast<std::uint32_t>(v);
}
std::int32_t Sub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(U(a) - U(b));
}
std::int32_t Dot(POINT p, POINT q) {
    return static_cast<std::int32_t>(U(p.x) * U(q.x) + U(p.y) * U(q.y));
}
std::int32_t Cross(POINT p, POINT q) {
    return static_cast<std::int32_t>(U(p.x) * U(q.y) - U(p.y) * U(q.x));
}

} // namespace

void CWarpMLS::Prepare() {
    const std::size_t n = m_srcPoints.size();
    m_weights.assign(n, 0.0);
    m_srcHat.assign(n, POINT{0, 0});
    m_dstHat.assign(n, POINT{0, 0});
}

void CWarpMLS::ComputeCentroids(int x, int y) {
    const std::size_t n = m_weights.size();
    double W = 0.0, Px = 0.0, Py = 0.0, Qx = 0.0, Qy = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = static_cast<double>(x) - m_srcPoints[i].x;
        const double dy = static_cast<double>(y) - m_srcPoints[i].y;
        m_weights[i] = 1.0 / (dx * dx + dy * dy);
    }
    // p* = sum(w_i p_i) / sum(w_i), q* = sum(w_i q_i) / sum(w_i)
    for (std::size_t i = 0; i < n; ++i) {
        const double w = m_weights[i];
        W += w;
        Px += w * m_srcPoints[i].x;
        Py += w * m_srcPoints[i].y;
        Qx += w * m_dstPoints[i].x;
        Qy += w * m_dstPoints[i].y;
    }
    m_srcCentroid = POINT{TruncToInt(Px / W), TruncToInt(Py / W)};
    m_dstCentroid = POINT{TruncToInt(Qx / W), TruncToInt(Qy / W)};
    for (std::size_t i = 0; i < n; ++i) {
        m_srcHat[i] =
            POINT{Sub(m_srcPoints[i].x, m_srcCentroid.x), Sub(m_srcPoints[i].y, m_srcCentroid.y)};
        m_dstHat[i] =
            POINT{Sub(m_dstPoints[i].x, m_dstCentroid.x), Sub(m_dstPoints[i].y, m_dstCentroid.y)};
    }
}

POINT CWarpMLS::MapPoint(int x, int y) {
    const std::size_t n = m_weights.size();
    if (n == 0) return POINT{x, y};
    const std::size_t hit = FindSource(x, y, n);
    if (hit < n) return m_dstPoints[hit];

    ComputeCentroids(x, y);
    // T0 = sum(w_i (p-hat_i . q-hat_i)), T1 = sum(w_i (p-hat_i x q-hat_i))
    double T0 = 0.0, T1 = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        T0 += m_weights[i] * Dot(m_srcHat[i], m_dstHat[i]);
        T1 += m_weights[i] * Cross(m_srcHat[i], m_dstHat[i]);
    }
    // (c, s): cosine and sine of the best rotation. When mu vanishes no
    // rotation is preferred and the map is the translation v - p* + q*.
    const double mu = std::sqrt(T0 * T0 + T1 * T1);
    const double c = mu == 0.0 ? 1.0 : T0 / mu;
    const double s = mu == 0.0 ? 0.0 : T1 / mu;
    const std::int32_t dx = Sub(x, m_srcCentroid.x);
    const std::int32_t dy = Sub(y, m_srcCentroid.y);
    const double X = c * dx - s * dy + m_dstCentroid.x;
    const double Y = s * dx + c * dy + m_dstCentroid.y;
    return POINT{TruncToInt(X), TruncToInt(Y)};
}

void CWarpMLS::MapColumn(int x, int y0, int count, POINT* out, WarpScratch& scratch) const {
    const std::size_t n = m_weights.size();
    if (n == 0) return MapIdentity(x, y0, count, out);
    warpkernels::MlsColumn(m_srcPoints.data(), m_dstPoints.data(), n, x, y0, count, out,
                           scratch.values);
    PlaceSourceHits(x, y0, count, n, out);
}
