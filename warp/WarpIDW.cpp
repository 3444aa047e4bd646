#include "warp/WarpIDW.h"

#include "platform/Truncate.h"
#include "warp/WarpKernels.h"

POINT CWarpIDW::MapPoint(int x, int y) {
    const std::size_t n = m_srcPoints.size();
    if (n == 0) return POINT{x, y};
    const std::size_t hit = FindSource(x, y, n);
    if (hit < n) return m_dstPoints[hit];

    // (X, Y) = sum(w_i * q_i) / sum(w_i) with w_i = 1 / |v - p_i|^2
    double sumW = 0.0, sumX = 0.0, sumY = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = static_cast<double>(x) - m_srcPoints[i].x;
        const double dy = static_cast<double>(y) - m_srcPoints[i].y;
        const double w = 1.0 / (dx * dx + dy * dy);
        sumW += w;
        sumX += w * m_dstPoints[i].x;
        sumY += w * m_dstPoints[i].y;
    }
    return POINT{TruncToInt(sumX / sumW), TruncToInt(sumY / sumW)};
}

void CWarpIDW::MapColumn(int x, int y0, int count, POINT* out, WarpScratch&) const {
    const std::size_t n = m_srcPoints.size();
    if (n == 0) return MapIdentity(x, y0, count, out);
    warpkernels::IdwColumn(m_srcPoints.data(), m_dstPoints.data(), n, x, y0, count, out);
    PlaceSourceHits(x, y0, count, n, out);
}
